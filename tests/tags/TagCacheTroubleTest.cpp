#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "TagCacheTestSupport.h"
#include "TempDir.h"
#include "Unprivileged.h"
#include "runtime/Format.h"
#include "tags/TagCacheConsts.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

const TFolderKey Folder{3, 30};

String NotUsed(const TCacheProbe& Probe, const TResStringRec& Reason) {
  return Format(LoadResString(&STagCacheNotUsed), {Utf8ToString(Probe.Path()), LoadResString(&Reason)});
}

String MadeAnew(const TCacheProbe& Probe) { return Format(LoadResString(&STagCacheMadeAnew), {Utf8ToString(Probe.Path())}); }

void Fill(const TCacheProbe& Probe, int Count) {
  TTagCache Cache(Probe.Options());
  Cache.Store(Cache.Lookup(Folder), TaggedFiles(3, 1, Count, u"First"));
}

// Whether a later run finds the files stored, and was not warned.
bool HoldsAfterwards(const TCacheProbe& Probe, const std::vector<TTaggedFile>& Files) {
  const std::size_t Warnings = Probe.Warnings().size();
  TTagCache Cache(Probe.Options());
  const TFolderTags Cached = Cache.Lookup(Folder);
  for (const TTaggedFile& File : Files)
    if (!Cached.Find(File.Key) || *Cached.Find(File.Key) != File.Tags) return false;
  return Probe.Warnings().size() == Warnings;
}

// One run that stores a folder, finishes and raises nothing.
void StoreOnce(TTagCache& Cache, const std::vector<TTaggedFile>& Files) {
  Cache.Store(Cache.Lookup(Folder), Files);
  Cache.Finish();
}

void OverwriteFrom(const std::string& Path, std::streamoff Offset, char Byte) {
  std::fstream File(Path, std::ios::in | std::ios::out | std::ios::binary);
  File.seekg(0, std::ios::end);
  const std::streamoff Size = File.tellg();
  File.seekp(Offset);
  File << std::string(static_cast<std::size_t>(Size - Offset), Byte);
}

}  // namespace

// A file that is no database, and a database damaged past its first page
// (met only by a lookup), are each made anew with one warning.
TEST(TagCacheTroubleTest, ADamagedCacheIsMadeAnewWithOneWarning) {
  TTempDir Dir;
  const std::vector<TTaggedFile> Files = TaggedFiles(3, 1, 5, u"Second");
  {
    TCacheProbe Probe(Dir.Path() + "garbage.sqlite");
    Dir.MakeFile("garbage.sqlite", std::string(5000, 'x'));
    TTagCache Cache(Probe.Options());
    EXPECT_TRUE(Cache.Active());
    StoreOnce(Cache, Files);
    EXPECT_EQ(Probe.Warnings(), std::vector{MadeAnew(Probe)});
    EXPECT_TRUE(HoldsAfterwards(Probe, Files));
  }
  TCacheProbe Probe(Dir.Path() + "pages.sqlite");
  Fill(Probe, 300);
  OverwriteFrom(Probe.Path(), 4096, '\xA5');
  TTagCache Cache(Probe.Options());
  EXPECT_TRUE(Probe.Warnings().empty());
  EXPECT_FALSE(Cache.Lookup(Folder).Known());
  EXPECT_TRUE(Cache.Active());
  StoreOnce(Cache, Files);
  EXPECT_EQ(Probe.Warnings(), std::vector{MadeAnew(Probe)});
  EXPECT_TRUE(HoldsAfterwards(Probe, Files));
}

// A database another connection keeps locked past the busy timeout, when
// the run opens it and when the run writes: the cache is off for that run
// with one warning, and the database is whole afterwards.
TEST(TagCacheTroubleTest, ALockedCacheIsOffForTheRunWithOneWarning) {
  TTempDir Dir;
  TCacheProbe Probe(Dir.Path() + "tags.sqlite");
  Fill(Probe, 3);
  {
    TTestConnection Holder(Probe.Path());
    ASSERT_EQ(Holder.Execute("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM marks;"), 0);
    TTagCache Cache(Probe.Options(100));
    EXPECT_FALSE(Cache.Active());
    EXPECT_FALSE(Cache.Lookup(Folder).Known());
    StoreOnce(Cache, TaggedFiles(3, 1, 3, u"Lost"));
    EXPECT_EQ(Probe.Warnings(), std::vector{NotUsed(Probe, STagCacheLocked)});
  }
  TCacheProbe Writer(Probe.Path());
  {
    TTagCache Cache(Writer.Options(100));
    const TFolderTags Cached = Cache.Lookup(Folder);
    EXPECT_EQ(Cached.Files().size(), 3u);
    TTestConnection Holder(Probe.Path());
    ASSERT_EQ(Holder.Execute("BEGIN IMMEDIATE; DELETE FROM marks;"), 0);
    Cache.Store(Cached, TaggedFiles(3, 1, 600, u"Waiting"));
    Cache.Finish();
    EXPECT_FALSE(Cache.Active());
    EXPECT_EQ(Writer.Warnings(), std::vector{NotUsed(Writer, STagCacheLocked)});
  }
  EXPECT_TRUE(HoldsAfterwards(Writer, TaggedFiles(3, 1, 3, u"First")));
}

// A cache folder the user may not write (the database new, or made before),
// as a user whom permissions bind: one warning, and the run goes on.
TEST(TagCacheTroubleTest, ACacheInAReadOnlyFolderIsOffWithOneWarning) {
  TTempDir Dir;
  Dir.MakeDir("new");
  TCacheProbe Made(Dir.Path() + "made/tags.sqlite");
  Fill(Made, 3);
  for (const char* Folder : {"new", "made"}) chmod((Dir.Path() + Folder).c_str(), 0500);
  const std::string Failure = RunWithoutOverride([&]() -> std::string {
    for (const char* Folder : {"new", "made"}) {
      TCacheProbe Probe(Dir.Path() + Folder + "/tags.sqlite");
      TTagCache Cache(Probe.Options(100));
      StoreOnce(Cache, TaggedFiles(3, 1, 3, u"Other"));
      if (Probe.Warnings() != std::vector{NotUsed(Probe, STagCacheNotWritable)}) return std::string(Folder) + ": warnings";
    }
    return FileExistsAt(Dir.Path() + "new/tags.sqlite") ? "a database was made" : "";
  });
  EXPECT_EQ(Failure, "");
}

// A database of a newer schema is left alone, byte for byte.
TEST(TagCacheTroubleTest, ANewerSchemaIsLeftAloneWithOneWarning) {
  TTempDir Dir;
  TCacheProbe Probe(Dir.Path() + "tags.sqlite");
  Fill(Probe, 3);
  // A newer program's database, in the rollback journal.
  ASSERT_EQ(TTestConnection(Probe.Path()).Execute("PRAGMA journal_mode = DELETE; PRAGMA user_version = 2"), 0);
  const std::string Before = ReadFileBytes(Probe.Path());
  {
    TTagCache Cache(Probe.Options());
    EXPECT_FALSE(Cache.Active());
    StoreOnce(Cache, TaggedFiles(3, 1, 3, u"Other"));
  }
  EXPECT_EQ(Probe.Warnings(), std::vector{NotUsed(Probe, STagCacheNewer)});
  EXPECT_EQ(ReadFileBytes(Probe.Path()), Before);
}

// Two processes store at once, into folders of their own and into the same
// folders, in many transactions each: no entry is lost, none is a mix of
// both, and neither is warned.
TEST(TagCacheTroubleTest, TwoProcessesStoringAtOnceLoseAndTearNothing) {
  TTempDir Dir;
  const std::string Path = Dir.Path() + "cache/tags.sqlite";
  constexpr int Folders = 60, FilesPerFolder = 25;
  int Start[2];
  ASSERT_EQ(pipe(Start), 0);
  pid_t Children[2];
  for (int Child = 0; Child < 2; ++Child) {
    Children[Child] = fork();
    ASSERT_GE(Children[Child], 0);
    if (Children[Child] > 0) continue;
    close(Start[1]);
    char Byte;
    if (read(Start[0], &Byte, 1) != 0) _exit(2);
    const String Origin = IntToStr(Child);
    TCacheProbe Probe(Path);
    {
      TTagCache Cache(Probe.Options());
      for (int F = 0; F < Folders; ++F) {
        const TFolderKey Own{static_cast<std::uint64_t>(Child + 1), static_cast<std::uint64_t>(F)};
        const TFolderKey Shared{9, static_cast<std::uint64_t>(F)};
        Cache.Store(Cache.Lookup(Own), TaggedFiles(Own.Device, 100, FilesPerFolder, Origin));
        Cache.Store(Cache.Lookup(Shared), TaggedFiles(9, 100, FilesPerFolder, Origin));
      }
    }
    _exit(Probe.Warnings().empty() ? 0 : 1);
  }
  close(Start[0]);
  close(Start[1]);
  for (const pid_t Child : Children) {
    int Status = -1;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << Status;
  }

  TCacheProbe Probe(Path);
  TTagCache Cache(Probe.Options());
  for (std::uint64_t F = 0; F < Folders; ++F) {
    for (std::uint64_t Device : {1, 2}) {
      const std::vector<TTaggedFile> Expected = TaggedFiles(Device, 100, FilesPerFolder, IntToStr(Device - 1));
      const TFolderTags Cached = Cache.Lookup({Device, F});
      ASSERT_EQ(Cached.Files().size(), Expected.size());
      EXPECT_TRUE(std::ranges::equal(Cached.Files(), Expected));
    }
    const TFolderTags Shared = Cache.Lookup({9, F});
    ASSERT_EQ(Shared.Files().size(), static_cast<std::size_t>(FilesPerFolder));
    for (const TTaggedFile& File : Shared.Files()) {
      const String Origin = File.Tags.Artist.substr(0, 1);
      EXPECT_EQ(File, TaggedFile(9, File.Key.Inode, Origin));
    }
  }
  EXPECT_TRUE(Probe.Warnings().empty());
}
