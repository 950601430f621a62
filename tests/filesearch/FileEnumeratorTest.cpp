#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "Unprivileged.h"
#include "filesearch/FileEnumerator.h"
#include "runtime/Locale.h"
#include "runtime/Paths.h"
#include "Waiting.h"
#include "runtime/Thread.h"

using namespace cantrel;
using cantrel::test::TTempDir;
using TEvents = std::vector<std::string>;

using cantrel::test::PumpUntil;
using cantrel::test::WaitUntil;

namespace {

// Lets a test create a task without starting it.
class TTestEnumerator : public TFileEnumerator {
public:
  using TFileEnumerator::CreateTask;
};

class FileEnumeratorTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetUserLocaleName("en_US");
    Enumerator = std::make_unique<TTestEnumerator>();
    Enumerator->SetOnEnterDirectory([this](const String& Directory) { Record("enter " + Relative(Directory)); });
    Enumerator->SetOnDirectoryError([this](const String& Directory, const String& Message) {
      Record("error " + Relative(Directory) + ": " + StringToUtf8(Message));
    });
    Enumerator->SetOnTerminateTask([this](int ID, bool Aborted, const std::optional<String>& Failure) {
      Record("end " + std::to_string(ID) + (Aborted ? " aborted" : "") +
             (Failure ? " failed: " + StringToUtf8(*Failure) : ""));
      ++Ended;
    });
    Enumerator->SetRootDirectory(Root());
    Enumerator->SetFileMask(u"*.mp3");
  }
  void TearDown() override {
    Enumerator.reset();
    SetWakeMainThread(nullptr);
    SetUserLocaleName("");
  }

  String Root(const char* Name = "R") const { return Base + Utf8ToString(Name); }
  std::string Relative(const String& Path) const { return StringToUtf8(Path.substr(Base.size())); }
  std::string Link(const char* Target, const std::string& Name) const {
    EXPECT_EQ(symlink(Target, (Dir.Path() + Name).c_str()), 0) << Name;
    return Name;
  }

  void Record(std::string Event) {
    EXPECT_TRUE(TThread::IsMainThread());
    Events.push_back(std::move(Event));
  }

  TFileHandlerEx FileRecorder() {
    return [this](const String& Directory, const TSearchRec& FileInfo) {
      Record("file " + Relative(Directory) + StringToUtf8(FileInfo.Name));
    };
  }

  // Runs one search to its end report and answers its reports.
  TEvents Search() {
    Events.clear();
    const int Before = Ended;
    Enumerator->ForEach(FileRecorder());
    EXPECT_TRUE(PumpUntil([&] { return Ended > Before && Enumerator->GetRunningTasks() == 0; }));
    return Events;
  }

  TTempDir Dir;
  // The folder that reported paths are shown relative to.
  String Base = Dir.Folder();
  std::unique_ptr<TTestEnumerator> Enumerator;
  TEvents Events;
  int Ended = 0;
};

}  // namespace

TEST_F(FileEnumeratorTest, ReportsComeDepthFirstInNameOrderInBothModes) {
  Dir.MakeFile("R/a.mp3", "abc");
  Dir.MakeFile("R/B.mp3");
  Dir.MakeFile("R/10.mp3");
  Dir.MakeFile("R/2.mp3");
  Dir.MakeFile("R/notes.txt");
  Dir.MakeFile("R/X/x.mp3");
  Dir.MakeFile("R/X/deep/z.MP3");
  Dir.MakeDir("R/Y");
  Dir.MakeDir("R/b");
  const TEvents Expected{"enter R/",         "file R/2.mp3",         "file R/10.mp3", "file R/a.mp3",
                         "file R/B.mp3",     "enter R/b/",           "enter R/X/",    "file R/X/x.mp3",
                         "enter R/X/deep/", "file R/X/deep/z.MP3", "enter R/Y/"};
  TEvents First = Search();
  EXPECT_EQ(First.back(), "end 0");
  First.pop_back();
  EXPECT_EQ(First, Expected);

  Enumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smPerDirectory);
  TEvents Second = Search();
  EXPECT_EQ(Second.back(), "end 1");
  Second.pop_back();
  EXPECT_EQ(Second, Expected);

  // The entry handed over carries its size and attributes, also where
  // a folder's files travel together.
  Dir.MakeFile("R/ab.mp3", "abcdef");
  Enumerator->SetFileMask(u"a*");
  for (const auto Mode : {TFileEnumeratorSyncMode::smPerDirectory, TFileEnumeratorSyncMode::smBatched}) {
    Enumerator->SetSynchronizationMode(Mode);
    std::vector<TSearchRec> Found;
    Enumerator->ForEach([&](const String& Directory, const TSearchRec& FileInfo) {
      EXPECT_EQ(Directory, Root() + u"/");
      Found.push_back(FileInfo);
    });
    ASSERT_TRUE(PumpUntil([&] { return Enumerator->GetRunningTasks() == 0; }));
    ASSERT_EQ(Found.size(), 2u);
    EXPECT_EQ(Found[0].Name, u"a.mp3");
    EXPECT_EQ(Found[0].Size, 3);
    EXPECT_EQ(Found[1].Name, u"ab.mp3");
    EXPECT_EQ(Found[1].Size, 6);
    for (const TSearchRec& FileInfo : Found) {
      EXPECT_EQ(FileInfo.Attr, faArchive);
      EXPECT_TRUE(FileInfo.Stated);
      EXPECT_GT(FileInfo.Time, EncodeDateTime(2020, 1, 1, 0));
    }
  }
}

TEST_F(FileEnumeratorTest, NonRecursiveSearchListsTheRootOnly) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/X/x.mp3");
  Enumerator->SetIncludeSubDirectories(false);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/a.mp3", "end 0"}));
}

TEST_F(FileEnumeratorTest, HiddenSystemAndLinkedEntries) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/.h.mp3");
  Dir.MakeFile("R/.hdir/h.mp3");
  Dir.MakeFile("R/X/x.mp3");
  const std::string R = Dir.Path() + "R/";
  ASSERT_EQ(mkfifo((R + "pipe.mp3").c_str(), 0644), 0);
  ASSERT_EQ(symlink("nowhere", (R + "dead.mp3").c_str()), 0);
  ASSERT_EQ(symlink("a.mp3", (R + "link.mp3").c_str()), 0);
  ASSERT_EQ(symlink("X", (R + "ldir").c_str()), 0);

  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/a.mp3", "file R/link.mp3", "enter R/X/", "file R/X/x.mp3",
                               "end 0"}));

  Enumerator->SetIncludeSubDirectories(false);
  Enumerator->SetIncludeHiddenSubDirectories(true);
  Enumerator->GetAttributeMask().SetHidden(TAttributeInterest::aiIgnored);
  Enumerator->GetAttributeMask().SetSystem(TAttributeInterest::aiIgnored);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/.h.mp3", "file R/a.mp3", "file R/dead.mp3", "file R/link.mp3",
                               "file R/pipe.mp3", "end 1"}));

  Enumerator->SetIncludeSubDirectories(true);
  Enumerator->GetAttributeMask().SetHidden(TAttributeInterest::aiRequired);
  Enumerator->GetAttributeMask().SetSystem(TAttributeInterest::aiRejected);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/.h.mp3", "enter R/.hdir/", "enter R/X/", "end 2"}));

  Enumerator->GetAttributeMask().SetHidden(TAttributeInterest::aiRejected);
  Enumerator->GetAttributeMask().SetReparsePoint(TAttributeInterest::aiRequired);
  Enumerator->SetSubDirectoryMask(u"/X/");
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/link.mp3", "enter R/X/", "end 3"}));
}

TEST_F(FileEnumeratorTest, SizeAndLastChangeWindows) {
  Dir.MakeFile("R/small.mp3", std::string(10, 'x'));
  Dir.MakeFile("R/under.mp3", std::string(102399, 'x'));
  Dir.MakeFile("R/exact.mp3", std::string(102400, 'x'));
  Dir.MakeFile("R/old.mp3", "old");
  tm Old{};
  Old.tm_year = 2001 - 1900;
  Old.tm_mon = 0;
  Old.tm_mday = 1;
  Old.tm_hour = 12;
  Old.tm_isdst = -1;
  const timespec Times[2] = {{mktime(&Old), 0}, {mktime(&Old), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (Dir.Path() + "R/old.mp3").c_str(), Times, 0), 0);
  Enumerator->SetIncludeSubDirectories(false);

  Enumerator->SetFileSizeMin(102400);
  Enumerator->SetFileSizeMax(102399);
  EXPECT_EQ(Search().size(), 6u);
  Enumerator->SetOption(TFileSearchOption::fsMinSize, true);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/exact.mp3", "end 1"}));
  Enumerator->SetOption(TFileSearchOption::fsMinSize, false);
  Enumerator->SetOption(TFileSearchOption::fsMaxSize, true);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/old.mp3", "file R/small.mp3", "file R/under.mp3", "end 2"}));
  Enumerator->SetOption(TFileSearchOption::fsMaxSize, false);

  Enumerator->SetLastChangeBefore(EncodeDateTime(2001, 1, 1, 12));
  Enumerator->SetOption(TFileSearchOption::fsLastChangeBefore, true);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/old.mp3", "end 3"}));
  Enumerator->SetOption(TFileSearchOption::fsLastChangeBefore, false);
  Enumerator->SetLastChangeAfter(EncodeDateTime(2001, 1, 1, 12, 0, 1));
  Enumerator->SetOption(TFileSearchOption::fsLastChangeAfter, true);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/exact.mp3", "file R/small.mp3", "file R/under.mp3", "end 4"}));
}

TEST_F(FileEnumeratorTest, StopBeforeTheTaskRuns) {
  Dir.MakeFile("R/a.mp3");
  TEnumFileThread* Task = Enumerator->CreateTask();
  Task->SetFileHandlerEx(FileRecorder());
  EXPECT_EQ(Task->ID(), 0);
  EXPECT_EQ(Enumerator->GetRunningTasks(), 1);
  Enumerator->StopTask(7);
  Enumerator->StopTask(0);
  Task->Start();
  ASSERT_TRUE(PumpUntil([&] { return Enumerator->GetRunningTasks() == 0; }));
  EXPECT_EQ(Events, TEvents{"end 0 aborted"});
}

TEST_F(FileEnumeratorTest, StopAllTasksWithAndWithoutEndReport) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/X/x.mp3");
  Enumerator->SetOnEnterDirectory([this](const String& Directory) {
    Record("enter " + Relative(Directory));
    Enumerator->StopAllTasks(false);
  });
  EXPECT_EQ(Search(), (TEvents{"enter R/", "end 0 aborted"}));

  Enumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smPerDirectory);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "end 1 aborted"}));

  Enumerator->SetOnEnterDirectory([this](const String& Directory) {
    Record("enter " + Relative(Directory));
    Enumerator->StopAllTasks(true);
  });
  Events.clear();
  Enumerator->ForEach(FileRecorder());
  ASSERT_TRUE(PumpUntil([&] { return Enumerator->GetRunningTasks() == 0; }));
  EXPECT_EQ(Events, TEvents{"enter R/"});
}

TEST_F(FileEnumeratorTest, AnErrorInTheWalkEndsTheTaskAsFailed) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/b.mp3");
  Dir.MakeFile("R/X/x.mp3");
  for (const auto Mode : {TFileEnumeratorSyncMode::smPerFile, TFileEnumeratorSyncMode::smPerDirectory}) {
    Enumerator->SetSynchronizationMode(Mode);
    Events.clear();
    const int Before = Ended;
    Enumerator->ForEach([this](const String&, const TSearchRec& FileInfo) {
      Record("file " + StringToUtf8(FileInfo.Name));
      throw EListError(String(u"handler failed"));
    });
    ASSERT_TRUE(PumpUntil([&] { return Ended > Before && Enumerator->GetRunningTasks() == 0; }));
    EXPECT_EQ(Events, (TEvents{"enter R/", "file a.mp3", "end " + std::to_string(Before) + " failed: handler failed"}));

    // Out of memory in a report, as when a status text cannot be made.
    Enumerator->SetOnEnterDirectory([this](const String& Directory) {
      Record("enter " + Relative(Directory));
      if (Relative(Directory) == "R/X/") throw std::bad_alloc();
    });
    EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/a.mp3", "file R/b.mp3", "enter R/X/",
                                 "end " + std::to_string(Before + 1) + " failed: Out of memory"}));
    Enumerator->SetOnEnterDirectory([this](const String& Directory) { Record("enter " + Relative(Directory)); });
  }
  // A walk that comes to its end carries no failure.
  EXPECT_EQ(Search().back(), "end 4");
}

TEST_F(FileEnumeratorTest, TwoRootsAndAStopDuringTheFirst) {
  Dir.MakeFile("R1/a.mp3");
  Dir.MakeFile("R1/X/x.mp3");
  Dir.MakeFile("R2/b.mp3");
  Dir.MakeFile("R2/Y/y.mp3");
  TStringList Roots;
  Roots.Add(Root("R1"));
  Roots.Add(Root("R2"));
  Enumerator->SetRootDirectories(Roots);
  EXPECT_EQ(Search(), (TEvents{"enter R1/", "file R1/a.mp3", "enter R1/X/", "file R1/X/x.mp3", "enter R2/",
                               "file R2/b.mp3", "enter R2/Y/", "file R2/Y/y.mp3", "end 0"}));

  Enumerator->SetOnEnterDirectory([this](const String& Directory) {
    Record("enter " + Relative(Directory));
    Enumerator->StopTask(1);
  });
  EXPECT_EQ(Search(), (TEvents{"enter R1/", "enter R2/", "end 1 aborted"}));
}

TEST_F(FileEnumeratorTest, AMissingRootIsReportedAndTheSearchEndsNormally) {
  Enumerator->SetRootDirectory(Root("missing"));
  EXPECT_EQ(Search(), (TEvents{"error missing/: No such file or directory", "end 0"}));
  Enumerator->SetIncludeSubDirectories(false);
  EXPECT_EQ(Search(), (TEvents{"error missing/: No such file or directory", "end 1"}));
}

TEST_F(FileEnumeratorTest, FolderLinksAreWalkedOnlyWhenFollowedAndThenOnce) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/sub/b.mp3");
  Dir.MakeFile("Elsewhere/e.mp3");
  Link("../Elsewhere", "R/out");
  Link("sub", "R/other");
  Link("..", "R/sub/up");
  Link("../Elsewhere/e.mp3", "R/song.mp3");
  // Links to files are files; links to folders stay out of the walk.
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/a.mp3", "file R/song.mp3", "enter R/sub/", "file R/sub/b.mp3",
                               "end 0"}));

  // Followed, each folder once, under the first path that reaches it.
  Enumerator->SetFollowDirectoryLinks(true);
  EXPECT_EQ(Search(), (TEvents{"enter R/", "file R/a.mp3", "file R/song.mp3", "enter R/other/",
                               "file R/other/b.mp3", "enter R/out/", "file R/out/e.mp3", "end 1"}));

  // The folder given is walked even when it is a link itself.
  Enumerator->SetFollowDirectoryLinks(false);
  Enumerator->SetRootDirectory(Root(Link("R", "Music").c_str()));
  EXPECT_EQ(Search(), (TEvents{"enter Music/", "file Music/a.mp3", "file Music/song.mp3", "enter Music/sub/",
                               "file Music/sub/b.mp3", "end 2"}));
}

TEST_F(FileEnumeratorTest, LinksAllOverATreeKeepTheWalkLinear) {
  // Twenty levels, each reached through its folder and two links to it:
  // walked path by path that would be 3^20 folders.
  std::string Level = "R";
  for (int Depth = 0; Depth < 20; ++Depth) {
    Dir.MakeDir(Level + "/d");
    Link("d", Level + "/e");
    Link("./d", Level + "/f");
    Level += "/d";
  }
  Dir.MakeFile(Level + "/deep.mp3");
  for (const bool Follow : {false, true}) {
    Enumerator->SetFollowDirectoryLinks(Follow);
    const TEvents Walk = Search();
    const auto Entered = std::count_if(Walk.begin(), Walk.end(), [](const std::string& Event) {
      return Event.rfind("enter ", 0) == 0;
    });
    EXPECT_EQ(Entered, 21);
    EXPECT_EQ(std::count(Walk.begin(), Walk.end(), "file " + Level + "/deep.mp3"), 1);
  }
}

TEST_F(FileEnumeratorTest, NamesThatAreNotUtf8AreKeptByteForByte) {
  Dir.MakeFile("R/\xff\xfe.mp3", "1");
  Dir.MakeFile("R/d\xe9/x\x80y.mp3", "2");
  std::vector<String> Paths;
  Enumerator->ForEach([&](const String& FileName) { Paths.push_back(FileName); });
  ASSERT_TRUE(PumpUntil([&] { return Enumerator->GetRunningTasks() == 0; }));
  ASSERT_EQ(Paths.size(), 2u);
  std::vector<std::string> Bytes;
  for (const String& Path : Paths) Bytes.push_back(test::ReadFileBytes(SystemFileName(Path)));
  std::sort(Bytes.begin(), Bytes.end());
  EXPECT_EQ(Bytes, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(SystemFileName(Paths[0]).substr(Dir.Path().size()) + SystemFileName(Paths[1]).substr(Dir.Path().size()),
            std::string("R/\xff\xfe.mp3") + "R/d\xe9/x\x80y.mp3");
}

TEST_F(FileEnumeratorTest, AFolderRemovedDuringTheWalkIsReportedAndTheWalkGoesOn) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/later/z.mp3");
  Enumerator->SetOnEnterDirectory([this](const String& Directory) {
    Record("enter " + Relative(Directory));
    if (Relative(Directory) != "R/") return;
    std::filesystem::remove_all(Dir.Path() + "R/gone");
    std::filesystem::remove(Dir.Path() + "R/c.mp3");
  });
  for (const auto Mode : {TFileEnumeratorSyncMode::smPerFile, TFileEnumeratorSyncMode::smPerDirectory}) {
    Dir.MakeFile("R/c.mp3");
    Dir.MakeFile("R/gone/g.mp3");
    Enumerator->SetSynchronizationMode(Mode);
    TEvents Walk = Search();
    Walk.pop_back();
    // One hand-over per folder: its files were looked at before it was entered.
    TEvents Expected{"enter R/", "file R/a.mp3"};
    if (Mode == TFileEnumeratorSyncMode::smPerDirectory) Expected.push_back("file R/c.mp3");
    for (const char* Event : {"error R/gone/: No such file or directory", "enter R/later/", "file R/later/z.mp3"})
      Expected.push_back(Event);
    EXPECT_EQ(Walk, Expected);
  }
}

// Runs in an unprivileged child (below), where permission bits hold.
TEST_F(FileEnumeratorTest, DISABLED_ReadsAsAnUnprivilegedUser) {
  const char* Tree = std::getenv("CANTREL_UNREADABLE_TREE");
  ASSERT_NE(Tree, nullptr);
  Base = Utf8ToString(Tree);
  Enumerator->SetRootDirectory(Root());
  const TEvents Expected{"enter R/",
                         "file R/a.mp3",
                         "error R/locked/: Permission denied",
                         "error R/names-only/: Permission denied",
                         "enter R/z/",
                         "file R/z/z.mp3"};
  for (const auto Mode : {TFileEnumeratorSyncMode::smPerFile, TFileEnumeratorSyncMode::smPerDirectory}) {
    Enumerator->SetSynchronizationMode(Mode);
    TEvents Walk = Search();
    Walk.pop_back();
    EXPECT_EQ(Walk, Expected);
  }
  // The root itself.
  Enumerator->SetRootDirectory(Root("R/locked"));
  EXPECT_EQ(Search(), (TEvents{"error R/locked/: Permission denied", "end 2"}));
}

TEST_F(FileEnumeratorTest, UnreadableFoldersAreReportedInWalkOrder) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/locked/l.mp3");
  Dir.MakeFile("R/names-only/n.mp3");
  Dir.MakeFile("R/z/z.mp3");
  ASSERT_EQ(chmod(Dir.Path().c_str(), 0755), 0);
  ASSERT_EQ(chmod((Dir.Path() + "R/locked").c_str(), 0), 0);
  // Its names can be read, but not one of its entries looked at.
  ASSERT_EQ(chmod((Dir.Path() + "R/names-only").c_str(), 0644), 0);
  const test::TChildResult Child = test::RunUnprivileged(
      SystemFileName(ModuleFileName()),
      {"--gtest_also_run_disabled_tests", "--gtest_filter=FileEnumeratorTest.DISABLED_ReadsAsAnUnprivilegedUser"},
      {{"CANTREL_UNREADABLE_TREE", Dir.Path()}});
  EXPECT_EQ(Child.Status, 0) << Child.Output;
  EXPECT_NE(Child.Output.find("[  PASSED  ] 1 test."), std::string::npos) << Child.Output;
}

TEST_F(FileEnumeratorTest, FillListUsesTheOptionsOfItsStart) {
  Dir.MakeFile("R/b.mp3");
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/a.txt");
  TStringList List;
  EXPECT_EQ(Enumerator->FillList(List), 0);
  EXPECT_EQ(List.UpdateCount(), 0);
  Enumerator->SetFileMask(u"*.txt");
  ASSERT_TRUE(PumpUntil([&] { return Enumerator->GetRunningTasks() == 0; }));
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(List[0], Root() + u"/a.mp3");
  EXPECT_EQ(List[1], Root() + u"/b.mp3");
}

TEST_F(FileEnumeratorTest, NoReportAfterTheEnumeratorIsGoneEvenForAWaitingTask) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/X/x.mp3");
  std::atomic<bool> Waiting{false};
  SetWakeMainThread([&] { Waiting = true; });
  auto Alive = std::make_shared<int>(0);
  const std::weak_ptr<int> Watch = Alive;
  Enumerator->ForEach([this, Alive](const String&, const TSearchRec&) { Record("file"); });
  Enumerator->ForEach([this, Alive](const String&, const TSearchRec&) { Record("file"); });
  Alive.reset();
  ASSERT_TRUE(WaitUntil([&] { return Waiting.load(); }));
  Enumerator.reset();
  // Both workers end and free themselves while the main thread runs nothing.
  ASSERT_TRUE(WaitUntil([&] { return Watch.expired(); }));
  EXPECT_FALSE(CheckSynchronize(20));
  EXPECT_TRUE(Events.empty());
}

TEST_F(FileEnumeratorTest, AHandlerMayFreeTheEnumerator) {
  Dir.MakeFile("R/a.mp3");
  Dir.MakeFile("R/X/x.mp3");
  for (const auto Mode : {TFileEnumeratorSyncMode::smPerFile, TFileEnumeratorSyncMode::smPerDirectory}) {
    Events.clear();
    auto Alive = std::make_shared<int>(0);
    const std::weak_ptr<int> Watch = Alive;
    Enumerator = std::make_unique<TTestEnumerator>();
    Enumerator->SetRootDirectory(Root());
    Enumerator->SetSynchronizationMode(Mode);
    Enumerator->SetOnEnterDirectory([this](const String& Directory) {
      Record("enter " + Relative(Directory));
      Enumerator.reset();
    });
    Enumerator->SetOnTerminateTask([this](int, bool, const std::optional<String>&) { Record("end"); });
    Enumerator->ForEach([this, Alive](const String&, const TSearchRec&) { Record("file"); });
    Alive.reset();
    ASSERT_TRUE(PumpUntil([&] { return Watch.expired(); }));
    EXPECT_FALSE(CheckSynchronize(20));
    EXPECT_EQ(Events, TEvents{"enter R/"});
  }

  // The end report may free it too.
  Enumerator = std::make_unique<TTestEnumerator>();
  Enumerator->SetRootDirectory(Root());
  Enumerator->SetOnTerminateTask([this](int ID, bool, const std::optional<String>&) {
    Record("end " + std::to_string(ID));
    Enumerator.reset();
  });
  Events.clear();
  Enumerator->ForEach(FileRecorder());
  ASSERT_TRUE(PumpUntil([&] { return !Enumerator; }));
  EXPECT_EQ(Events, (TEvents{"file R/a.mp3", "file R/X/x.mp3", "end 0"}));
}

TEST_F(FileEnumeratorTest, BatchedHandOversKeepTheOrderAndTheStopRules) {
  // More folders and files than one hand-over takes.
  for (int Folder = 0; Folder < 150; ++Folder) {
    const std::string Name = "R/F" + std::to_string(Folder);
    for (const char* File : {"/b.mp3", "/a.mp3", "/x.txt", "/Sub/c.mp3"}) Dir.MakeFile(Name + File);
  }
  Enumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smPerDirectory);
  const TEvents PerDirectory = Search();
  Enumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smBatched);
  TEvents Batched = Search();
  EXPECT_EQ(Batched.back(), "end 1");
  Batched.back() = PerDirectory.back();
  EXPECT_EQ(Batched, PerDirectory);
  EXPECT_EQ(Batched.size(), 1u + 150u * 5u + 1u);

  // A stop holds at once, though the walk has read ahead; a root not yet
  // begun is still entered.
  TStringList Roots;
  Roots.Add(Root());
  Dir.MakeFile("R2/y.mp3");
  Roots.Add(Root("R2"));
  Enumerator->SetRootDirectories(Roots);
  Enumerator->SetOnEnterDirectory([this](const String& Directory) {
    Record("enter " + Relative(Directory));
    if (Relative(Directory) == "R/F2/") Enumerator->StopTask(2);
  });
  const TEvents Stopped = Search();
  ASSERT_EQ(Stopped.size(), 14u);
  EXPECT_EQ(TEvents(Stopped.end() - 4, Stopped.end()),
            (TEvents{"file R/F1/Sub/c.mp3", "enter R/F2/", "enter R2/", "end 2 aborted"}));

  // A failed report ends the walk: nothing follows but the end report.
  Enumerator->SetOnEnterDirectory([this](const String& Directory) { Record("enter " + Relative(Directory)); });
  Events.clear();
  int Before = Ended;
  Enumerator->ForEach([this](const String& Directory, const TSearchRec& FileInfo) {
    Record("file " + Relative(Directory) + StringToUtf8(FileInfo.Name));
    throw EListError(String(u"handler failed"));
  });
  ASSERT_TRUE(PumpUntil([&] { return Ended > Before && Enumerator->GetRunningTasks() == 0; }));
  EXPECT_EQ(Events, (TEvents{"enter R/", "enter R/F0/", "file R/F0/a.mp3", "end 3 failed: handler failed"}));

  // Nor after the enumerator is gone, even for the root that comes next.
  auto Alive = std::make_shared<int>(0);
  const std::weak_ptr<int> Watch = Alive;
  Events.clear();
  Enumerator->SetOnEnterDirectory([this](const String& Directory) {
    Record("enter " + Relative(Directory));
    if (Relative(Directory) == "R/F149/Sub/") Enumerator.reset();
  });
  Enumerator->ForEach([this, Alive](const String&, const TSearchRec&) { Record("file"); });
  Alive.reset();
  ASSERT_TRUE(PumpUntil([&] { return Watch.expired(); }));
  EXPECT_FALSE(CheckSynchronize(20));
  EXPECT_EQ(Events.back(), "enter R/F149/Sub/");
}

TEST_F(FileEnumeratorTest, FilesAreStatedOnlyWhenATestOrTheCallerNeedsIt) {
  Dir.MakeFile("R/a.mp3", "abc");
  ASSERT_EQ(chmod((Dir.Path() + "R/a.mp3").c_str(), 0444), 0);
  Enumerator->SetReadFileDetails(false);
  std::vector<std::pair<String, TSearchRec>> Found;
  const auto Collect = [&] {
    Found.clear();
    Enumerator->ForEach([&](const String& Directory, const TSearchRec& FileInfo) { Found.push_back({Directory, FileInfo}); });
    ASSERT_TRUE(PumpUntil([&] { return Enumerator->GetRunningTasks() == 0; }));
    ASSERT_EQ(Found.size(), 1u);
  };
  // The record says what it lacks, and is filled on request.
  Collect();
  TSearchRec FileInfo = Found[0].second;
  EXPECT_FALSE(FileInfo.Stated);
  EXPECT_EQ(FileInfo.Attr, faArchive);
  EXPECT_TRUE(FillSearchRec(Found[0].first, FileInfo));
  EXPECT_TRUE(FileInfo.Stated);
  EXPECT_EQ(FileInfo.Size, 3);
  EXPECT_EQ(FileInfo.Attr, faArchive | faReadOnly);
  EXPECT_GT(FileInfo.Time, EncodeDateTime(2020, 1, 1, 0));
  FileInfo.Name = u"gone.mp3";
  EXPECT_FALSE(FillSearchRec(Found[0].first, FileInfo));

  // A size window or a test of the ReadOnly bit reads what it tests.
  Enumerator->SetOption(TFileSearchOption::fsMaxSize, true);
  Enumerator->SetFileSizeMax(10);
  Collect();
  EXPECT_TRUE(Found[0].second.Stated);
  EXPECT_EQ(Found[0].second.Size, 3);
  Enumerator->SetOption(TFileSearchOption::fsMaxSize, false);
  Enumerator->GetAttributeMask().SetReadOnly(TAttributeInterest::aiRequired);
  Collect();
  EXPECT_EQ(Found[0].second.Attr & faReadOnly, faReadOnly);
}

TEST_F(FileEnumeratorTest, TheEnterReportTellsHowEachFolderWasReached) {
  TTempDir Outside;
  Outside.MakeFile("t.mp3");
  Dir.MakeFile("R/A/a.mp3");
  Dir.MakeFile("R/.cantrel-AbC123");
  Dir.MakeFile("R/.cantrel-AbC12");
  Dir.MakeFile("R/A/.cantrel-Zz9999");
  Link(Outside.Path().c_str(), "R/L");
  Enumerator->SetFollowDirectoryLinks(true);
  Enumerator->SetOnEnterDirectoryEx([this](const String& Directory, const TEnteredDirectory& Entered) {
    struct stat Info {};
    stat(SystemFileName(Directory).c_str(), &Info);
    const bool Same = Entered.Identity.Device == Info.st_dev && Entered.Identity.Inode == Info.st_ino;
    std::string Line = Relative(Directory) + (Same ? " same" : " other");
    if (Entered.Identity.ThroughLink) Line += " link";
    for (const String& Name : Entered.Temporaries) Line += " " + StringToUtf8(Name);
    Record(Line);
  });
  for (const auto Mode : {TFileEnumeratorSyncMode::smPerFile, TFileEnumeratorSyncMode::smPerDirectory,
                          TFileEnumeratorSyncMode::smBatched}) {
    Enumerator->SetSynchronizationMode(Mode);
    TEvents Reports = Search();
    Reports.pop_back();
    EXPECT_EQ(Reports, (TEvents{"R/ same .cantrel-AbC123", "R/A/ same .cantrel-Zz9999", "file R/A/a.mp3",
                                "R/L/ same link", "file R/L/t.mp3"}));
  }
}

TEST_F(FileEnumeratorTest, FoldersDeeperThanAPathCanNameAreWalked) {
  Dir.MakeDir("R");
  const int Deepest = test::MakeFolderChain(Dir.Path() + "R", std::string(200, 'd'), 25);
  ASSERT_GE(Deepest, 0);
  test::MakeFileAt(Deepest, "a.mp3");
  close(Deepest);
  const TEvents Reports = Search();
  const auto Entered = [](const std::string& Event) { return Event.starts_with("enter"); };
  EXPECT_EQ(std::count_if(Reports.begin(), Reports.end(), Entered), 26) << "no folder failed";
  ASSERT_GE(Reports.size(), 2u);
  EXPECT_TRUE(Reports[Reports.size() - 2].starts_with("file R/ddd")) << Reports[Reports.size() - 2].substr(0, 100);
  EXPECT_TRUE(Reports[Reports.size() - 2].ends_with("/a.mp3"));
  EXPECT_EQ(Reports.back(), "end 0");
}

TEST_F(FileEnumeratorTest, ASilentStopHasEndedTheWalkersWhenItReturns) {
  for (int Folder = 0; Folder < 200; ++Folder) Dir.MakeFile("R/F" + std::to_string(Folder) + "/a.mp3");
  std::atomic<bool> Waiting{false};
  SetWakeMainThread([&] { Waiting = true; });
  for (const auto Mode : {TFileEnumeratorSyncMode::smPerFile, TFileEnumeratorSyncMode::smBatched}) {
    Waiting = false;
    Enumerator->SetSynchronizationMode(Mode);
    auto Alive = std::make_shared<int>(0);
    const std::weak_ptr<int> Watch = Alive;
    Enumerator->ForEach([this, Alive](const String&, const TSearchRec&) { Record("file"); });
    Alive.reset();
    ASSERT_TRUE(WaitUntil([&] { return Waiting.load(); }));
    Enumerator->StopAllTasks(true);
    // The walker waited for the main thread, which ran nothing: it was
    // released, has ended and is gone with its handler.
    EXPECT_TRUE(Watch.expired());
    EXPECT_EQ(Enumerator->GetRunningTasks(), 0);
    EXPECT_FALSE(CheckSynchronize(20));
    EXPECT_TRUE(Events.empty());
  }
}

namespace {

std::size_t ThreadCount() {
  return static_cast<std::size_t>(
      std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator()));
}

}  // namespace

// Batched, the walk leaves the listing to readers; they end with it, by
// either stop, and no thread of the search is left.
TEST_F(FileEnumeratorTest, ReadersStopWithTheSearchAndNoThreadIsLeft) {
  for (int Folder = 0; Folder < 300; ++Folder) Dir.MakeFile("R/F" + std::to_string(Folder) + "/Sub/a.mp3");
  Enumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smBatched);
  // A thread started and ended first, so that one a sanitizer's runtime
  // adds with the first thread is counted in.
  std::thread([] {}).join();
  const std::size_t Threads = ThreadCount();
  std::atomic<bool> Waiting{false};
  SetWakeMainThread([&] { Waiting = true; });
  Enumerator->ForEach(FileRecorder());
  // The walker waits for the main thread, the readers for room ahead.
  ASSERT_TRUE(WaitUntil([&] { return Waiting.load(); }));
  EXPECT_GT(ThreadCount(), Threads + 1);
  Enumerator->StopAllTasks(true);
  EXPECT_EQ(ThreadCount(), Threads);
  EXPECT_TRUE(Events.empty());

  // Asked to stop in a report, the walk reports nothing more but its end.
  Enumerator->SetOnEnterDirectory([this](const String& Directory) {
    Record("enter " + Relative(Directory));
    if (Relative(Directory) == "R/F1/") Enumerator->StopTask(1);
  });
  EXPECT_EQ(Search(), (TEvents{"enter R/", "enter R/F0/", "enter R/F0/Sub/", "file R/F0/Sub/a.mp3", "enter R/F1/",
                               "end 1 aborted"}));
  EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == Threads; }));

  // The same with no reader: the walker lists on its own.
  Enumerator->SetReaders(0);
  Enumerator->SetOnEnterDirectory([this](const String& Directory) { Record("enter " + Relative(Directory)); });
  EXPECT_EQ(Search().size(), 1u + 300u * 3u + 1u);
}

// A folder removed and replaced by a link while the walk reads ahead is
// either reported as it was read or as not listable: never walked through
// the link, and the walk goes on.
TEST_F(FileEnumeratorTest, AFolderRemovedWhileReadAheadIsNeverWalkedThroughALink) {
  for (int Folder = 0; Folder < 100; ++Folder) {
    const std::string Name = "R/F" + std::to_string(Folder);
    Dir.MakeFile(Name + "/a.mp3");
    Dir.MakeFile(Name + "/Sub/a.mp3");
  }
  Dir.MakeFile("outside/Sub/secret.mp3");
  Enumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smBatched);
  Enumerator->SetOnEnterDirectory([this](const String& Directory) {
    Record("enter " + Relative(Directory));
    if (Relative(Directory) != "R/F0/") return;
    std::filesystem::remove_all(Dir.Path() + "R/F50");
    Link("../outside", "R/F50");
  });
  TEvents Walk = Search();
  EXPECT_EQ(Walk.back(), "end 0");
  const auto First = std::find_if(Walk.begin(), Walk.end(), [](const std::string& Event) {
    return Event.find("R/F50/") != std::string::npos;
  });
  const auto Last = std::find_if(First, Walk.end(), [](const std::string& Event) {
    return Event.find("R/F50/") == std::string::npos;
  });
  const TEvents Removed(First, Last);
  Walk.erase(First, Last);
  EXPECT_EQ(Walk.size(), 1u + 99u * 4u + 1u);
  // Whatever the removal had reached when the folder was read: its
  // reports, in walk order, are some of these.
  const std::string Gone = StringToUtf8(SysErrorMessage(ENOENT));
  const TEvents Possible{"error R/F50/: " + Gone,
                         "error R/F50/: " + StringToUtf8(SysErrorMessage(ELOOP)),
                         "error R/F50/: " + StringToUtf8(SysErrorMessage(ENOTDIR)),
                         "enter R/F50/",
                         "file R/F50/a.mp3",
                         "enter R/F50/Sub/",
                         "error R/F50/Sub/: " + Gone,
                         "file R/F50/Sub/a.mp3"};
  bool InOrder = !Removed.empty();
  for (auto Next = Possible.begin(); const std::string& Event : Removed) {
    Next = std::find(Next, Possible.end(), Event);
    if (Next == Possible.end()) InOrder = false;
    if (!InOrder) break;
    ++Next;
  }
  EXPECT_TRUE(InOrder) << testing::PrintToString(Removed);
}

// Runs in an unprivileged child (below), where permission bits hold.
TEST_F(FileEnumeratorTest, DISABLED_ReadsAheadAsAnUnprivilegedUser) {
  const char* Tree = std::getenv("CANTREL_UNREADABLE_TREE");
  ASSERT_NE(Tree, nullptr);
  Base = Utf8ToString(Tree);
  Enumerator->SetRootDirectory(Root());
  Enumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smBatched);
  const std::string Denied = StringToUtf8(SysErrorMessage(EACCES));
  TEvents Expected{"enter R/"};
  for (int Folder = 0; Folder < 60; ++Folder) {
    const std::string Name = "R/F" + std::to_string(Folder) + "/";
    if (Folder % 7 == 3) {
      Expected.push_back("error " + Name + ": " + Denied);
      continue;
    }
    for (const std::string& Event : {"enter " + Name, "file " + Name + "a.mp3"}) Expected.push_back(Event);
  }
  TEvents Walk = Search();
  Walk.pop_back();
  EXPECT_EQ(Walk, Expected);
}

TEST_F(FileEnumeratorTest, FoldersReadAheadThatCannotBeListedAreReportedInWalkOrder) {
  for (int Folder = 0; Folder < 60; ++Folder) {
    const std::string Name = "R/F" + std::to_string(Folder);
    Dir.MakeFile(Name + "/a.mp3");
    if (Folder % 7 == 3) {
      ASSERT_EQ(chmod((Dir.Path() + Name).c_str(), 0), 0);
    }
  }
  ASSERT_EQ(chmod(Dir.Path().c_str(), 0755), 0);
  const test::TChildResult Child = test::RunUnprivileged(
      SystemFileName(ModuleFileName()),
      {"--gtest_also_run_disabled_tests", "--gtest_filter=FileEnumeratorTest.DISABLED_ReadsAheadAsAnUnprivilegedUser"},
      {{"CANTREL_UNREADABLE_TREE", Dir.Path()}});
  EXPECT_EQ(Child.Status, 0) << Child.Output;
  EXPECT_NE(Child.Output.find("[  PASSED  ] 1 test."), std::string::npos) << Child.Output;
}
