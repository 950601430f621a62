#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "TreeBuilder.h"
#include "runtime/Exceptions.h"
#include "runtime/Locale.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

class PlayListOutputTest : public TPlayListTest {};

}  // namespace

TEST_F(PlayListOutputTest, TemplateNamesTheFileAndFormatForcesTheExtension) {
  std::string Long;  // 250 bytes: 83 CJK characters and one letter
  for (int I = 0; I < 83; ++I) Long += "\xE9\x9F\xB3";
  Long += "x";
  const struct {
    std::string Folder;
    TPlayListFileFoamat Format;
    String Template;
    std::string Expected;
  } Cases[] = {
      {"Jazz", plXSPF, u"%ALBUM%.m3u", "Jazz/Jazz.xspf"},
      // The extension is forced on the template, so the folder's name keeps
      // what looks like an extension.
      {"Best.Of", plM3U, u"%album%", "Best.Of/Best.Of.m3u"},
      {"Greatest Hits Vol. 2", plM3U, u"%album%", "Greatest Hits Vol. 2/Greatest Hits Vol. 2.m3u"},
      {"L", plM3U8, u"list", "L/list.m3u8"},
      {"A", plASX, u"a.b.c", "A/a.b.asx"},
      {"W", plWPL, u"playall.m3u", "W/playall.wpl"},
      {"P", plPLS, u"%album%-%Album%.m3u", "P/P-P.pls"},
      {"X", static_cast<TPlayListFileFoamat>(9), u"odd.xspf", "X/odd.m3u"},
      {Long, plM3U, u"%album%", Long + "/" + Long + ".m3u"},
  };
  for (const auto& Case : Cases) {
    TPlayListFile Node;
    FillFolder(Node, Dir, Case.Folder, {"t.mp3"});
    Node.SetFormat(Case.Format);
    Node.makePlayList(Case.Template, false, false);
    EXPECT_TRUE(Exists(Case.Expected)) << Case.Expected;
  }
}

TEST_F(PlayListOutputTest, EmptyPathWritesIntoTheCurrentFolder) {
  char Previous[4096];
  ASSERT_NE(getcwd(Previous, sizeof Previous), nullptr);
  ASSERT_EQ(chdir(Dir.Path().c_str()), 0);
  Root.makePlayList(u"%album%.m3u", true, false);
  EXPECT_EQ(ReadFileBytes(Dir.Path() + ".m3u"), "#EXTM3U\r\n");
  ASSERT_EQ(chdir(Previous), 0);
}

TEST_F(PlayListOutputTest, EverySubFolderGetsTheSameFormat) {
  FillFolder(Root, Dir, "", {"a.mp3"});
  AddFolder(Root, Dir, "Sub", {"b.mp3"});
  for (TPlayListFileFoamat Format : {plWPL, plPLS, plXSPF, plASX, plM3U8}) {
    Root.SetFormat(Format);
    Root.makePlayList(u"playall.m3u", true, false);
    EXPECT_EQ(Root.Child(0)->Format(), Format);
  }
  for (const char* Name : {"playall.wpl", "playall.pls", "playall.xspf", "playall.asx", "playall.m3u8"}) {
    EXPECT_TRUE(Exists(Name)) << Name;
    EXPECT_TRUE(Exists(std::string("Sub/") + Name)) << Name;
  }
  EXPECT_FALSE(Exists("Sub/playall.m3u"));
}

TEST_F(PlayListOutputTest, FailuresAreReportedTogetherAfterEveryOtherPlaylist) {
  static_assert(std::is_base_of_v<EFCreateError, EMakeError>, "the window shows it as a file it cannot create");
  FillFolder(Root, Dir, "", {"a.mp3"});
  AddFolder(Root, Dir, "A", {"x.mp3"});
  TPlayListFile& Missing = AddFolder(Root, Dir, "B", {"y.mp3"});
  AddFolder(Root, Dir, "C", {"z.mp3"});
  Dir.MakeDir("C/playall.m3u");
  Missing.SetPath(Dir.Folder() + u"gone/");
  try {
    Root.makePlayList(u"playall.m3u", true, false);
    FAIL();
  } catch (const EMakeError& Error) {
    const String Gone = u"Cannot create file \"" + Dir.Folder() + u"gone/playall.m3u\". " + SysErrorMessage(ENOENT);
    EXPECT_EQ(Error.Message(), Gone);
    ASSERT_EQ(Error.Report().Failures.size(), 2u);
    EXPECT_EQ(Error.Report().Failures[0].PlayList, Dir.Folder() + u"gone/playall.m3u");
    EXPECT_EQ(Error.Report().Failures[0].Message, Gone);
    EXPECT_EQ(Error.Report().Failures[1].Message,
              u"Cannot create file \"" + Dir.Folder() + u"C/playall.m3u\". " + SysErrorMessage(EISDIR));
  }
  EXPECT_TRUE(Exists("A/playall.m3u"));
  EXPECT_EQ(Read("playall.m3u"),
            CrLfLines({"#EXTM3U", "", "a.mp3", "", "A/x.mp3", "", "gone/y.mp3", "", "C/z.mp3"}))
      << "parents still list the files of a folder whose playlist failed";
}

TEST_F(PlayListOutputTest, ReplacesOldPlaylistsAndLeavesEqualOnesAlone) {
  FillFolder(Root, Dir, "", {"a.mp3"});
  Dir.MakeFile("p.m3u", std::string(500, 'x'));
  Root.makePlayList(u"p.m3u", false, false);
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "p.m3u"), CrLfLines({"#EXTM3U", "", "a.mp3"}));

  const struct timespec Old[2] = {{1000000, 0}, {1000000, 0}};
  utimensat(AT_FDCWD, (Dir.Path() + "p.m3u").c_str(), Old, 0);
  Root.makePlayList(u"p.m3u", false, false);
  struct stat Info {};
  stat((Dir.Path() + "p.m3u").c_str(), &Info);
  EXPECT_EQ(Info.st_mtim.tv_sec, 1000000);
}

TEST_F(PlayListOutputTest, OutOfLineChildrenClimbWithDots) {
  // A node hung under the wrong parent still leads to its files.
  FillFolder(Root, Dir, "R", {});
  TPlayListFile& A = AddFolder(Root, Dir, "R/A", {});
  AddFolder(A, Dir, "R/B", {"b.mp3"});
  Root.makePlayList(u"p.m3u", true, true);
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "R/A/p.m3u"), CrLfLines({"#EXTM3U", "", "../B/b.mp3"}));
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "R/p.m3u"), CrLfLines({"#EXTM3U", "", "A/../B/b.mp3"}));
}

TEST_F(PlayListOutputTest, NothingIsWrittenOutsideTheFolderSearched) {
  FillFolder(Root, Dir, "R", {"a.mp3"});
  AddFolder(Root, Dir, "Beside", {"b.mp3"});
  const String Outside = u"\". It lies outside \"" + Dir.Folder() + u"R/\"";
  try {
    Root.makePlayList(u"p.m3u", true, false);
    FAIL();
  } catch (const EMakeError& Error) {
    EXPECT_EQ(Error.Message(), u"Cannot create file \"" + Dir.Folder() + u"Beside/p.m3u" + Outside);
  }
  EXPECT_FALSE(Exists("Beside/p.m3u"));
  EXPECT_TRUE(Exists("R/p.m3u"));
  // A name from the window's free text climbs out too.
  EXPECT_THROW(Root.makePlayList(u"../up.m3u", false, false), EMakeError);
  EXPECT_FALSE(Exists("up.m3u"));
}

TEST_F(PlayListOutputTest, ALargeTreeIsReportedInTheOrderOfASerialMake) {
  // Wide and deep enough that the playlists are written in pieces of both
  // kinds on several threads: whole small trees, and single playlists of
  // the folders above them. Some fail, in both.
  FillFolder(Root, Dir, "", {"r.mp3"});
  const auto Fails = [](const std::string& Path) { return Path.ends_with("1/"); };
  std::vector<std::pair<TPlayListFile*, std::string>> Expected;
  const std::function<void(TPlayListFile&, const std::string&, int)> Grow = [&](TPlayListFile& Node,
                                                                             const std::string& Path, int Depth) {
    for (int I = 0; Depth < 3 && I < 6; ++I) {
      const std::string Child = Path + std::to_string(I) + "/";
      TPlayListFile& Added = AddFolder(Node, Dir, Child.substr(0, Child.size() - 1), {"t.mp3"});
      Grow(Added, Child, Depth + 1);
    }
    if (Fails(Path)) Dir.MakeDir(Path + "p.m3u");
    Expected.emplace_back(&Node, Path);
  };
  Grow(Root, "", 0);
  std::vector<std::pair<const TPlayListFile*, std::string>> Reported;
  TMakeOptions Options;
  Options.OnWritten = [&](const TPlayListFile& Node, const String& Name, std::uint64_t) {
    Reported.emplace_back(&Node, StringToUtf8(Node.Path() + Name).substr(Dir.Path().size()));
  };
  try {
    Root.makePlayList(u"p.m3u", true, false, Options);
    FAIL();
  } catch (const EMakeError& Error) {
    std::vector<std::string> Failed;
    for (const TPlayListFailure& Failure : Error.Report().Failures) {
      Failed.push_back(StringToUtf8(Failure.PlayList).substr(Dir.Path().size()));
      EXPECT_EQ(Failure.Message, u"Cannot create file \"" + Failure.PlayList + u"\". " + SysErrorMessage(EISDIR));
    }
    std::vector<std::string> FailedInOrder;
    std::size_t Next = 0;
    for (const auto& [Node, Path] : Expected) {
      if (Fails(Path)) {
        FailedInOrder.push_back(Path + "p.m3u");
        continue;
      }
      ASSERT_LT(Next, Reported.size());
      EXPECT_EQ(Reported[Next].first, Node);
      EXPECT_EQ(Reported[Next++].second, Path + "p.m3u");
    }
    EXPECT_EQ(Next, Reported.size());
    EXPECT_EQ(Failed, FailedInOrder);
  }
  EXPECT_EQ(Read("0/2/p.m3u"), CrLfLines({"#EXTM3U", "", "t.mp3", "", "0/t.mp3", "", "1/t.mp3", "", "2/t.mp3", "",
                                          "3/t.mp3", "", "4/t.mp3", "", "5/t.mp3"}));
}

TEST_F(PlayListOutputTest, AStoppedMakeReportsEveryPlaylistItWrote) {
  FillFolder(Root, Dir, "", {"r.mp3"});
  for (int I = 0; I < 40; ++I) {
    TPlayListFile& Big = AddFolder(Root, Dir, "B" + std::to_string(I), {"b.mp3"});
    for (int J = 0; J < 40; ++J) AddFolder(Big, Dir, "B" + std::to_string(I) + "/" + std::to_string(J), {"s.mp3"});
  }
  std::set<std::string> Reported;
  int Asked = 0;
  TMakeOptions Options;
  Options.StopRequested = [&] { return ++Asked > 100; };
  Options.OnWritten = [&](const TPlayListFile& Node, const String& Name, std::uint64_t) {
    Reported.insert(StringToUtf8(Node.Path() + Name));
  };
  EXPECT_TRUE(Root.makePlayList(u"p.m3u", true, false, Options).Stopped);
  std::set<std::string> Written;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Dir.Path())) {
    EXPECT_FALSE(Entry.path().filename().string().starts_with(".cantrel-")) << Entry.path();
    if (Entry.path().filename() == "p.m3u") Written.insert(Entry.path().string());
  }
  EXPECT_EQ(Written, Reported);
  EXPECT_FALSE(Written.empty());
  EXPECT_FALSE(Exists("p.m3u"));
}
