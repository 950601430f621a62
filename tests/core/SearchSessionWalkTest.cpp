#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "TempDir.h"
#include "Waiting.h"
#include "core/SearchSession.h"
#include "runtime/Locale.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

struct TWalk {
  TPlayListFile Root;
  TFileEnumerator Enumerator;
  TSearchSession Session{Root};
  std::vector<String> Lines;
  bool Done = false;
  int Ends = 0;

  void Start(const TFindOptions& Options) {
    Enumerator.SetOnEnterDirectoryEx([this](const String& Directory, const TEnteredDirectory& Entered) {
      Session.EnterDirectory(Directory, Entered);
    });
    Enumerator.SetOnDirectoryError(
        [this](const String& Directory, const String& Message) { Session.DirectoryError(Directory, Message); });
    Enumerator.SetOnTerminateTask([this](int, bool Aborted, const std::optional<String>& Failure) {
      Session.Terminated(Aborted, Failure);
      Done = true;
      ++Ends;
    });
    Session.Find(Enumerator, Options, [this, Options](const String& Directory, const TSearchRec& FileInfo) {
      Lines.push_back(Session.FileFound(Directory, FileInfo, Options.Folder));
    });
  }

  void Run(const TFindOptions& Options) {
    Start(Options);
    ASSERT_TRUE(PumpUntil([this] { return Done; }));
  }
};

}  // namespace

TEST(SearchSessionWalkTest, FindBuildsTheTreeFromARealWalk) {
  SetUserLocaleName("en_US");
  TTempDir Dir;
  for (const char* File : {"r1.mp3", "A/a1.MP3", "A/X/x1.ogg", "B/b1.flac", "B/notes.txt", ".hidden/h.wav"})
    Dir.MakeFile(File);
  TWalk Walk;
  TFindOptions Options;
  Options.FilterText = u"Supported Audio Files (*.aiff;*.aifc;*.mp3;*.mp2;*.ogg;*.flac;*.it;*.xm;*.s3m;*.mod;*.spx;*.wma;*.wav)";
  Options.Folder = Dir.Folder();
  Walk.Run(Options);
  EXPECT_EQ(Walk.Lines, (std::vector<String>{u"r1.mp3", u".hidden/h.wav", u"A/a1.MP3", u"A/X/x1.ogg", u"B/b1.flac"}));
  EXPECT_EQ(Walk.Session.DirCount(), 5);
  ASSERT_EQ(Walk.Root.ChildCount(), 3);
  EXPECT_EQ(Walk.Root.Child(1)->Child(0)->Path(), Dir.Folder() + u"A/X/");
  EXPECT_EQ(Walk.Root.Count(), 5);

  TWalk Flat;
  Options.Recursion = false;
  Flat.Run(Options);
  EXPECT_EQ(Flat.Lines, std::vector<String>{u"r1.mp3"});
  EXPECT_EQ(Flat.Root.ChildCount(), 0);
  EXPECT_EQ(Flat.Session.DirectoriesText(), u"1 directories");

  // Masks written with blanks after the ";", as in a translation.
  TWalk Spaced;
  Options.FilterText = u"Lieder (*.mp3; *.flac)";
  Options.Recursion = true;
  Spaced.Run(Options);
  EXPECT_EQ(Spaced.Lines, (std::vector<String>{u"r1.mp3", u"A/a1.MP3", u"B/b1.flac"}));
  SetUserLocaleName("");
}

TEST(SearchSessionWalkTest, MakeStopsWhenAskedAndWritesNothingAfterAFailure) {
  SetUserLocaleName("en_US");
  TTempDir Dir;
  Dir.MakeFile("A/a1.mp3");
  TWalk Walk;
  TFindOptions Options;
  Options.FilterText = u"*.mp3";
  Options.Folder = Dir.Folder();
  Walk.Run(Options);

  TMakeRequest Request;
  Request.NameTemplate = u"list.m3u";
  Request.StopRequested = [] { return true; };
  EXPECT_TRUE(Walk.Session.Make(Request).Stopped);
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "A/list.m3u"));

  Request.StopRequested = nullptr;
  Walk.Session.Terminated(false, u"Out of memory");
  EXPECT_THROW(Walk.Session.Make(Request), ESearchFailedError);
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "A/list.m3u"));
  SetUserLocaleName("");
}

TEST(SearchSessionWalkTest, MakeWritesNothingWhereAFolderChangedSinceTheSearch) {
  SetUserLocaleName("en_US");
  TTempDir Dir, Elsewhere, Target, Other;
  for (const char* File : {"r.mp3", "Kept/k.mp3", "Renewed/n.mp3", "Swapped/s.mp3", "Swapped/Below/b.mp3"})
    Dir.MakeFile(File);
  Elsewhere.MakeDir("Below");
  Target.MakeFile("t.mp3");
  ASSERT_EQ(symlink(Target.Path().c_str(), (Dir.Path() + "Linked").c_str()), 0);
  TWalk Walk;
  TFindOptions Options;
  Options.FilterText = u"*.mp3";
  Options.Folder = Dir.Folder();
  Options.FollowLinks = true;
  Walk.Run(Options);
  TMakeRequest Request;
  Request.NameTemplate = u"list.m3u";
  const auto Failures = [&] {
    std::vector<String> Result;
    for (const TPlayListFailure& Failure : Walk.Session.Make(Request).Failures) Result.push_back(Failure.Message);
    return Result;
  };
  const auto Changed = [&](const char* PlayList) {
    return u"Cannot create file \"" + Dir.Folder() + Utf8ToString(PlayList) +
           u"\". Its folder changed since the search";
  };

  // A folder swapped for a link, and one for another folder.
  std::filesystem::remove_all(Dir.Path() + "Swapped");
  ASSERT_EQ(symlink(Elsewhere.Path().c_str(), (Dir.Path() + "Swapped").c_str()), 0);
  ASSERT_EQ(rename((Dir.Path() + "Renewed").c_str(), (Dir.Path() + "Former").c_str()), 0);
  Dir.MakeDir("Renewed");
  EXPECT_EQ(Failures(), (std::vector<String>{Changed("Renewed/list.m3u"), Changed("Swapped/Below/list.m3u"),
                                             Changed("Swapped/list.m3u")}));
  EXPECT_TRUE(std::filesystem::is_empty(Elsewhere.Path() + "Below"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Elsewhere.Path()), {}), 1);
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "Renewed/list.m3u"));
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "Former/list.m3u"));
  EXPECT_TRUE(FileExistsAt(Dir.Path() + "Kept/list.m3u"));
  EXPECT_TRUE(FileExistsAt(Dir.Path() + "list.m3u"));
  // The walk went into the link: so does Make, while it leads where it led.
  EXPECT_EQ(ReadFileBytes(Target.Path() + "list.m3u"), CrLfLines({"#EXTM3U", "", "t.mp3"}));

  std::filesystem::remove(Dir.Path() + "Linked");
  ASSERT_EQ(symlink(Other.Path().c_str(), (Dir.Path() + "Linked").c_str()), 0);
  EXPECT_EQ(Failures().front(), Changed("Linked/list.m3u"));
  EXPECT_TRUE(std::filesystem::is_empty(Other.Path()));
  SetUserLocaleName("");
}

TEST(SearchSessionWalkTest, AFolderThatCannotBeOpenedFailsTheSearchAtOnce) {
  TTempDir Dir;
  TWalk Walk;
  TFindOptions Options;
  Options.FilterText = u"*.mp3";
  Options.Folder = Dir.Folder() + u"missing/";
  EXPECT_THROW(Walk.Session.Find(Walk.Enumerator, Options, nullptr), ESearchFailedError);
  EXPECT_EQ(Walk.Session.Failure(), SysErrorMessage(ENOENT));
  EXPECT_EQ(Walk.Enumerator.GetRunningTasks(), 0);
  TMakeRequest Request;
  Request.NameTemplate = u"list.m3u";
  EXPECT_THROW(Walk.Session.Make(Request), ESearchFailedError);
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "list.m3u"));
}

TEST(SearchSessionWalkTest, FindEndsTheSearchThatRunsAndEndEndsItForGood) {
  TTempDir Library, Other;
  for (int Folder = 0; Folder < 300; ++Folder) Library.MakeFile("F" + std::to_string(Folder) + "/a.mp3");
  Other.MakeFile("o.mp3");
  TWalk Walk;
  Walk.Enumerator.SetSynchronizationMode(TFileEnumeratorSyncMode::smBatched);
  TFindOptions Options;
  Options.FilterText = u"*.mp3";
  Options.Folder = Library.Folder();
  Walk.Start(Options);
  ASSERT_TRUE(PumpUntil([&] { return !Walk.Lines.empty(); }));

  // Nothing of the first search reaches the second one's tree.
  Walk.Lines.clear();
  Options.Folder = Other.Folder();
  Walk.Run(Options);
  EXPECT_FALSE(CheckSynchronize(50));
  EXPECT_EQ(Walk.Lines, std::vector<String>{u"o.mp3"});
  EXPECT_EQ(Walk.Root.Count(), 1);
  EXPECT_EQ(Walk.Ends, 1);

  // Ended, it counts as stopped and says no more.
  Options.Folder = Library.Folder();
  Walk.Start(Options);
  ASSERT_TRUE(PumpUntil([&] { return Walk.Lines.size() > 1; }));
  Walk.Session.End();
  const std::size_t Listed = Walk.Lines.size();
  EXPECT_EQ(Walk.Enumerator.GetRunningTasks(), 0);
  EXPECT_FALSE(CheckSynchronize(50));
  EXPECT_EQ(Walk.Lines.size(), Listed);
  EXPECT_EQ(Walk.Ends, 1);
  EXPECT_EQ(Walk.Session.MakeAvailability(), TMakeAvailability::maSearchStopped);
}
