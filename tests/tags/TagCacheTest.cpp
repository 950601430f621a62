#include <gtest/gtest.h>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "ScopedEnvironment.h"
#include "TagCacheTestSupport.h"
#include "TempDir.h"
#include "tags/TagCacheLocation.h"

using namespace cantrel;
using namespace cantrel::test;
using namespace std::chrono;

namespace {

const system_clock::time_point FirstDay = sys_days{2024y / March / 4};

struct stat StatOf(const std::string& Path) {
  struct stat Info {};
  stat(Path.c_str(), &Info);
  return Info;
}

mode_t ModeOf(const std::string& Path) { return StatOf(Path).st_mode & 07777; }

// Writes the same number of other bytes into the file and puts its
// modification time back, as a tagger editing within a tag's padding does;
// the change time moves on (waiting out a coarse file system clock).
void EditInPlaceKeepingTime(const std::string& Path) {
  const struct stat Before = StatOf(Path);
  for (int Try = 0; Try < 200 && StatOf(Path).st_ctim.tv_nsec == Before.st_ctim.tv_nsec &&
                    StatOf(Path).st_ctim.tv_sec == Before.st_ctim.tv_sec;
       ++Try) {
    std::this_thread::sleep_for(milliseconds(10));
    const int Handle = open(Path.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(Handle, "EDITED", 6, 0), 6);
    const struct timespec Times[2] = {Before.st_atim, Before.st_mtim};
    futimens(Handle, Times);
    close(Handle);
  }
}

}  // namespace

// Every field comes back exactly (texts UTF-8 cannot carry included), and a
// second run over the same folders hits every file and writes no row.
TEST(TagCacheTest, AWarmRunOverUnchangedFoldersWritesNoRow) {
  TTempDir Dir;
  TCacheProbe Probe(Dir.Path() + "tags.sqlite");
  const TFolderKey Rock{5, 100}, Jazz{5, 200};
  std::vector<TTaggedFile> RockFiles = TaggedFiles(5, 1000, 40, u"Rock");
  RockFiles[0].Tags = {u"Title & <x>\n\"quoted\"", u"Артист", u"专辑 🎵", 3, 1, 215000};
  RockFiles[1].Tags = {String(u"kept \xDC80\xDCFF bytes"), String(u"lone \xD800 and \xDC00"), u"", 0, 0, -1};
  // A file on another device (reached through a link) and one reached twice.
  RockFiles.push_back(TaggedFile(9, 1000, u"Linked"));
  RockFiles.push_back(RockFiles[5]);
  const std::vector<TTaggedFile> JazzFiles = TaggedFiles(5, 2000, 3, u"Jazz");

  {
    TTagCache Cache(Probe.OptionsAt(FirstDay));
    for (const auto& [Folder, Files] : {std::pair{Rock, RockFiles}, std::pair{Jazz, JazzFiles}}) {
      const TFolderTags Cached = Cache.Lookup(Folder);
      EXPECT_FALSE(Cached.Known());
      EXPECT_EQ(Cached.Find(Files[0].Key), nullptr);
      Cache.Store(Cached, Files);
    }
    Cache.Finish();
    // 41 + 3 files, 2 folders and the pruning mark.
    EXPECT_EQ(Cache.RowsWritten(), 47);
  }
  TTagCache Cache(Probe.OptionsAt(FirstDay + days(2)));
  for (const auto& [Folder, Files] : {std::pair{Rock, RockFiles}, std::pair{Jazz, JazzFiles}}) {
    const TFolderTags Cached = Cache.Lookup(Folder);
    ASSERT_TRUE(Cached.Known());
    for (const TTaggedFile& File : Files) {
      const TMediaTags* Tags = Cached.Find(File.Key);
      ASSERT_NE(Tags, nullptr);
      EXPECT_EQ(*Tags, File.Tags);
    }
    Cache.Store(Cached, Files);
  }
  EXPECT_EQ(Cache.Lookup(Rock).Files().size(), 41u);
  // Lookups share a read transaction, which a commit ends: another
  // program's writes meanwhile can then be folded in whole, however long a
  // watch goes on.
  TTestConnection Other(Probe.Path());
  ASSERT_EQ(Other.Execute("INSERT INTO marks(name, value) VALUES('other', 1)"), SQLITE_OK);
  Cache.Commit();
  EXPECT_EQ(Other.Query("PRAGMA wal_checkpoint(TRUNCATE)"), "0");
  Cache.Finish();
  EXPECT_EQ(Cache.RowsWritten(), 0);
  EXPECT_FALSE(Cache.Active());
  EXPECT_EQ(TTestConnection(Probe.Path()).Query("PRAGMA journal_mode"), "wal");
  EXPECT_TRUE(Probe.Warnings().empty());
}

// A file rewritten in place with its size and modification time kept is a
// miss (its change time moved); a file gone from the folder is dropped.
TEST(TagCacheTest, AFileChangedInPlaceIsAMissAndAGoneFileIsDropped) {
  TTempDir Dir;
  TCacheProbe Probe(Dir.Path() + "cache/tags.sqlite");
  for (const char* Name : {"a.mp3", "b.mp3", "c.mp3"}) Dir.MakeFile(std::string("album/") + Name, "ID3 and some audio");
  const TFolderKey Album = FolderKeyOf(StatOf(Dir.Path() + "album"));
  const auto KeyOf = [&](const char* Name) { return FileKeyOf(StatOf(Dir.Path() + "album/" + Name)); };
  const TTaggedFile A{KeyOf("a.mp3"), {u"A", u"", u"", 1, 0, 1000}};
  const TTaggedFile B{KeyOf("b.mp3"), {u"B", u"", u"", 2, 0, 2000}};
  const TTaggedFile C{KeyOf("c.mp3"), {u"C", u"", u"", 3, 0, 3000}};
  {
    TTagCache Cache(Probe.OptionsAt(FirstDay));
    Cache.Store(Cache.Lookup(Album), std::vector{A, B, C});
  }
  EXPECT_EQ(ModeOf(Dir.Path() + "cache"), 0700u);

  EditInPlaceKeepingTime(Dir.Path() + "album/a.mp3");
  unlink((Dir.Path() + "album/c.mp3").c_str());
  const TFileKey NewA = KeyOf("a.mp3");
  ASSERT_EQ(NewA.Size, A.Key.Size);
  ASSERT_EQ(NewA.ModifiedNs, A.Key.ModifiedNs);
  ASSERT_NE(NewA.ChangedNs, A.Key.ChangedNs);
  const TTaggedFile ReadAgain{NewA, {u"A edited", u"", u"", 1, 0, 1000}};
  {
    TTagCache Cache(Probe.OptionsAt(FirstDay));
    const TFolderTags Cached = Cache.Lookup(Album);
    EXPECT_EQ(Cached.Find(NewA), nullptr);
    EXPECT_NE(Cached.FindFile(NewA), nullptr);
    ASSERT_NE(Cached.Find(B.Key), nullptr);
    Cache.Store(Cached, std::vector{ReadAgain, B});
    Cache.Finish();
    // a.mp3 replaced, c.mp3 deleted.
    EXPECT_EQ(Cache.RowsWritten(), 2);
  }
  TTagCache Cache(Probe.OptionsAt(FirstDay));
  const TFolderTags Cached = Cache.Lookup(Album);
  EXPECT_EQ(Cached.Files().size(), 2u);
  ASSERT_NE(Cached.Find(NewA), nullptr);
  EXPECT_EQ(Cached.Find(NewA)->Title, u"A edited");
  EXPECT_EQ(Cached.FindFile(C.Key), nullptr);
  // A folder that holds no file any more goes whole.
  Cache.Store(Cached, {});
  Cache.Finish();
  EXPECT_EQ(Cache.RowsWritten(), 3);
  EXPECT_TRUE(Probe.Warnings().empty());
}

// A folder's seen mark moves on once a week at most; a folder not stored
// for about 90 days is gone after the run that finds it so.
TEST(TagCacheTest, FoldersNotSeenForAboutNinetyDaysArePruned) {
  TTempDir Dir;
  TCacheProbe Probe(Dir.Path() + "tags.sqlite");
  const TFolderKey Old{7, 1}, Kept{7, 2};
  const std::vector<TTaggedFile> OldFiles = TaggedFiles(7, 10, 2, u"Old");
  const std::vector<TTaggedFile> KeptFiles = TaggedFiles(7, 20, 2, u"Kept");
  {
    TTagCache Cache(Probe.OptionsAt(FirstDay));
    Cache.Store(Cache.Lookup(Old), OldFiles);
    Cache.Store(Cache.Lookup(Kept), KeptFiles);
  }
  {
    TTagCache Cache(Probe.OptionsAt(FirstDay + days(50)));
    Cache.Store(Cache.Lookup(Kept), KeptFiles);
    Cache.Finish();
    // Kept's seen mark and the pruning mark.
    EXPECT_EQ(Cache.RowsWritten(), 2);
  }
  {
    TTagCache Cache(Probe.OptionsAt(FirstDay + days(95)));
    EXPECT_EQ(Cache.Lookup(Old).Files().size(), 2u);
    Cache.Store(Cache.Lookup(Kept), KeptFiles);
    Cache.Finish();
    // Kept's seen mark, the pruning mark, Old and its two files.
    EXPECT_EQ(Cache.RowsWritten(), 5);
  }
  TTagCache Cache(Probe.OptionsAt(FirstDay + days(96)));
  EXPECT_FALSE(Cache.Lookup(Old).Known());
  EXPECT_EQ(Cache.Lookup(Kept).Files().size(), 2u);
  EXPECT_EQ(TTestConnection(Probe.Path()).Query("SELECT count(*) FROM files"), "2");
}

TEST(TagCacheTest, LiesInTheUsersCacheFolderMadePrivate) {
  TTempDir Dir;
  const std::string Home = Dir.Path() + "home";
  {
    TScopedEnvironment Environment{{"HOME", Home}, {"XDG_CACHE_HOME", std::nullopt}};
    EXPECT_EQ(DefaultTagCachePath(), Utf8ToString(Home + "/.cache/cantrel/tags.sqlite"));
  }
  {
    TScopedEnvironment Environment{{"HOME", Home}, {"XDG_CACHE_HOME", "relative/cache"}};
    EXPECT_EQ(DefaultTagCachePath(), Utf8ToString(Home + "/.cache/cantrel/tags.sqlite"));
  }
  TScopedEnvironment Environment{{"HOME", Home}, {"XDG_CACHE_HOME", Dir.Path() + "xdg"}};
  EXPECT_EQ(DefaultTagCachePath(), Utf8ToString(Dir.Path() + "xdg/cantrel/tags.sqlite"));
  TTagCache Cache;
  EXPECT_TRUE(Cache.Active());
  EXPECT_EQ(Cache.Path(), DefaultTagCachePath());
  EXPECT_EQ(ModeOf(Dir.Path() + "xdg"), 0700u);
  EXPECT_EQ(ModeOf(Dir.Path() + "xdg/cantrel"), 0700u);
}
