#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <fstream>
#include <random>

#include "I18nTestSupport.h"
#include "TempDir.h"
#include "i18n/GettextErrors.h"
#include "i18n/MoFile.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

std::string Lookup(const TMoFile& Catalog, std::string_view MsgId, bool& Found) {
  return Catalog.gettext(MsgId, Found);
}

std::string Translation(const TMoFile& Catalog, std::string_view MsgId) {
  bool Found;
  const std::string Result = Catalog.gettext(MsgId, Found);
  return Found ? Result : "<absent>";
}

// Words of the little-endian fixture.
void PutWord(std::string& Bytes, std::size_t Offset, std::uint32_t Value) {
  for (std::size_t I = 0; I < 4; ++I) Bytes[Offset + I] = static_cast<char>(Value >> (8 * I) & 0xFF);
}

std::uint32_t GetWord(const std::string& Bytes, std::size_t Offset) {
  std::uint32_t Value = 0;
  for (std::size_t I = 4; I-- > 0;) Value = Value << 8 | static_cast<unsigned char>(Bytes[Offset + I]);
  return Value;
}

void ExpectNotACatalog(const String& FileName) {
  try {
    TMoFile Catalog(FileName, 0, 0);
    ADD_FAILURE() << "accepted " << StringToUtf8(FileName);
  } catch (const EGettextIOError& Error) {
    EXPECT_EQ(Error.Message(), u"This file is not a valid GNU gettext mo file: " + FileName);
  }
}

}  // namespace

TEST(MoFileTest, BothByteOrdersGiveIdenticalLookups) {
  const TMoFile Little(FixtureCatalog("de"), 0, 0);
  const TMoFile Big(FixtureCatalog("de", true), 0, 0);
  EXPECT_TRUE(Little.DoSwap());
  EXPECT_FALSE(Big.DoSwap());
  ASSERT_EQ(Little.Count(), Big.Count());
  EXPECT_EQ(Little.StartIndex(), std::bit_floor(Little.Count()));
  EXPECT_EQ(Little.StartStep(), Little.StartIndex() / 2);

  for (const TMoFile* Catalog : {&Little, &Big}) {
    EXPECT_EQ(Translation(*Catalog, "Find"), "Suchen");
    EXPECT_EQ(Translation(*Catalog, "Music"), "Musik \xf0\x9f\x8e\xb5");
    EXPECT_EQ(Translation(*Catalog, std::string("%d file\0%d files", 16)), std::string("%d Datei\0%d Dateien", 19));
    EXPECT_NE(Translation(*Catalog, "").find("Last-Translator: Anna Muster"), std::string::npos);
    bool Found = true;
    EXPECT_EQ(Lookup(*Catalog, "Not in the catalog", Found), "Not in the catalog");
    EXPECT_FALSE(Found);
    EXPECT_EQ(Lookup(*Catalog, "Fin", Found), "Fin");  // a prefix of a msgid is no match
    EXPECT_FALSE(Found);
    EXPECT_EQ(Lookup(*Catalog, "\xff\xff", Found), "\xff\xff");  // sorts after everything
    EXPECT_FALSE(Found);
  }
}

TEST(MoFileTest, BinarySearchFindsEveryEntryOfAnySize) {
  TTempDir Temp;
  for (int Entries : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 31, 32, 33, 100, 255, 256, 257}) {
    std::string Po = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
    for (int I = 1; I < Entries; ++I) Po += "msgid \"key" + std::to_string(I * 2) + "\"\nmsgstr \"value" + std::to_string(I) + "\"\n";
    Temp.MakeFile("sweep.po", Po);
    const std::string Command = std::string(CANTREL_MSGFMT) + " -o " + Temp.Path() + "sweep.mo " + Temp.Path() + "sweep.po";
    ASSERT_EQ(std::system(Command.c_str()), 0);
    const TMoFile Catalog(Temp.Folder() + u"sweep.mo", 0, 0);
    ASSERT_EQ(Catalog.Count(), static_cast<std::uint32_t>(Entries));
    EXPECT_EQ(Catalog.StartIndex(), std::bit_floor(static_cast<std::uint32_t>(Entries)));
    EXPECT_EQ(Catalog.StartStep(), Catalog.StartIndex() / 2);
    EXPECT_NE(Translation(Catalog, ""), "<absent>");
    for (int I = 1; I < Entries; ++I) {
      EXPECT_EQ(Translation(Catalog, "key" + std::to_string(I * 2)), "value" + std::to_string(I)) << Entries;
      // Keys between, before and after the msgids are absent.
      EXPECT_EQ(Translation(Catalog, "key" + std::to_string(I * 2) + "x"), "<absent>") << Entries;
    }
    EXPECT_EQ(Translation(Catalog, "a"), "<absent>");
    EXPECT_EQ(Translation(Catalog, "zzz"), "<absent>");
  }
}

TEST(MoFileTest, MalformedCatalogsRaiseTheIoError) {
  TTempDir Temp;
  const std::string Good = ReadFileBytes(StringToUtf8(FixtureCatalog("de")));
  const std::uint32_t Count = GetWord(Good, 8);
  const std::uint32_t MsgIds = GetWord(Good, 12);
  const std::uint32_t Translations = GetWord(Good, 16);
  int Case = 0;
  const auto Check = [&](const std::string& Bytes) {
    const std::string Name = "bad" + std::to_string(++Case) + ".mo";
    Temp.MakeFile(Name, Bytes);
    SCOPED_TRACE(Name);
    ExpectNotACatalog(Temp.Folder() + Utf8ToString(Name));
  };

  // Cut inside the header, the tables and the last string (the final byte is
  // only its terminating zero).
  for (std::size_t Length : {std::size_t{0}, std::size_t{3}, std::size_t{27}, std::size_t{28},
                             std::size_t{MsgIds + 8}, std::size_t{Translations + 12}, Good.size() - 2})
    Check(Good.substr(0, Length));
  const auto WithWords = [&](std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> Words) {
    std::string Bytes = Good;
    for (const auto& [Offset, Value] : Words) PutWord(Bytes, Offset, Value);
    return Bytes;
  };
  Check(WithWords({{0, 0x12345678}}));  // the magic number in neither byte order
  for (std::uint32_t HugeCount : {0xFFFFFFFFu, 0x20000000u, Count + 1000}) Check(WithWords({{8, HugeCount}}));
  Check(WithWords({{12, static_cast<std::uint32_t>(Good.size())}}));
  Check(WithWords({{16, 0xFFFFFFF8u}}));
  // A string starting past the end, and a length that wraps around 32 bits.
  Check(WithWords({{MsgIds + 4, static_cast<std::uint32_t>(Good.size()) + 1}}));
  Check(WithWords({{Translations + 8, 0x20}, {Translations + 12, 0xFFFFFFF0u}}));
  Check(WithWords({{Translations + 8 * (Count - 1), 0xFFFFFFFFu}}));

  // Zero entries is a valid, empty catalog.
  Temp.MakeFile("empty.mo", WithWords({{8, 0}}));
  const TMoFile Empty(Temp.Folder() + u"empty.mo", 0, 0);
  EXPECT_EQ(Empty.StartIndex(), 0u);
  EXPECT_EQ(Translation(Empty, ""), "<absent>");
  EXPECT_EQ(Translation(Empty, "Find"), "<absent>");
}

TEST(MoFileTest, MutatedCatalogsEitherWorkOrRaiseTheIoError) {
  TTempDir Temp;
  const String FileName = Temp.Folder() + u"fuzz.mo";
  const std::string Good = ReadFileBytes(StringToUtf8(FixtureCatalog("de")));
  const std::uint32_t TablesEnd = GetWord(Good, 16) + 8 * GetWord(Good, 8);
  std::mt19937 Random(20240601);
  const auto Pick = [&](std::uint32_t Limit) { return std::uniform_int_distribution<std::uint32_t>(0, Limit - 1)(Random); };
  const std::uint32_t Boundaries[] = {0, 1, 7, 8, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF8, 0xFFFFFFFF,
                                      static_cast<std::uint32_t>(Good.size()), static_cast<std::uint32_t>(Good.size() - 1)};
  const char* Keys[] = {"", "Find", "Make", "Music", "Ready", "Zzz", "\x01", "Panels"};
  int Accepted = 0;
  int Refused = 0;
  for (int Round = 0; Round < 3000; ++Round) {
    std::string Bytes = Good;
    switch (Round % 4) {
      case 0:  // flip bytes anywhere
        for (int I = 0; I < 4; ++I) Bytes[Pick(static_cast<std::uint32_t>(Bytes.size()))] ^= static_cast<char>(1 + Pick(255));
        break;
      case 1:  // a header or table word set to a boundary value
        PutWord(Bytes, 4 * Pick(TablesEnd / 4), Boundaries[Pick(std::size(Boundaries))]);
        break;
      case 2:  // a table word set to anything
        PutWord(Bytes, 4 * Pick(TablesEnd / 4), static_cast<std::uint32_t>(Random()));
        break;
      case 3:  // cut off
        Bytes.resize(Pick(static_cast<std::uint32_t>(Bytes.size())));
        break;
    }
    std::ofstream(StringToUtf8(FileName), std::ios::binary | std::ios::trunc) << Bytes;
    try {
      const TMoFile Catalog(FileName, 0, 0);
      ++Accepted;
      bool Found;
      for (const char* Key : Keys) Catalog.gettext(Key, Found);
    } catch (const EGettextIOError& Error) {
      ++Refused;
      ASSERT_EQ(Error.Message(), u"This file is not a valid GNU gettext mo file: " + FileName);
    }
  }
  // Both outcomes occur, so the mutations reach the checks and the lookups.
  EXPECT_GT(Accepted, 100);
  EXPECT_GT(Refused, 100);
}

TEST(MoFileTest, MissingFileRaisesTheFileError) {
  TTempDir Temp;
  EXPECT_THROW(TMoFile(Temp.Folder() + u"absent.mo", 0, 0), EFOpenError);
}
