#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "TempDir.h"
#include "runtime/PathBeneath.h"

using namespace cantrel;
using namespace cantrel::test;

TEST(PathBeneathTest, LinksAreFollowedOnlyWhileTheyStayInside) {
  TTempDir Dir, Elsewhere;
  Dir.MakeFile("Music/Store/in.m3u", "x");
  Dir.MakeDir("Music/In");
  const std::string Music = std::filesystem::canonical(Dir.Path() + "Music").string();
  const auto Link = [&](const std::string& Target, const std::string& Name) {
    ASSERT_EQ(symlink(Target.c_str(), (Dir.Path() + "Music/" + Name).c_str()), 0) << Name;
  };
  Link("../Store/in.m3u", "In/relative.m3u");
  Link(Music + "/Store/in.m3u", "In/absolute.m3u");
  Link("relative.m3u", "In/chain.m3u");
  Link("../Store/new.m3u", "In/dangling.m3u");
  Link("../../Music/Store/in.m3u", "In/around.m3u");
  Link(Elsewhere.Path() + "x.m3u", "In/away.m3u");
  Link(Elsewhere.Path(), "Away");
  Link("loop2", "In/loop1");
  Link("loop1", "In/loop2");
  const TFileHandle Root = OpenFolder(Dir.Path() + "Music");
  ASSERT_TRUE(Root.Valid());
  struct stat Stored {};
  ASSERT_EQ(stat((Music + "/Store").c_str(), &Stored), 0);

  // Where each path ends: the folder's inode and the name, or how it fails.
  const auto Resolve = [&](const char* Path) {
    TBeneathPlace Place;
    switch (ResolveBeneath(Root.Get(), Path, Place)) {
      case TBeneath::bnOutside:
        return std::string("outside");
      case TBeneath::bnFailed:
        return "failed " + std::to_string(errno);
      case TBeneath::bnInside:
        break;
    }
    struct stat Folder {};
    fstat(Place.FolderHandle(Root.Get()), &Folder);
    return std::string(Folder.st_ino == Stored.st_ino ? "Store/" : "elsewhere/") + Place.Name;
  };
  for (const char* Path : {"In/relative.m3u", "In/absolute.m3u", "In/chain.m3u", "In/../Store/in.m3u"})
    EXPECT_EQ(Resolve(Path), "Store/in.m3u") << Path;
  EXPECT_EQ(Resolve("In/dangling.m3u"), "Store/new.m3u");
  for (const char* Path : {"In/around.m3u", "In/away.m3u", "Away/x.m3u", "../Music/Store/in.m3u"})
    EXPECT_EQ(Resolve(Path), "outside") << Path;
  EXPECT_EQ(Resolve("In/loop1"), "failed " + std::to_string(ELOOP));
}
