#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "TempDir.h"
#include "Unprivileged.h"
#include "runtime/AtomicFile.h"
#include "runtime/Exceptions.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

struct timespec ModificationTime(const std::string& Path) {
  struct stat Info {};
  stat(Path.c_str(), &Info);
  return Info.st_mtim;
}

std::size_t EntriesIn(const std::string& Folder) {
  std::size_t Count = 0;
  for ([[maybe_unused]] const auto& Entry : std::filesystem::directory_iterator(Folder)) ++Count;
  return Count;
}

// Lowers the largest file this process may write, as a full disk would.
class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t Bytes) {
    getrlimit(RLIMIT_FSIZE, &FOld);
    FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit Limit = FOld;
    Limit.rlim_cur = Bytes;
    setrlimit(RLIMIT_FSIZE, &Limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FOld);
    std::signal(SIGXFSZ, FOldHandler);
  }

private:
  struct rlimit FOld {};
  void (*FOldHandler)(int);
};

}  // namespace

TEST(AtomicFileTest, WritesAndReplacesWholeFiles) {
  TTempDir Dir;
  const String Name = Dir.Folder() + u"list.m3u";
  WriteFileAtomically(Name, "first, longer content");
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "list.m3u"), "first, longer content");
  chmod((Dir.Path() + "list.m3u").c_str(), 0640);
  WriteFileAtomically(Name, "second");
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "list.m3u"), "second");
  struct stat Info {};
  stat((Dir.Path() + "list.m3u").c_str(), &Info);
  EXPECT_EQ(Info.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesIn(Dir.Path()), 1u) << "no temporary file stays behind";
}

TEST(AtomicFileTest, UnchangedContentKeepsTheTimeStamp) {
  TTempDir Dir;
  const std::string Path = Dir.Path() + "same.m3u";
  Dir.MakeFile("same.m3u", "#EXTM3U\r\n");
  const struct timespec Old {1000000, 0};
  const struct timespec Times[2] = {Old, Old};
  utimensat(AT_FDCWD, Path.c_str(), Times, 0);
  WriteFileAtomically(Dir.Folder() + u"same.m3u", "#EXTM3U\r\n");
  EXPECT_EQ(ModificationTime(Path).tv_sec, 1000000);
  WriteFileAtomically(Dir.Folder() + u"same.m3u", "#EXTM3U\r\na.mp3\r\n");
  EXPECT_NE(ModificationTime(Path).tv_sec, 1000000);
}

TEST(AtomicFileTest, FailureNamesThePathAndTheReason) {
  TTempDir Dir;
  Dir.MakeFile("plain");
  const struct {
    String Name;
    String Reason;
  } Cases[] = {
      {Dir.Folder() + u"missing/list.m3u", u"No such file or directory"},
      {Dir.Folder() + u"plain/list.m3u", u"Not a directory"},
  };
  for (const auto& Case : Cases) {
    try {
      WriteFileAtomically(Case.Name, "x");
      FAIL();
    } catch (const EFCreateError& Error) {
      EXPECT_EQ(Error.Message(), u"Cannot create file \"" + Case.Name + u"\". " + Case.Reason);
    }
  }
}

TEST(AtomicFileTest, FailurePartWayLeavesTheOldFileWhole) {
  TTempDir Dir;
  Dir.MakeFile("list.m3u", "old playlist");
  const String Name = Dir.Folder() + u"list.m3u";
  {
    TFileSizeLimit Limit(4096);
    EXPECT_THROW(WriteFileAtomically(Name, std::string(100000, 'x')), EFCreateError);
  }
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "list.m3u"), "old playlist");
  EXPECT_EQ(EntriesIn(Dir.Path()), 1u);
}

TEST(AtomicFileTest, PiecesAreComparedAsTheyComeAndOnlyADifferenceWrites) {
  TTempDir Dir;
  const std::string Path = Dir.Path() + "big.m3u";
  const String Folder = Dir.Folder();
  const String Name = Folder + u"big.m3u";
  std::string Old;
  for (int I = 0; Old.size() < 300000; ++I) Old += "Track " + std::to_string(I) + ".mp3\r\n";
  const auto Replace = [&](std::string_view Bytes, std::size_t Piece, bool Commit = true) {
    TFileReplacement File(Name, &Folder);
    for (std::size_t At = 0; At < Bytes.size(); At += Piece) File.Write(Bytes.substr(At, Piece));
    if (Commit) File.Commit();
  };
  Dir.MakeFile("big.m3u", Old);
  chmod(Path.c_str(), 0640);
  const struct timespec Times[2] = {{1000000, 0}, {1000000, 0}};
  utimensat(AT_FDCWD, Path.c_str(), Times, 0);

  // The same bytes, in pieces of any size, leave the file alone.
  for (const std::size_t Piece : {std::size_t{1000}, std::size_t{65536}, std::size_t{299999}}) Replace(Old, Piece);
  EXPECT_EQ(ModificationTime(Path).tv_sec, 1000000);

  // A difference part-way, the old bytes before it taken over; the same
  // dropped without Commit changes nothing.
  std::string Changed = Old;
  Changed[200000] = '#';
  Replace(Changed, 4096, false);
  EXPECT_EQ(ReadFileBytes(Path), Old);
  EXPECT_EQ(ModificationTime(Path).tv_sec, 1000000);
  Replace(Changed, 4096);
  EXPECT_EQ(ReadFileBytes(Path), Changed);

  // Fewer bytes than the file holds, and more.
  Replace(std::string_view(Changed).substr(0, 123456), 70000);
  EXPECT_EQ(ReadFileBytes(Path), Changed.substr(0, 123456));
  Replace(Changed + "more", 70000);
  EXPECT_EQ(ReadFileBytes(Path), Changed + "more");
  struct stat Info {};
  stat(Path.c_str(), &Info);
  EXPECT_EQ(Info.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesIn(Dir.Path()), 1u) << "no temporary file stays behind";
}

TEST(AtomicFileTest, AFileWithOtherHardLinksIsReplacedButNeverOverwrittenInPlace) {
  TTempDir Dir, Snapshot;
  const String Folder = Dir.Folder();
  for (const char* Name : {"Open", "Locked"}) {
    Dir.MakeFile(std::string(Name) + "/p.m3u", "old");
    ASSERT_EQ(link((Dir.Path() + Name + "/p.m3u").c_str(), (Snapshot.Path() + Name).c_str()), 0);
  }
  chmod((Dir.Path() + "Locked").c_str(), 0555);
  const auto Replace = [&](const char* Relative) {
    try {
      TFileReplacement File(Folder + Utf8ToString(Relative), &Folder);
      File.Write("new");
      File.Commit();
      return std::string("written");
    } catch (const EFCreateError& Error) {
      return StringToUtf8(Error.Message());
    }
  };
  // Where no temporary file can be made, only an overwrite would do: the
  // other name would change too.
  EXPECT_EQ(RunWithoutOverride([&] { return Replace("Open/p.m3u") + "\n" + Replace("Locked/p.m3u"); }),
            "written\nCannot create file \"" + Dir.Path() + "Locked/p.m3u\". It has other hard links");
  chmod((Dir.Path() + "Locked").c_str(), 0755);
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "Open/p.m3u"), "new");
  EXPECT_EQ(ReadFileBytes(Snapshot.Path() + "Open"), "old");
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "Locked/p.m3u"), "old");
  EXPECT_EQ(ReadFileBytes(Snapshot.Path() + "Locked"), "old");
}

TEST(AtomicFileTest, AnInPlaceOverwriteOnAFullDiskLeavesTheOldFile) {
  TTempDir Dir;
  const std::string Disk = Dir.Path() + "disk";
  ASSERT_EQ(mkdir(Disk.c_str(), 0755), 0);
  const std::string Result = RunInOwnMounts([&] {
    if (mount("tmpfs", Disk.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) return std::string("no tmpfs");
    const std::string List = Disk + "/list.m3u";
    WriteFileAtomically(Utf8ToString(List), "old playlist");
    const int Filler = open((Disk + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const std::string Block(4096, 'f');
    while (write(Filler, Block.data(), Block.size()) > 0) {
    }
    close(Filler);
    // No temporary file can be made: the playlist is overwritten in place.
    chmod(Disk.c_str(), 0555);
    if (!DropOverride()) return std::string("cannot drop the capabilities");
    const String Folder = Utf8ToString(Disk);
    try {
      TFileReplacement File(Utf8ToString(List), &Folder);
      File.Write(std::string(20000, 'x'));
      File.Commit();
      return std::string("written");
    } catch (const EFCreateError& Error) {
      return StringToUtf8(Error.Message()) + "\n" + ReadFileBytes(List);
    }
  });
  if (Result == NoOwnMounts) GTEST_SKIP() << Result;
  EXPECT_EQ(Result, "Cannot create file \"" + Disk + "/list.m3u\". " + StringToUtf8(SysErrorMessage(ENOSPC)) +
                        "\nold playlist");
}

// As a settings file kept by a dotfile manager: the link stays, and what it
// leads to gets the bytes, wherever it lies.
TEST(AtomicFileTest, ALinkIsWrittenThroughNotReplacedByACopy) {
  TTempDir Dir, Store;
  Store.MakeFile("real.ini", "old");
  ASSERT_EQ(symlink((Store.Path() + "real.ini").c_str(), (Store.Path() + "hop.ini").c_str()), 0);
  ASSERT_EQ(symlink((Store.Path() + "hop.ini").c_str(), (Dir.Path() + "chain.ini").c_str()), 0);
  ASSERT_EQ(symlink("missing/../new.ini", (Dir.Path() + "dangling.ini").c_str()), 0);
  Dir.MakeDir("missing");
  ASSERT_EQ(mkfifo((Store.Path() + "fifo").c_str(), 0600), 0);
  ASSERT_EQ(symlink((Store.Path() + "fifo").c_str(), (Dir.Path() + "fifo.ini").c_str()), 0);

  WriteFileAtomically(Dir.Folder() + u"chain.ini", "new");
  EXPECT_EQ(ReadFileBytes(Store.Path() + "real.ini"), "new");
  WriteFileAtomically(Dir.Folder() + u"dangling.ini", "made");
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "new.ini"), "made");
  EXPECT_THROW(WriteFileAtomically(Dir.Folder() + u"fifo.ini", "x"), EFCreateError);
  struct stat Info {};
  for (const char* Link : {"chain.ini", "dangling.ini", "fifo.ini"})
    EXPECT_TRUE(lstat((Dir.Path() + Link).c_str(), &Info) == 0 && S_ISLNK(Info.st_mode)) << Link;
  EXPECT_TRUE(lstat((Store.Path() + "fifo").c_str(), &Info) == 0 && S_ISFIFO(Info.st_mode));
  EXPECT_EQ(EntriesIn(Store.Path()), 3u) << "no temporary file stays behind";
}
