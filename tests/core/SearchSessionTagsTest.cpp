#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "AudioFiles.h"
#include "FuseMirror.h"
#include "TempDir.h"
#include "Waiting.h"
#include "core/SearchSession.h"
#include "core/TagReading.h"
#include "runtime/Locale.h"
#include "tags/MediaTags.h"
#include "tags/TagReader.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

struct TTaggedWalk {
  TPlayListFile Root;
  TFileEnumerator Enumerator;
  TSearchSession Session{Root};
  bool WalkEnded = false;
  int SearchEnds = 0;
  int LastRead = -1;
  int LastTotal = -1;
  std::function<void(const String& Directory)> AfterEnter;

  void Start(const TFindOptions& Options) {
    Enumerator.SetOnEnterDirectoryEx([this](const String& Directory, const TEnteredDirectory& Entered) {
      Session.EnterDirectory(Directory, Entered);
      if (AfterEnter) AfterEnter(Directory);
    });
    Enumerator.SetOnTerminateTask([this](int, bool Aborted, const std::optional<String>& Failure) {
      WalkEnded = true;
      if (Session.Terminated(Aborted, Failure)) ++SearchEnds;
    });
    Session.SetOnTagsProgress([this](int Read, int Total) {
      LastRead = Read;
      LastTotal = Total;
    });
    Session.SetOnSearchEnd([this] { ++SearchEnds; });
    Session.Find(Enumerator, Options, [this, Options](const String& Directory, const TSearchRec& FileInfo) {
      Session.FileFound(Directory, FileInfo, Options.Folder);
    });
  }
};

// A search of Dir with its own tag readers and no tag cache.
TFindOptions TagFind(const TTempDir& Dir, const String& Filter) {
  TFindOptions Options;
  Options.FilterText = Filter;
  Options.Folder = Dir.Folder();
  Options.TagReaders = 2;
  Options.TagCache = false;
  return Options;
}

// Files FLAC files n.flac, all titled "T", in each of Folders folders F0, F1 and on.
void MakeSongs(const TTempDir& Dir, int Folders, int Files) {
  const std::string Song = MakeAudioFile(TAudioFormat::afFlac, 1000, {u"T", u"A", u"B", "1", ""});
  for (int Folder = 0; Folder < Folders; ++Folder)
    for (int File = 0; File < Files; ++File)
      Dir.MakeFile("F" + std::to_string(Folder) + "/" + std::to_string(File) + ".flac", Song);
}

TMediaTags Expected(const char* Title, const char* Artist, int Track, int Disc, int LengthMs) {
  TMediaTags Tags;
  Tags.Title = Utf8ToString(Title);
  Tags.Artist = Utf8ToString(Artist);
  Tags.Album = u"Album";
  Tags.Track = Track;
  Tags.Disc = Disc;
  Tags.Length = LengthMs;
  return Tags;
}

}  // namespace

// Each node gets its own files' tags in its own order, read from the files
// by descriptors; a folder swapped after the walk gives its files none, and
// Make is not available until every file was read.
TEST(SearchSessionTagsTest, EveryFileGetsItsOwnTagsAfterTheWalk) {
  SetUserLocaleName("en_US");
  TTempDir Dir;
  const auto Make = [&](const std::string& Name, TAudioFormat Format, const char* Title, const char* Artist,
                        const char* Track, const char* Disc) {
    Dir.MakeFile(Name, MakeAudioFile(Format, 2000, {Utf8ToString(Title), Utf8ToString(Artist), u"Album", Track, Disc}));
  };
  Make("b.flac", TAudioFormat::afFlac, "Zwei", "Ärzte", "2", "1/2");
  Make("a.mp3", TAudioFormat::afMp3, "Eins", "", "10", "");
  Make("Sub/Deep/c.m4a", TAudioFormat::afMp4, "Drei", "Α", "3/12", "2");
  Make("Sub/d.ogg", TAudioFormat::afOggVorbis, "Vier", "B", "", "");
  Dir.MakeFile("Sub/broken.mp3", "no audio at all");
  Make("Gone/e.opus", TAudioFormat::afOggOpus, "Fünf", "C", "1", "");

  TTaggedWalk Walk;
  TFindOptions Options = TagFind(Dir, u"Audio (*.mp3;*.flac;*.m4a;*.ogg;*.opus)");
  Options.Tags = true;
  Options.TagReaders = 3;
  Walk.Start(Options);
  ASSERT_TRUE(PumpUntil([&] { return Walk.WalkEnded; }));
  // The walk's own end does not end a search that reads tags.
  EXPECT_EQ(Walk.SearchEnds, 0);
  EXPECT_EQ(Walk.Session.MakeAvailability(), TMakeAvailability::maSearching);
  ASSERT_TRUE(PumpUntil([&] { return Walk.SearchEnds > 0; }));
  EXPECT_EQ(Walk.SearchEnds, 1);
  EXPECT_EQ(Walk.Session.MakeAvailability(), TMakeAvailability::maAvailable);
  // Reading may be over before the first progress report is due.
  EXPECT_TRUE(Walk.LastTotal == -1 || Walk.LastTotal == 6) << Walk.LastTotal;

  TPlayListFile& Root = Walk.Root;
  ASSERT_EQ(Root.Tags().size(), 2u);
  EXPECT_EQ(Root.Tags()[0], Expected("Eins", "", 10, 0, Root.Tags()[0].Length));
  EXPECT_GE(Root.Tags()[0].Length, 2000);
  EXPECT_EQ(Root.Tags()[1], Expected("Zwei", "Ärzte", 2, 1, 2000));
  const TPlayListFile& Gone = *Root.Child(0);
  const TPlayListFile& Sub = *Root.Child(1);
  ASSERT_EQ(Sub.Items().Count(), 2);
  ASSERT_EQ(Sub.Tags().size(), 2u);
  EXPECT_EQ(Sub.Tags()[0], TMediaTags());
  EXPECT_EQ(Sub.Tags()[1].Title, u"Vier");
  EXPECT_EQ(Sub.Child(0)->Tags().at(0), Expected("Drei", "Α", 3, 2, Sub.Child(0)->Tags()[0].Length));
  EXPECT_EQ(Gone.Tags().at(0).Title, u"Fünf");

  // Read again after a folder was swapped for another with the same file:
  // nothing is read through the stranger.
  std::filesystem::rename(Dir.Path() + "Gone", Dir.Path() + "Moved");
  std::filesystem::create_directory(Dir.Path() + "Gone");
  std::filesystem::copy_file(Dir.Path() + "Moved/e.opus", Dir.Path() + "Gone/e.opus");
  bool Read = false;
  TTagReading Again(std::make_shared<const TFileHandle>(OpenFolder(Dir.Path())), 2, {}, [&] { Read = true; });
  for (TPlayListFile* Node : {&Root, Root.Child(0), Root.Child(1), Root.Child(1)->Child(0)}) Again.Add(Root, *Node);
  Again.Close();
  ASSERT_TRUE(PumpUntil([&] { return Read; }));
  EXPECT_EQ(Gone.Tags().at(0), TMediaTags());
  EXPECT_EQ(Sub.Tags()[1].Title, u"Vier");

  // Asking Make for other tag options than the search read with.
  Walk.Session.ChooseTagOptions(true, true);
  EXPECT_EQ(Walk.Session.MakeAvailability(), TMakeAvailability::maTagsNotRead);
  EXPECT_EQ(Walk.Session.MakeUnavailableReason(), u"Press Find again to read the tags.");
  Walk.Session.ChooseTagOptions(true, false);
  EXPECT_EQ(Walk.Session.MakeAvailability(), TMakeAvailability::maAvailable);
  SetUserLocaleName("");
}

// A folder's tags are read as soon as the walk has gone on to the next
// folder, not after the walk: the walk's report of the last folder waits
// here, on the main thread, until the first one's files were opened.
TEST(SearchSessionTagsTest, TagsAreReadWhileTheWalkGoesOn) {
  TTempDir Dir;
  MakeSongs(Dir, 2, 2);
  TTaggedWalk Walk;
  const std::uint64_t OpenedBefore = MediaFilesOpened();
  int Entered = 0;
  bool ReadDuringWalk = false;
  Walk.AfterEnter = [&](const String&) {
    if (++Entered == 3) ReadDuringWalk = WaitUntil([&] { return MediaFilesOpened() - OpenedBefore >= 2; });
  };
  TFindOptions Options = TagFind(Dir, u"FLAC (*.flac)");
  Options.Tags = true;
  Walk.Start(Options);
  ASSERT_TRUE(PumpUntil([&] { return Walk.SearchEnds > 0; }));
  EXPECT_TRUE(ReadDuringWalk);
  for (int I = 0; I < 2; ++I) EXPECT_EQ(Walk.Root.Child(I)->Tags().at(1).Title, u"T");
}

// Through a file system that keeps each call waiting (a 2 ms mirror), the
// readers beyond one a processor join: more calls than processors are
// served at once.
TEST(SearchSessionTagsTest, ReadersJoinWhenReadingWaitsForTheFileSystem) {
  const unsigned Processors = std::max(1u, std::thread::hardware_concurrency());
  if (Processors >= 16) GTEST_SKIP() << "as many processors as readers";
  TTempDir Music;
  MakeSongs(Music, 40, 3);
  TTempDir Mount;
  const TFuseMirror Mirror(Music.Path(), Mount.Path(), 2);
  if (!Mirror.Mounted()) GTEST_SKIP() << "FUSE cannot be mounted here";
  TPlayListFile Root;
  Root.SetPath(Mount.Folder());
  bool Read = false;
  TTagReading Reading(std::make_shared<const TFileHandle>(OpenFolder(Mount.Path())), 16, {}, [&] { Read = true; });
  for (int Folder = 0; Folder < 40; ++Folder) {
    TPlayListFile& Node = *Root.AddChild();
    Node.SetPath(Mount.Folder() + u"F" + Utf8ToString(std::to_string(Folder)) + u"/");
    for (int File = 0; File < 3; ++File) Node.Items().Add(Utf8ToString(std::to_string(File) + ".flac"));
    Reading.Add(Root, Node);
  }
  Reading.Close();
  ASSERT_TRUE(PumpUntil([&] { return Read; }));
  EXPECT_EQ(Root.Child(39)->Tags().at(2).Title, u"T");
  EXPECT_GT(Mirror.MostCallsAtOnce(), Processors);
}

// A search stopped while it reads tags ends as a stopped one, and nothing
// of its reading reaches the tree or the handlers afterwards.
TEST(SearchSessionTagsTest, AStopWhileReadingTagsEndsTheSearch) {
  TTempDir Dir;
  MakeSongs(Dir, 40, 25);
  TTaggedWalk Walk;
  TFindOptions Options = TagFind(Dir, u"FLAC (*.flac)");
  Options.OrderByTags = true;
  Walk.Start(Options);
  ASSERT_TRUE(PumpUntil([&] { return Walk.WalkEnded; }));
  ASSERT_EQ(Walk.SearchEnds, 0);
  Walk.Session.End();
  EXPECT_EQ(Walk.Session.MakeAvailability(), TMakeAvailability::maSearchStopped);
  const int Progress = Walk.LastRead;
  for (const auto Until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
       std::chrono::steady_clock::now() < Until;)
    CheckSynchronize(20);
  EXPECT_EQ(Walk.LastRead, Progress);
  EXPECT_EQ(Walk.SearchEnds, 0);
  for (int I = 0; I < Walk.Root.ChildCount(); ++I) EXPECT_TRUE(Walk.Root.Child(I)->Tags().empty());
}

// Below a link the walk crossed (-L), tags are read through that link,
// folder by folder, as Make writes there.
TEST(SearchSessionTagsTest, TagsAreReadBelowALinkTheWalkCrossed) {
  TTempDir Dir;
  Dir.MakeFile("Real/Deep/g.flac", MakeAudioFile(TAudioFormat::afFlac, 1000, {u"Gee", u"", u"", "", ""}));
  std::filesystem::create_directory_symlink("Real", Dir.Path() + "Link");
  TTaggedWalk Walk;
  TFindOptions Options = TagFind(Dir, u"FLAC (*.flac)");
  Options.FollowLinks = true;
  Options.Tags = true;
  Walk.Start(Options);
  ASSERT_TRUE(PumpUntil([&] { return Walk.SearchEnds > 0; }));
  ASSERT_EQ(Walk.Root.Count(), 1);
  const TPlayListFile& Deep = *Walk.Root.Child(0)->Child(0);
  EXPECT_EQ(Deep.Path(), Dir.Folder() + u"Link/Deep/");
  EXPECT_EQ(Deep.Tags().at(0).Title, u"Gee");
}
