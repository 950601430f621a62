// TLibraryWatcher where the kernel fails it: watches that run out, events lost to a full queue.
#include "watch/LibraryWatcher.h"

#include <poll.h>
#include <sys/inotify.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "Waiting.h"
#include "WatchTree.h"
#include "filesearch/FileSearchCriteria.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

long WatchLimit() {
  std::ifstream File("/proc/sys/fs/inotify/max_user_watches");
  long Value = 0;
  File >> Value;
  return Value;
}

std::string FileBytes(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << File.rdbuf();
  return Bytes.str();
}

// An empty tree of Library for the watcher to fill, *.mp3 below it, list.m3u
// in every folder, a short settle time.
void Prepare(const TTempDir& Library, TPlayListFile& Root, TFileSearchCriteria& Criteria, TWatchSettings& Settings) {
  Root.SetName(Library.Folder());
  Root.SetPath(Library.Folder());
  Criteria.SetFileMask(u"*.mp3");
  Criteria.SetIncludeSubDirectories(true);
  Settings.NameTemplate = u"list.m3u";
  Settings.Settle = std::chrono::milliseconds(50);
}

}  // namespace

TEST(LibraryWatcherTest, WatchesThatRunOutAreSaidOnceAndTheirFoldersRescanned) {
  TTempDir Library;
  for (const char* File : {"A/a.mp3", "B/b.mp3", "C/c.mp3", "C/D/d.mp3"}) Library.MakeFile(File);
  TPlayListFile Root;
  TFileSearchCriteria Criteria;
  TWatchSettings Settings;
  Prepare(Library, Root, Criteria, Settings);
  Settings.Rescan = std::chrono::milliseconds(200);
  int Said = 0, Unwatched = 0, Settled = 0;
  long Needed = 0;
  TWatchEvents Events;
  Events.OnWatchLimit = [&](int Folders, long Limit) {
    ++Said;
    Unwatched = Folders;
    Needed = Limit;
  };
  Events.OnSettled = [&](int, int) { ++Settled; };
  // The system's call for the root and A; the kernel's answer to a full
  // table for every other folder.
  int Calls = 0;
  const auto AddWatch = [&Calls](int Instance, int Folder, std::uint32_t Mask) {
    if (++Calls > 2) {
      errno = ENOSPC;
      return -1;
    }
    return inotify_add_watch(Instance, ("/proc/self/fd/" + std::to_string(Folder)).c_str(), Mask);
  };
  TLibraryWatcher Watcher(Root, std::make_shared<const TFileHandle>(OpenFolder(Library.Path())), Criteria, Settings,
                          Events, AddWatch);
  ASSERT_TRUE(Watcher.Attach());
  EXPECT_EQ(Said, 1);
  EXPECT_EQ(Unwatched, 3);
  EXPECT_EQ(Needed, WatchLimit() + 3);

  // No event comes from D: the rescan finds the file.
  Library.MakeFile("C/D/new.mp3");
  EXPECT_TRUE(Watcher.Run([&] { return Settled >= 2; }));
  EXPECT_EQ(FileBytes(Library.Path() + "C/D/list.m3u"), "#EXTM3U\r\n\r\nd.mp3\r\nnew.mp3\r\n");
  EXPECT_EQ(FileBytes(Library.Path() + "C/list.m3u"), "#EXTM3U\r\n\r\nc.mp3\r\n\r\nD/d.mp3\r\nD/new.mp3\r\n");
  EXPECT_EQ(Said, 1);
}

// The kernel's queue overflowed: every event meanwhile is lost and one
// IN_Q_OVERFLOW comes instead. The whole tree is read again, and the
// playlists end as a fresh run writes them.
TEST(LibraryWatcherTest, AnOverflowedQueueReadsTheWholeTreeAgain) {
  TTempDir Library, Copies, Scratch;
  for (const char* File : {"A/a.mp3", "B/b.mp3", "B/C/c.mp3"}) Library.MakeFile(File);
  const std::vector<std::string> Options{"-q", "-f", "*.mp3", "-n", "list.m3u"};
  const auto Make = [&](const std::string& Folder) {
    std::vector<std::string> Arguments = Options;
    Arguments.push_back(Folder);
    ASSERT_EQ(RunCli(Scratch, Arguments).Status, 0);
  };
  Make(Library.Path());
  TPlayListFile Root;
  TFileSearchCriteria Criteria;
  TWatchSettings Settings;
  Prepare(Library, Root, Criteria, Settings);
  int Settled = 0, Read = 0;
  TWatchEvents Events;
  Events.OnSettled = [&](int Folders, int) {
    ++Settled;
    Read = Folders;
  };
  bool Lose = false;
  const auto ReadEvents = [&Lose](int Instance, void* Buffer, std::size_t Size) {
    const ssize_t Got = read(Instance, Buffer, Size);
    if (!Lose || Got <= 0) return Got;
    Lose = false;
    const inotify_event Overflow{-1, IN_Q_OVERFLOW, 0, 0};
    std::memcpy(Buffer, &Overflow, sizeof Overflow);
    return static_cast<ssize_t>(sizeof Overflow);
  };
  TLibraryWatcher Watcher(Root, std::make_shared<const TFileHandle>(OpenFolder(Library.Path())), Criteria, Settings,
                          Events, {}, ReadEvents);
  ASSERT_TRUE(Watcher.Attach());

  Lose = true;
  Library.MakeFile("A/new.mp3");
  std::filesystem::remove(Library.Path() + "B/C/c.mp3");
  Library.MakeFile("D/d.mp3");
  // Nothing but the overflow could wake it: a minute at most.
  Watcher.Begin([] { return false; });
  EXPECT_TRUE(WaitUntil([&] {
    pollfd Waiting{Watcher.Handle(), POLLIN, 0};
    EXPECT_TRUE(Watcher.Step(poll(&Waiting, 1, 0) > 0));
    return Settled >= 2;
  }));
  EXPECT_FALSE(Lose);
  EXPECT_EQ(Read, 5);
  const std::string Copy = Copies.Path() + "Library/";
  CopyWithout(Library.Path(), Copy, ".m3u");
  Make(Copy);
  EXPECT_EQ(TreeContents(Library.Path()), TreeContents(Copy));
}
