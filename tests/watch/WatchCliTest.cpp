// cantrel-cli --watch on real trees: scripted changes against fresh runs, the work a change costs, the end.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "AudioFiles.h"
#include "FuseMirror.h"
#include "RunProgram.h"
#include "Waiting.h"
#include "WatchTree.h"

using namespace cantrel::test;
namespace fs = std::filesystem;

namespace {

const std::vector<std::string> Options{"-q", "-f", "*.mp3;*.ogg", "-n", "%album%.m3u"};

std::vector<std::string> WatchArguments(const std::string& Folder, std::vector<std::string> More = {}) {
  std::vector<std::string> Arguments = Options;
  Arguments.insert(Arguments.end(), {"--watch", "-v", "--settle", "0.2"});
  Arguments.insert(Arguments.end(), More.begin(), More.end());
  Arguments.push_back(Folder);
  return Arguments;
}

void Write(const std::string& Path, const std::string& Bytes = "x") { std::ofstream(Path, std::ios::binary) << Bytes; }

// The watched tree holds exactly what a fresh run makes of a copy of its
// media files and folders: every playlist byte for byte, and nothing else.
// With More options, the run has a tag cache of its own.
void ExpectAsFreshRun(const TTempDir& Library, const std::vector<std::string>& More = {}) {
  TTempDir Copies, Scratch;
  // Under the same name: the top playlist is named after it.
  const std::string Copy = Copies.Path() + fs::path(Library.Path()).parent_path().filename().string() + "/";
  CopyWithout(Library.Path(), Copy, ".m3u");
  std::vector<std::string> Arguments = Options;
  Arguments.insert(Arguments.end(), More.begin(), More.end());
  Arguments.push_back(Copy);
  const TCliResult Fresh =
      RunCli(Scratch, {.Arguments = Arguments, .Environment = {"XDG_CACHE_HOME=" + Scratch.Path() + "cache"}});
  ASSERT_EQ(Fresh.Status, 0) << Fresh.Err;
  EXPECT_EQ(TreeContents(Library.Path()), TreeContents(Copy));
}

std::string Tagged(const char16_t* Title, const char* Track) {
  return MakeAudioFile(TAudioFormat::afMp3, 1000, {Title, u"Artist", u"Album", Track, ""});
}

// Writes the file's new bytes over the old ones, as a tagger does.
void Rewrite(const std::string& Path, const std::string& Bytes) {
  const int File = open(Path.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(File, 0);
  EXPECT_EQ(write(File, Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
  EXPECT_EQ(ftruncate(File, static_cast<off_t>(Bytes.size())), 0);
  close(File);
}

}  // namespace

TEST(WatchCliTest, EveryKindOfChangeEndsAsAFreshRunWouldWrite) {
  TTempDir Library, Outside, Scratch;
  for (const char* File : {"Rock/a.mp3", "Rock/b.mp3", "Rock/Live/c.mp3", "Jazz/d.ogg", "Jazz/Old/e.mp3",
                           "Pop.mp3/f.mp3", "notes.txt"})
    Library.MakeFile(File, File);
  Outside.MakeFile("Incoming/g.mp3", "g");
  Outside.MakeFile("Incoming/Deep/h.mp3", "h");
  // Each step's changes take milliseconds: well within one settle time.
  TWatchRun Watch(Scratch, WatchArguments(Library.Path(), {"--settle", "0.5"}));
  ASSERT_EQ(Watch.UpToDate(1), "up to date: 6 folders read, 6 playlists written") << Watch.Errors();
  ExpectAsFreshRun(Library);

  // Files added, removed, renamed in their folder and across folders, a
  // burst of new folders, and files that no mask admits.
  Write(Library.Path() + "Rock/new.mp3");
  fs::remove(Library.Path() + "Rock/b.mp3");
  fs::rename(Library.Path() + "Rock/a.mp3", Library.Path() + "Rock/a2.mp3");
  fs::rename(Library.Path() + "Jazz/d.ogg", Library.Path() + "Rock/Live/d.ogg");
  for (int Folder = 0; Folder < 10; ++Folder) {
    const std::string Path = Library.Path() + "Burst/" + std::to_string(Folder) + "/";
    fs::create_directories(Path);
    for (int File = 0; File < 30; ++File) Write(Path + std::to_string(File) + ".mp3");
  }
  Write(Library.Path() + "Jazz/cover.jpg");
  ASSERT_FALSE(Watch.NextUpToDate().empty()) << Watch.Errors();
  ExpectAsFreshRun(Library);

  // Folders renamed (the playlist named after the old name goes), moved
  // across folders, replaced by a file, moved in from outside and out.
  fs::rename(Library.Path() + "Rock", Library.Path() + "Hard Rock");
  fs::rename(Library.Path() + "Jazz/Old", Library.Path() + "Hard Rock/Old");
  fs::remove_all(Library.Path() + "Pop.mp3");
  Write(Library.Path() + "Pop.mp3");
  fs::rename(Outside.Path() + "Incoming", Library.Path() + "Jazz/Incoming");
  fs::rename(Library.Path() + "Burst/3", Outside.Path() + "Gone");
  ASSERT_FALSE(Watch.NextUpToDate().empty()) << Watch.Errors();
  ExpectAsFreshRun(Library);
  EXPECT_FALSE(fs::exists(Library.Path() + "Hard Rock/Rock.m3u"));

  // A playlist changed by hand since is not the watcher's to remove.
  Write(Library.Path() + "Hard Rock/Hard Rock.m3u", "mine");
  fs::rename(Library.Path() + "Hard Rock", Library.Path() + "Metal");
  ASSERT_FALSE(Watch.NextUpToDate().empty()) << Watch.Errors();
  EXPECT_EQ(TreeContents(Library.Path())["Metal/Hard Rock.m3u"], "mine");

  const TCliResult Result = Watch.Stop(SIGTERM);
  EXPECT_EQ(Result.Status, 0) << Result.Err;
}

TEST(WatchCliTest, OneFileReadsOneFolderAndWritesThePlaylistsAboveIt) {
  TTempDir Library, Scratch;
  for (int A = 0; A < 4; ++A)
    for (int B = 0; B < 7; ++B)
      for (int C = 0; C < 6; ++C)
        Library.MakeFile("a" + std::to_string(A) + "/b" + std::to_string(B) + "/c" + std::to_string(C) + "/t.mp3");
  TWatchRun Watch(Scratch, WatchArguments(Library.Path()));
  ASSERT_EQ(Watch.UpToDate(1), "up to date: 201 folders read, 201 playlists written") << Watch.Errors();
  const auto Before = TreeContents(Library.Path());
  Write(Library.Path() + "a1/b2/c3/new.mp3");
  EXPECT_EQ(Watch.UpToDate(2), "up to date: 1 folders read, 4 playlists written") << Watch.Errors();
  // Those four changed, and nothing else.
  const std::string Root = fs::path(Library.Path()).parent_path().filename().string() + ".m3u";
  auto After = TreeContents(Library.Path());
  auto Unchanged = Before;
  for (const std::string& Changed : {Root, std::string("a1/a1.m3u"), std::string("a1/b2/b2.m3u"),
                                     std::string("a1/b2/c3/c3.m3u")}) {
    EXPECT_NE(After[Changed], Before.at(Changed)) << Changed;
    After.erase(Changed);
    Unchanged.erase(Changed);
  }
  After.erase("a1/b2/c3/new.mp3");
  EXPECT_EQ(After, Unchanged);
  EXPECT_EQ(Watch.Stop(SIGINT).Status, 0);
}

TEST(WatchCliTest, TheFolderRemovedEndsTheWatchWithOneLine) {
  TTempDir Base, Scratch;
  const std::string Folder = Base.Path() + "Music/";
  Base.MakeFile("Music/Album/a.mp3");
  TWatchRun Watch(Scratch, WatchArguments(Folder));
  ASSERT_FALSE(Watch.UpToDate(1).empty()) << Watch.Errors();
  fs::remove_all(Folder);
  const TCliResult Result = Watch.Wait();
  EXPECT_EQ(Result.Status, 1);
  const std::string Last = Result.Err.substr(Result.Err.rfind("up to date"));
  EXPECT_EQ(std::count(Last.begin(), Last.end(), '\n'), 2) << Result.Err;
  EXPECT_NE(Last.find(Folder), std::string::npos) << Result.Err;
}

// The kernel's limits lowered for a user namespace of its own: what cannot
// be watched is said once, with the sysctl, and read again on the rescan
// timer. The watches run out at the fifth folder; no instance at all is left
// with the other limit.
TEST(WatchCliTest, WhatCannotBeWatchedIsSaidOnceAndReadAgainPeriodically) {
  const std::string Probe = "echo 4 > /proc/sys/user/max_inotify_watches";
  if (RunProgram({"unshare", "-Ur", "/bin/sh", "-c", Probe}) != 0)
    GTEST_SKIP() << "no user namespace with limits of its own here";
  const struct {
    std::string Limit;
    std::string Said;
  } Cases[] = {{"max_inotify_watches=4", "6 folders are not watched"},
               {"max_inotify_instances=0", "fs.inotify.max_user_instances="}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Limit);
    TTempDir Library, Scratch;
    for (int Folder = 0; Folder < 9; ++Folder) Library.MakeFile("f" + std::to_string(Folder) + "/t.mp3");
    const std::string Name = Case.Limit.substr(0, Case.Limit.find('='));
    const std::string Command =
        "echo " + Case.Limit.substr(Name.size() + 1) + " > /proc/sys/user/" + Name + " && exec \"$0\" \"$@\"";
    std::vector<std::string> Arguments{"-Ur", "/bin/sh", "-c", Command, CANTREL_CLI_PATH};
    for (const std::string& Argument : WatchArguments(Library.Path(), {"--rescan", "0.01"}))
      Arguments.push_back(Argument);
    TWatchRun Watch(Scratch, Arguments, {}, "/usr/bin/unshare");
    ASSERT_FALSE(Watch.UpToDate(1).empty()) << Watch.Errors();
    EXPECT_NE(Watch.Errors().find(Case.Said), std::string::npos) << Watch.Errors();
    // No event comes from f8: the rescan finds the file.
    Write(Library.Path() + "f8/new.mp3");
    ASSERT_FALSE(Watch.UpToDate(2).empty()) << Watch.Errors();
    ExpectAsFreshRun(Library);
    const std::string Said = Watch.Stop(SIGTERM).Err;
    EXPECT_EQ(Said.find("sysctl"), Said.rfind("sysctl")) << Said;
  }
}

TEST(WatchCliTest, WatchOptionsOutOfRangeOrCombinedWithOthersAreBadUsage) {
  TTempDir Library, Scratch;
  for (const std::vector<std::string>& Arguments :
       {std::vector<std::string>{"--watch", "--settle", "1.2345"}, {"--watch", "--settle", "-1"},
        {"--watch", "--settle", "86400.001"}, {"--watch", "--rescan", "0"}, {"--watch", "--list"},
        {"--watch", "-L"}}) {
    std::vector<std::string> Call = Arguments;
    Call.push_back(Library.Path());
    const TCliResult Result = RunCli(Scratch, Call);
    EXPECT_EQ(Result.Status, 2) << Arguments[1] << " " << Arguments.back() << Result.Err;
  }
}

// With --tags and --order tags, a file rewritten in place with new tags
// (IN_CLOSE_WRITE) is followed as a file added or moved is: each time the
// playlists are what a fresh run writes.
TEST(WatchCliTest, TagsFollowFilesRetaggedInPlace) {
  TTempDir Library, Scratch;
  Library.MakeFile("A/1.mp3", Tagged(u"One", "2"));
  Library.MakeFile("A/2.mp3", Tagged(u"Two", "1"));
  Library.MakeFile("B/3.mp3", Tagged(u"Three", "1"));
  const std::vector<std::string> Tags{"--tags", "--order", "tags"};
  TWatchRun Watch(Scratch, WatchArguments(Library.Path(), Tags), {"XDG_CACHE_HOME=" + Scratch.Path() + "cache"});
  ASSERT_FALSE(Watch.UpToDate(1).empty()) << Watch.Errors();
  ExpectAsFreshRun(Library, Tags);

  // The same size, then another size and another place in the album.
  const std::string Same = Tagged(u"Owl", "2");
  ASSERT_EQ(Same.size(), ReadFileBytes(Library.Path() + "A/1.mp3").size());
  Rewrite(Library.Path() + "A/1.mp3", Same);
  ASSERT_FALSE(Watch.NextUpToDate().empty()) << Watch.Errors();
  EXPECT_NE(ReadFileBytes(Library.Path() + "A/A.m3u").find("Artist - Owl"), std::string::npos);
  ExpectAsFreshRun(Library, Tags);
  Rewrite(Library.Path() + "A/2.mp3", Tagged(u"A longer title", "3"));
  ASSERT_FALSE(Watch.NextUpToDate().empty()) << Watch.Errors();
  ExpectAsFreshRun(Library, Tags);

  Library.MakeFile("B/0.mp3", Tagged(u"Zero", "2"));
  fs::rename(Library.Path() + "A/1.mp3", Library.Path() + "B/1.mp3");
  ASSERT_FALSE(Watch.NextUpToDate().empty()) << Watch.Errors();
  ExpectAsFreshRun(Library, Tags);
  EXPECT_EQ(Watch.Stop(SIGTERM).Status, 0);
}

// A folder on FUSE is watched, but what changes below the mount without
// passing through it is only found by reading it again: said once, and
// done every --rescan minutes. The mirror is read-only, so each playlist
// it would write is reported instead.
TEST(WatchCliTest, AFuseMountIsReadAgainPeriodically) {
  TTempDir Source, Base, Scratch;
  Source.MakeFile("A/a.mp3");
  Source.MakeFile("B/b.mp3");
  const std::string Mount = Base.Path() + "Music";
  fs::create_directory(Mount);
  const TFuseMirror Mirror(Source.Path(), Mount);
  if (!Mirror.Mounted()) GTEST_SKIP() << "FUSE cannot be mounted here";
  TWatchRun Watch(Scratch, WatchArguments(Mount + "/", {"--rescan", "0.005"}));
  ASSERT_FALSE(Watch.UpToDate(1).empty()) << Watch.Errors();
  const auto Count = [&Watch](const std::string& Text) {
    const std::string Errors = Watch.Errors();
    int Found = 0;
    for (std::size_t At = Errors.find(Text); At != std::string::npos; At = Errors.find(Text, At + 1)) ++Found;
    return Found;
  };
  const std::string Said = "lies on a network or FUSE file system";
  EXPECT_EQ(Count(Said), 1) << Watch.Errors();
  const int Before = Count(Mount + "/A/A.m3u");

  Source.MakeFile("A/new.mp3");
  EXPECT_EQ(Watch.NextUpToDate(), "up to date: 3 folders read, 0 playlists written") << Watch.Errors();
  EXPECT_EQ(Count(Mount + "/A/A.m3u"), Before + 1) << Watch.Errors();
  EXPECT_EQ(Count(Mount + "/B/B.m3u"), Before) << Watch.Errors();
  EXPECT_EQ(Count(Said), 1) << Watch.Errors();
  EXPECT_EQ(Watch.Stop(SIGTERM).Status, 0);
}
