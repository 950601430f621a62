#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "TreeBuilder.h"
#include "Unprivileged.h"
#include "runtime/Exceptions.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

class PlayListReplaceTest : public TPlayListTest {
protected:
  struct stat Info(const std::string& Relative, bool Follow = true) const {
    struct stat Result {};
    (Follow ? stat : lstat)((Dir.Path() + Relative).c_str(), &Result);
    return Result;
  }

  // Temporary files left anywhere in the tree.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> Found;
    for (const auto& Entry : std::filesystem::recursive_directory_iterator(Dir.Path()))
      if (Entry.path().filename().string().starts_with(".cantrel-")) Found.push_back(Entry.path().string());
    return Found;
  }
};

String Messages(const TMakeReport& Report) {
  String Result;
  for (const TPlayListFailure& Failure : Report.Failures) Result += Failure.Message + u"\n";
  return Result;
}

}  // namespace

TEST_F(PlayListReplaceTest, ReadOnlyFoldersFailAloneOrAreOverwrittenInPlace) {
  FillFolder(Root, Dir, "", {"a.mp3"});
  AddFolder(Root, Dir, "Locked", {"l.mp3"});
  AddFolder(Root, Dir, "Kept", {"k.mp3"});
  AddFolder(Root, Dir, "Open", {"o.mp3"});
  Dir.MakeFile("Kept/p.m3u", std::string(300, 'x'));
  const ino_t KeptInode = Info("Kept/p.m3u").st_ino;
  chmod((Dir.Path() + "Locked").c_str(), 0555);
  chmod((Dir.Path() + "Kept").c_str(), 0555);

  const std::string Failures = RunWithoutOverride([&] {
    try {
      Root.makePlayList(u"p.m3u", true, false);
      return std::string("no failure");
    } catch (const EMakeError& Error) {
      return StringToUtf8(Messages(Error.Report()));
    }
  });
  EXPECT_EQ(Failures, "Cannot create file \"" + Dir.Path() + "Locked/p.m3u\". " + StringToUtf8(SysErrorMessage(EACCES)) + "\n");
  EXPECT_EQ(Read("Open/p.m3u"), CrLfLines({"#EXTM3U", "", "o.mp3"}));
  EXPECT_EQ(Read("Kept/p.m3u"), CrLfLines({"#EXTM3U", "", "k.mp3"}));
  EXPECT_EQ(Info("Kept/p.m3u").st_ino, KeptInode) << "overwritten in place";
  EXPECT_EQ(Read("p.m3u"), CrLfLines({"#EXTM3U", "", "a.mp3", "", "Locked/l.mp3", "", "Kept/k.mp3", "", "Open/o.mp3"}));
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(PlayListReplaceTest, ProtectedPlaylistsAndLinksOutsideAreLeftAloneLinksInsideWrittenThrough) {
  TTempDir Elsewhere;
  FillFolder(Root, Dir, "", {"a.mp3"});
  AddFolder(Root, Dir, "Protected", {"p.mp3"});
  AddFolder(Root, Dir, "In", {"i.mp3"});
  AddFolder(Root, Dir, "Out", {"o.mp3"});
  Dir.MakeFile("Protected/pl.m3u", "mine");
  chmod((Dir.Path() + "Protected/pl.m3u").c_str(), 0444);
  Dir.MakeFile("Store/in.m3u", "old");
  chmod((Dir.Path() + "Store/in.m3u").c_str(), 0640);
  ASSERT_EQ(symlink("../Store/in.m3u", (Dir.Path() + "In/pl.m3u").c_str()), 0);
  Elsewhere.MakeFile("theirs.m3u", "theirs");
  ASSERT_EQ(symlink((Elsewhere.Path() + "theirs.m3u").c_str(), (Dir.Path() + "Out/pl.m3u").c_str()), 0);

  // Also as root, which permission bits do not stop.
  try {
    Root.makePlayList(u"pl.m3u", true, false);
    FAIL();
  } catch (const EMakeError& Error) {
    EXPECT_EQ(Messages(Error.Report()),
              u"Cannot create file \"" + Dir.Folder() + u"Protected/pl.m3u\". It is write-protected\n" +
                  u"Cannot create file \"" + Dir.Folder() + u"Out/pl.m3u\". It is a symbolic link that leads outside \"" +
                  Dir.Folder() + u"\"\n");
  }
  EXPECT_EQ(Read("Protected/pl.m3u"), "mine");
  EXPECT_TRUE(S_ISLNK(Info("In/pl.m3u", false).st_mode));
  EXPECT_EQ(Read("Store/in.m3u"), CrLfLines({"#EXTM3U", "", "i.mp3"}));
  EXPECT_EQ(Info("Store/in.m3u").st_mode & 07777, 0640u) << "the mode is kept";
  EXPECT_EQ(ReadFileBytes(Elsewhere.Path() + "theirs.m3u"), "theirs");
  EXPECT_TRUE(S_ISLNK(Info("Out/pl.m3u", false).st_mode));
  EXPECT_EQ(Read("pl.m3u"), CrLfLines({"#EXTM3U", "", "a.mp3", "", "Protected/p.mp3", "", "In/i.mp3", "", "Out/o.mp3"}));
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(PlayListReplaceTest, AStopBetweenPlaylistsLeavesOnlyWholePlaylists) {
  FillFolder(Root, Dir, "", {"a.mp3"});
  for (const char* Name : {"A", "B", "C"}) AddFolder(Root, Dir, Name, {"x.mp3"});
  Dir.MakeFile("p.m3u", "old root playlist");
  int Asked = 0;
  TMakeOptions Options;
  Options.StopRequested = [&] { return ++Asked == 3; };
  const TMakeReport Report = Root.makePlayList(u"p.m3u", true, false, Options);
  EXPECT_TRUE(Report.Stopped);
  EXPECT_EQ(Asked, 3) << "asked before each playlist, and no more after the stop";
  EXPECT_TRUE(Exists("A/p.m3u"));
  EXPECT_TRUE(Exists("B/p.m3u"));
  EXPECT_FALSE(Exists("C/p.m3u"));
  EXPECT_EQ(Read("p.m3u"), "old root playlist");
  EXPECT_TRUE(Leftovers().empty());
}
