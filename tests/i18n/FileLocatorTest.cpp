#include <gtest/gtest.h>

#include "I18nTestSupport.h"
#include "TempDir.h"
#include "i18n/FileLocator.h"
#include "i18n/GettextErrors.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::test;
using namespace std::string_literals;

namespace {

std::string LittleEndian64(std::uint64_t Value) {
  std::string Bytes;
  for (int I = 0; I < 8; ++I) Bytes += static_cast<char>(Value >> (8 * I) & 0xFF);
  return Bytes;
}

struct TEntry {
  std::string Name;
  std::uint64_t Offset;
  std::uint64_t Size;
};

// A module file: some bytes standing for the program, the catalogs, then
// a table of the given entries in the embedded-table format.
class TModuleBuilder {
public:
  TModuleBuilder() : FBytes(4000, '\x7f') {}

  TEntry AddCatalog(const std::string& Name, const std::string& Bytes) {
    TEntry Entry{Name, FBytes.size(), Bytes.size()};
    FBytes += Bytes;
    return Entry;
  }

  // Appends the table and returns its offset.
  std::uint64_t AddTable(const std::vector<TEntry>& Entries) {
    const std::uint64_t Table = FBytes.size();
    for (const TEntry& Entry : Entries) {
      FBytes += LittleEndian64(FBytes.size() + 24 + Entry.Name.size());
      FBytes += LittleEndian64(Entry.Offset) + LittleEndian64(Entry.Size) + Entry.Name;
    }
    FBytes += LittleEndian64(0);
    return Table;
  }

  std::string& Bytes() { return FBytes; }

private:
  std::string FBytes;
};

std::string Translation(TMoFile& Catalog, std::string_view MsgId) {
  bool Found;
  return Catalog.gettext(MsgId, Found);
}

}  // namespace

TEST(FileLocatorTest, AnUnpackedProgramCarriesNoCatalogs) {
  TFileLocator Locator(ModuleFileName());
  Locator.Analyze();
  EXPECT_EQ(Locator.BaseDirectory(), u"");
  EXPECT_TRUE(Locator.EmbeddedFileNames().empty());
  EXPECT_FALSE(Locator.FileExists(u"locale/de/LC_MESSAGES/fixture.mo"));
  EXPECT_FALSE(Locator.FileExists(FixtureCatalog("de")));
}

TEST(FileLocatorTest, EmbeddedCatalogsAreFoundByTrimmedNamesInAnyCaseAndBeatTheDisk) {
  TTempDir Temp;
  TModuleBuilder Module;
  const std::string German = ReadFileBytes(StringToUtf8(FixtureCatalog("de")));
  const std::string French = ReadFileBytes(StringToUtf8(FixtureCatalog("fr")));
  // The French bytes stand under the German path, so it shows which one loads.
  const TEntry De = Module.AddCatalog("  locale/de/LC_MESSAGES/fixture.mo\0\0\0"s, French);
  const TEntry Pl = Module.AddCatalog("\tlocale/pl/LC_MESSAGES/Fixture.mo \n", German);
  const std::uint64_t Table = Module.AddTable({De, Pl});
  Temp.MakeFile("cantrel", Module.Bytes());
  Temp.MakeFile("locale/de/LC_MESSAGES/fixture.mo", German);

  TFileLocator Locator(Temp.Folder() + u"cantrel");
  Locator.AnalyzeTable(Table);
  EXPECT_EQ(Locator.BaseDirectory(), Temp.Folder());
  EXPECT_EQ(Locator.EmbeddedFileNames(),
            std::vector<String>({u"locale/de/LC_MESSAGES/fixture.mo", u"locale/pl/LC_MESSAGES/Fixture.mo"}));
  EXPECT_TRUE(Locator.FileExists(Temp.Folder() + u"locale/de/LC_MESSAGES/fixture.mo"));
  EXPECT_TRUE(Locator.FileExists(Temp.Folder() + u"LOCALE/PL/LC_MESSAGES/fixture.MO"));
  EXPECT_TRUE(Locator.FileExists(u"locale/pl/LC_MESSAGES/fixture.mo"));
  EXPECT_FALSE(Locator.FileExists(Temp.Folder() + u"locale/fr/LC_MESSAGES/fixture.mo"));

  std::shared_ptr<TMoFile> Catalog = Locator.GetMoFile(Temp.Folder() + u"locale/de/LC_MESSAGES/fixture.mo");
  EXPECT_EQ(Translation(*Catalog, "Find"), "Rechercher");
  Catalog = Locator.GetMoFile(Temp.Folder() + u"locale/pl/LC_MESSAGES/fixture.mo");
  EXPECT_EQ(Translation(*Catalog, "Find"), "Suchen");
}

TEST(FileLocatorTest, BrokenTablesEndTheScanKeepingEarlierEntries) {
  TTempDir Temp;
  const std::string German = ReadFileBytes(StringToUtf8(FixtureCatalog("de")));
  int Case = 0;
  const auto Scan = [&](TModuleBuilder& Module, std::uint64_t Table) {
    const std::string Name = "module" + std::to_string(++Case);
    Temp.MakeFile(Name, Module.Bytes());
    TFileLocator Locator(Temp.Folder() + Utf8ToString(Name));
    Locator.AnalyzeTable(Table);
    EXPECT_EQ(Locator.BaseDirectory(), Temp.Folder());
    return Locator.EmbeddedFileNames();
  };
  const std::vector<String> FirstOnly{u"locale/de/LC_MESSAGES/a.mo"};

  {  // a repeated name (also what a table that loops back to itself gives)
    TModuleBuilder Module;
    const TEntry A = Module.AddCatalog("locale/de/LC_MESSAGES/a.mo", German);
    const TEntry B = Module.AddCatalog("LOCALE/de/LC_MESSAGES/A.mo", German);
    const TEntry C = Module.AddCatalog("locale/de/LC_MESSAGES/c.mo", German);
    EXPECT_EQ(Scan(Module, Module.AddTable({A, B, C})), FirstOnly);
  }
  {  // a catalog said to lie past the end of the file, or to be empty
    for (const std::uint64_t BadSize : {std::uint64_t{1} << 40, std::uint64_t{0}, ~std::uint64_t{0}}) {
      TModuleBuilder Module;
      const TEntry A = Module.AddCatalog("locale/de/LC_MESSAGES/a.mo", German);
      TEntry B = Module.AddCatalog("locale/de/LC_MESSAGES/b.mo", German);
      B.Size = BadSize;
      EXPECT_EQ(Scan(Module, Module.AddTable({A, B})), FirstOnly);
    }
  }
  {  // a next-entry offset past the end, before the entry, or leaving a name of megabytes
    for (const std::uint64_t BadNext : {std::uint64_t{1} << 62, std::uint64_t{10}, std::uint64_t{1} << 21}) {
      TModuleBuilder Module;
      const TEntry A = Module.AddCatalog("locale/de/LC_MESSAGES/a.mo", German);
      const TEntry B = Module.AddCatalog("locale/de/LC_MESSAGES/b.mo", German);
      const std::uint64_t Table = Module.AddTable({A, B});
      const std::uint64_t SecondEntry = Table + 24 + A.Name.size();
      Module.Bytes().replace(SecondEntry, 8, LittleEndian64(BadNext));
      Module.Bytes() += std::string(3 << 20, ' ');  // so that 2 MiB still lies inside the file
      EXPECT_EQ(Scan(Module, Table), FirstOnly) << BadNext;
    }
  }
  {  // the file ends inside the table
    TModuleBuilder Module;
    const TEntry A = Module.AddCatalog("locale/de/LC_MESSAGES/a.mo", German);
    const TEntry B = Module.AddCatalog("locale/de/LC_MESSAGES/b.mo", German);
    const std::uint64_t Table = Module.AddTable({A, B});
    Module.Bytes().resize(Module.Bytes().size() - 20);
    EXPECT_EQ(Scan(Module, Table), FirstOnly);
    EXPECT_EQ(Scan(Module, Module.Bytes().size() + 100), std::vector<String>());
  }
}

TEST(FileLocatorTest, DomainsShareOneLoadedCatalogWhileTheyHoldIt) {
  TTempDir Temp;
  TFileLocator Locator(ModuleFileName());
  const String Path = FixtureCatalog("de");
  std::shared_ptr<TMoFile> First = Locator.GetMoFile(Path);
  std::shared_ptr<TMoFile> Second = Locator.GetMoFile(Path);
  ASSERT_EQ(First, Second);
  EXPECT_EQ(First.use_count(), 2);  // the locator keeps no hold of its own
  const std::weak_ptr<TMoFile> Watch = First;
  First.reset();
  EXPECT_EQ(Translation(*Second, "Find"), "Suchen");  // still loaded for the other holder
  Second.reset();
  EXPECT_TRUE(Watch.expired());  // freed with the last holder
  EXPECT_EQ(Translation(*Locator.GetMoFile(Path), "Find"), "Suchen");

  // A file that is not a catalog is not kept; once repaired it loads.
  Temp.MakeFile("broken.mo", "not a catalog at all, not at all");
  EXPECT_THROW(Locator.GetMoFile(Temp.Folder() + u"broken.mo"), EGettextIOError);
  Temp.MakeFile("broken.mo", ReadFileBytes(StringToUtf8(Path)));
  EXPECT_EQ(Locator.GetMoFile(Temp.Folder() + u"broken.mo").use_count(), 1);
}
