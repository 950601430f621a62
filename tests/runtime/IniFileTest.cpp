#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.h"
#include "runtime/Exceptions.h"
#include "runtime/IniFile.h"

using namespace cantrel;
using namespace cantrel::test;

TEST(IniFileTest, ReadsWithDefaultsIgnoringCase) {
  TTempDir Dir;
  TIniFile Missing(Dir.Folder() + u"none.ini");
  EXPECT_EQ(Missing.ReadString(u"Path", u"LastFolder", u"/default/"), u"/default/");
  EXPECT_EQ(Missing.ReadInteger(u"File", u"MinSize", 102400), 102400);

  Dir.MakeFile("s.ini", "; settings\r\n[path]\r\nlastfolder = /music/Ärger/ \r\nEmpty=\r\n[Filter]\r\n"
                        "VideoFormat=Clips (*.mkv)\r\n[File]\r\nMinSize=0x1F400\r\nHex=$FFFFFFFF\r\n"
                        "Bad=12ab\r\nBig=99999999999\r\nNeg= -42\r\n");
  TIniFile Ini(Dir.Folder() + u"s.ini");
  EXPECT_EQ(Ini.ReadString(u"PATH", u"LastFolder", u"x"), u"/music/Ärger/");
  EXPECT_EQ(Ini.ReadString(u"Path", u"Empty", u"x"), u"") << "present but empty is not the default";
  EXPECT_EQ(Ini.ReadString(u"Filter", u"VideoFormat", u"x"), u"Clips (*.mkv)");
  EXPECT_EQ(Ini.ReadString(u"Filter", u"LastFolder", u"x"), u"x") << "keys belong to their section";
  EXPECT_EQ(Ini.ReadInteger(u"File", u"MinSize", 1), 128000);
  EXPECT_EQ(Ini.ReadInteger(u"File", u"Hex", 1), -1);
  EXPECT_EQ(Ini.ReadInteger(u"File", u"Bad", 1), 1);
  EXPECT_EQ(Ini.ReadInteger(u"File", u"Big", 1), 1);
  EXPECT_EQ(Ini.ReadInteger(u"File", u"Neg", 1), -42);
}

TEST(IniFileTest, WritesKeepEveryOtherLine) {
  TTempDir Dir;
  Dir.MakeFile("s.ini", "; keep me\r\n[Path]\r\nLastFolder=/old/\r\n\r\n[Other]\r\nx=1\r\n");
  TIniFile Ini(Dir.Folder() + u"s.ini");
  Ini.WriteString(u"path", u"LASTFOLDER", u"/new/");
  Ini.WriteString(u"Path", u"Extra", u"e");
  Ini.WriteInteger(u"File", u"MinSize", -5);
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "s.ini"),
            "; keep me\r\n[Path]\r\nLASTFOLDER=/new/\r\nExtra=e\r\n\r\n[Other]\r\nx=1\r\n\r\n[File]\r\nMinSize=-5\r\n");

  TIniFile Fresh(Dir.Folder() + u"fresh.ini");
  const String LongValue(3000, u'v');
  Fresh.WriteString(u"Filter", u"VideoFormat", LongValue);
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "fresh.ini"), "[Filter]\nVideoFormat=" + std::string(3000, 'v') + "\n");
  EXPECT_EQ(Fresh.ReadString(u"Filter", u"VideoFormat", u"").size(), 2047u);
}

TEST(IniFileTest, FolderNamesOfAnyBytesSurvive) {
  TTempDir Dir;
  TIniFile Ini(Dir.Folder() + u"s.ini");
  const String Folder = Utf8ToString("/music/caf\xE9/\xF0\x9F\x8E\xB5/");
  Ini.WriteString(u"Path", u"LastFolder", Folder);
  EXPECT_EQ(Ini.ReadString(u"Path", u"LastFolder", u""), Folder);
}

TEST(IniFileTest, AFailedWriteNamesTheFile) {
  TTempDir Dir;
  TIniFile Ini(Dir.Folder() + u"missing/s.ini");
  try {
    Ini.WriteString(u"Path", u"LastFolder", u"/x/");
    FAIL();
  } catch (const EIniFileException& Error) {
    EXPECT_EQ(Error.Message(), u"Unable to write to " + Dir.Folder() + u"missing/s.ini");
  }
}

TEST(IniFileTest, OnlyARegularFileOfSaneSizeIsReadAndReplaced) {
  TTempDir Dir;
  Dir.MakeDir("folder.ini");
  ASSERT_EQ(mkfifo((Dir.Path() + "fifo.ini").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", (Dir.Path() + "zero.ini").c_str()), 0);
  Dir.MakeFile("big.ini", "[Path]\nLastFolder=/big/\n");
  ASSERT_EQ(truncate((Dir.Path() + "big.ini").c_str(), off_t{2} << 30), 0);  // sparse
  for (const char* Name : {"folder.ini", "fifo.ini", "zero.ini", "big.ini"}) {
    TIniFile Ini(Dir.Folder() + Utf8ToString(Name));
    EXPECT_EQ(Ini.ReadString(u"Path", u"LastFolder", u"/default/"), u"/default/") << Name;
    try {
      Ini.WriteString(u"Path", u"LastFolder", u"/x/");
      ADD_FAILURE() << Name;
    } catch (const EIniFileException& Error) {
      EXPECT_EQ(Error.Message(), u"Unable to write to " + Ini.FileName());
    }
  }
  struct stat Status;
  EXPECT_TRUE(stat((Dir.Path() + "folder.ini").c_str(), &Status) == 0 && S_ISDIR(Status.st_mode));
  EXPECT_TRUE(lstat((Dir.Path() + "fifo.ini").c_str(), &Status) == 0 && S_ISFIFO(Status.st_mode));
  EXPECT_TRUE(lstat((Dir.Path() + "zero.ini").c_str(), &Status) == 0 && S_ISLNK(Status.st_mode));
  EXPECT_TRUE(stat((Dir.Path() + "big.ini").c_str(), &Status) == 0 && Status.st_size == off_t{2} << 30);

  // The limit itself is still read.
  std::string Limit = "[Path]\nLastFolder=/limit/\n";
  Limit.resize(TIniFile::MaxFileSize, '\n');
  Dir.MakeFile("limit.ini", Limit);
  EXPECT_EQ(TIniFile(Dir.Folder() + u"limit.ini").ReadString(u"Path", u"LastFolder", u""), u"/limit/");
}

TEST(IniFileTest, BlanksAndQuotesAroundValuesSurviveAndLineBreaksAreRefused) {
  TTempDir Dir;
  TIniFile Ini(Dir.Folder() + u"s.ini");
  const String Values[] = {u" lead", u"trail ", u"\"quoted\"", u"\"", u"x]", u"", u"a = \"b\"", u"\tboth\t"};
  for (const String& Value : Values) {
    Ini.WriteString(u"Path", u"Value", Value);
    EXPECT_EQ(Ini.ReadString(u"Path", u"Value", u"?"), Value);
  }
  Ini.WriteString(u"Path", u"LastFolder", u"/music/ spaced /");
  Ini.WriteString(u"Path", u"[Odd", u"x]");
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "s.ini"),
            "[Path]\nValue=\"\tboth\t\"\nLastFolder=/music/ spaced /\n[Odd=\"x]\"\n");
  EXPECT_EQ(Ini.ReadString(u"Path", u"[Odd", u"?"), u"x]");

  for (const char16_t* Broken : {u"a\nb", u"a\rb", u"trailing\n"}) {
    try {
      Ini.WriteString(u"Path", u"LastFolder", Broken);
      ADD_FAILURE();
    } catch (const EIniFileException& Error) {
      EXPECT_EQ(Error.Message(), u"A line break cannot be written to the settings file " + Ini.FileName());
    }
  }
  EXPECT_EQ(Ini.ReadString(u"Path", u"LastFolder", u"?"), u"/music/ spaced /");

  // Hand-written files: quotes stripped, lines ended by CR alone too.
  Dir.MakeFile("hand.ini", "[A]\rx=\"  spaced  \"\ry= \"half\r[B]\r\nz=\"\"\n");
  TIniFile Hand(Dir.Folder() + u"hand.ini");
  EXPECT_EQ(Hand.ReadString(u"A", u"x", u"?"), u"  spaced  ");
  EXPECT_EQ(Hand.ReadString(u"A", u"y", u"?"), u"\"half");
  EXPECT_EQ(Hand.ReadString(u"B", u"z", u"?"), u"");
}
