#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "TempDir.h"
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
