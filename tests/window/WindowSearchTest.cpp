#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "AudioFiles.h"
#include "CliRunner.h"
#include "Lines.h"
#include "ScopedEnvironment.h"
#include "Unprivileged.h"
#include "WindowTestSupport.h"
#include "core/FilterTexts.h"
#include "runtime/Exceptions.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

class TWindowSearchTest : public TWindowTest {
protected:
  TWindowSearchTest() {
    for (const char* File : {"r1.mp3", "cover.jpg", "A/a1.MP3", "A/X/x1.ogg", "B/b1.flac", "B/notes.txt", ".hidden/h.wav"})
      Temp.MakeFile(std::string("Music/") + File);
  }

  std::string Settings() const { return "[Path]\nLastFolder=" + Music + "\n"; }
  // The folders of the tree below Music as the walk reports them.
  String Folder(const char* Relative) const { return Utf8ToString(Music + "/" + Relative); }

  const std::string Music = Temp.Path() + "Music";
};

// Lets the worker reach its first hand-over while the window is busy.
void LetTheWalkWait() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

// Folders of empty files, named by number.
void MakeLibrary(const std::string& Folder, int Folders, int FilesEach) {
  for (int Sub = 0; Sub < Folders; ++Sub) {
    const std::string Path = Folder + "/F" + std::to_string(Sub) + "/";
    std::filesystem::create_directories(Path);
    for (int File = 0; File < FilesEach; ++File)
      close(open((Path + std::to_string(File) + ".mp3").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
  }
}

// Runs the event loop a round at a time, each round running the hand-overs
// waiting at its start, until the memo lists Lines files: the walk is then
// caught in its middle.
bool ListUntil(const TMainForm& Form, int Lines) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (Form.mmoFiles->Lines()->Count() < Lines) {
    if (std::chrono::steady_clock::now() > Deadline) return false;
    QCoreApplication::processEvents();
  }
  return true;
}

bool WaitForSignalHandler(pid_t Child, int Signal) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (std::chrono::steady_clock::now() < Deadline) {
    std::ifstream Status("/proc/" + std::to_string(Child) + "/status");
    for (std::string Line; std::getline(Status, Line);)
      if (Line.starts_with("SigCgt:") && (std::stoull(Line.substr(7), nullptr, 16) >> (Signal - 1)) & 1) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

}  // namespace

TEST_F(TWindowSearchTest, FindListsTheTreeAsReportsOfEveryFileWould) {
  const TScopedEnvironment Locale{{"LC_ALL", "de_DE.UTF-8"}};
  UseGerman();
  auto Form = NewForm(Settings());
  ASSERT_TRUE(FindAndWait(*Form));
  const std::vector<String> Lines = LinesOf(*Form->mmoFiles->Lines());
  EXPECT_EQ(Lines, (std::vector<String>{u"r1.mp3", u".hidden/h.wav", u"A/a1.MP3", u"A/X/x1.ogg", u"B/b1.flac"}));
  const std::vector<String> Tree = TreeOf(Form->PlayListFiles());
  EXPECT_EQ(Tree, (std::vector<String>{Folder("") + u": r1.mp3", Folder(".hidden/") + u": h.wav",
                                       Folder("A/") + u": a1.MP3", Folder("A/X/") + u": x1.ogg",
                                       Folder("B/") + u": b1.flac"}));
  const std::vector<String> Panels = PanelTexts(*Form);
  EXPECT_EQ(Panels[0], u"5 Dateien");
  EXPECT_EQ(Panels[1], u"5 Ordner");
  EXPECT_TRUE(std::regex_match(StringToUtf8(Panels[2]), std::regex(R"(\.\.\.fertig nach \d+,\d\d Sekunden\.)")))
      << StringToUtf8(Panels[2]);
  // The minimum size goes with the search but drops no file: these are empty.
  EXPECT_EQ(Form->FileEnumerator().GetFileSizeMin(), 102400);

  // One hand-over per file gives the same window.
  Form->FileEnumerator().SetSynchronizationMode(TFileEnumeratorSyncMode::smPerFile);
  ASSERT_TRUE(FindAndWait(*Form));
  EXPECT_EQ(LinesOf(*Form->mmoFiles->Lines()), Lines);
  EXPECT_EQ(TreeOf(Form->PlayListFiles()), Tree);
  EXPECT_EQ(PanelTexts(*Form)[0], Panels[0]);
  EXPECT_EQ(PanelTexts(*Form)[1], Panels[1]);

  // Without recursion only the folder itself.
  Form->chkFindRecursion->click();
  ASSERT_TRUE(FindAndWait(*Form));
  EXPECT_EQ(LinesOf(*Form->mmoFiles->Lines()), std::vector<String>{u"r1.mp3"});
  EXPECT_EQ(TreeOf(Form->PlayListFiles()), std::vector<String>{Folder("") + u": r1.mp3"});
  EXPECT_EQ(PanelTexts(*Form)[1], u"1 Ordner");
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TWindowSearchTest, MakeWritesEveryFormatIntoTheFolders) {
  auto Form = NewForm(Settings());
  ASSERT_TRUE(FindAndWait(*Form));
  const char* const Extensions[] = {".m3u", ".m3u8", ".xspf", ".wpl", ".pls", ".asx"};
  for (const char* Extension : Extensions) {
    Form->btnMake->click();
    for (const char* Folder : {"Music/Music", "Music/A/A", "Music/A/X/X", "Music/B/B", "Music/.hidden/.hidden"})
      EXPECT_TRUE(FileExistsAt(Temp.Path() + Folder + Extension)) << Folder << Extension;
    const std::string Root = ReadFileBytes(Temp.Path() + "Music/Music" + Extension);
    for (const char* Entry : {"r1.mp3", "h.wav", "a1.MP3", "x1.ogg", "b1.flac"})
      EXPECT_NE(Root.find(Entry), std::string::npos) << Extension << " " << Entry;
    QTest::keyClick(Form->cbbFileFormat, Qt::Key_Down);
  }
  EXPECT_EQ(ReadFileBytes(Temp.Path() + "Music/A/A.m3u"), CrLfLines({"#EXTM3U", "", "a1.MP3", "", "X/x1.ogg"}));
  EXPECT_EQ(ReadFileBytes(Temp.Path() + "Music/A/A.m3u8").substr(0, 7), "#EXTM3U");

  // The box's byte-order mark, and a recursion cleared after Find: the
  // folder's own playlist alone.
  Form->chkUTF8->click();
  Form->chkFindRecursion->click();
  QTest::keyClick(Form->cbbFileFormat, Qt::Key_Home);
  QTest::keyClick(Form->cbbFileFormat, Qt::Key_Down);
  Form->cbbFileName->SetText(u"bom.m3u8");
  Form->btnMake->click();
  EXPECT_EQ(ReadFileBytes(Temp.Path() + "Music/bom.m3u8"), CrLfLines({"\xEF\xBB\xBF#EXTM3U", "", "r1.mp3"}));
  EXPECT_FALSE(FileExistsAt(Temp.Path() + "Music/A/bom.m3u8"));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TWindowSearchTest, ANameWithALineBreakKeepsToItsLine) {
  TTempDir Hostile;
  Hostile.MakeFile("plain.mp3");
  Hostile.MakeFile("two\nlines.mp3");
  auto Form = NewForm("[Path]\nLastFolder=" + Hostile.Path() + "\n");
  ASSERT_TRUE(FindAndWait(*Form));
  Form->mmoFiles->Lines()->Flush();
  EXPECT_EQ(LinesOf(*Form->mmoFiles->Lines()), (std::vector<String>{u"plain.mp3", u"two\u240Alines.mp3"}));
  EXPECT_EQ(PanelTexts(*Form)[0], u"2 files");
  EXPECT_EQ(LinesOf(Form->PlayListFiles().Items()), (std::vector<String>{u"plain.mp3", u"two\nlines.mp3"}));
  Form->cbbFileName->SetText(u"list.m3u");
  Form->btnMake->click();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text,
            u"Left out of \"" + Hostile.Folder() + u"list.m3u\": \"two\u240Alines.mp3\" (line break in the name)");
  EXPECT_EQ(ReadFileBytes(Hostile.Path() + "list.m3u"), CrLfLines({"#EXTM3U", "", "plain.mp3"}));
}

TEST_F(TWindowSearchTest, WhatFindCouldNotReadAndMakeCouldNotWriteIsToldOnce) {
  Temp.MakeFile("Music/Private/p.mp3");
  Temp.MakeFile("Music/Locked/l.mp3");
  chmod((Music + "/Private").c_str(), 0);
  chmod((Music + "/Locked").c_str(), 0555);
  // Permission bits bind this child even when the tests run as root.
  const std::string Failure = RunWithoutOverride([&]() -> std::string {
    auto Form = NewForm(Settings());
    if (!FindAndWait(*Form)) return "the search did not end";
    const String Progress = PanelTexts(*Form)[2];
    if (!StartsStr(u"...finished (", Progress) || !EndsStr(u" seconds). 1 folder could not be read.", Progress))
      return "panel 2: " + StringToUtf8(Progress);
    // The tooltip holds the whole text, which the panel may cut.
    const QLabel& Panel = *Form->StatusBar->Panels()->Items(2)->Label();
    if (!QTest::qWaitFor([&] { return Panel.toolTip().toStdU16String() == Progress; }))
      return "tooltip: " + Panel.toolTip().toStdString();
    Form->cbbFileName->SetText(u"list.m3u");
    Form->btnMake->click();
    if (Boxes.Shown.size() != 1) return "boxes: " + std::to_string(Boxes.Shown.size());
    const std::string Text = StringToUtf8(Boxes.Shown[0].Text);
    const std::string Expected = "Cannot create file \"" + Music + "/Locked/list.m3u\". " + StringToUtf8(SysErrorMessage(EACCES)) +
                                 "\nFolder \"" + Music + "/Private/\" could not be read: " +
                                 StringToUtf8(SysErrorMessage(EACCES));
    if (Boxes.Shown[0].Caption != u"Cantrel" || Text != Expected) return "box: " + Text;
    if (!FileExistsAt(Music + "/list.m3u") || !FileExistsAt(Music + "/B/list.m3u")) return "a playlist is missing";
    // The window goes on.
    Form->cbbFileName->SetText(u"again.m3u");
    Form->btnMake->click();
    if (!FileExistsAt(Music + "/A/again.m3u") || Boxes.Shown.size() != 2) return "the second Make";
    return {};
  });
  EXPECT_EQ(Failure, "");
  EXPECT_FALSE(FileExistsAt(Music + "/Locked/list.m3u"));
}

TEST_F(TWindowSearchTest, MakeAfterAFailedSearchWritesNothing) {
  auto Form = NewForm(Settings());
  ASSERT_TRUE(FindAndWait(*Form));
  // The end report of a walk that failed, as the enumerator hands it over.
  Form->FileEnumeratorTerminateTask(0, false, u"Out of memory");
  EXPECT_EQ(PanelTexts(*Form)[2], u"Search failed: Out of memory");
  EXPECT_FALSE(Form->btnMake->isEnabled());
  EXPECT_EQ(Form->btnMake->toolTip().toStdU16String(), u"The last search failed. Press Find again.");
  Form->btnMake->click();
  EXPECT_TRUE(Boxes.Shown.empty());
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Music))
    EXPECT_FALSE(Entry.path().extension() == ".m3u") << Entry.path();

  // Find again, and Make writes.
  ASSERT_TRUE(FindAndWait(*Form));
  Form->btnMake->click();
  EXPECT_TRUE(FileExistsAt(Music + "/Music.m3u"));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TWindowSearchTest, MakeIsThereOnlyForAFinishedSearchThatFoundFiles) {
  Temp.MakeFile("Music/A/A.m3u", "kept");
  auto Form = NewForm(Settings());
  const auto Make = [&] {
    Form->btnMake->click();
    return Form->btnMake->toolTip().toStdU16String();
  };
  EXPECT_EQ(Make(), u"Press Find first.");
  // A filter that finds nothing here.
  Form->cbbFileFilter->SetItemIndex(6);
  ASSERT_TRUE(FindAndWait(*Form));
  EXPECT_EQ(Make(), u"The last search found no file.");
  Form->cbbFileFilter->SetItemIndex(0);
  Form->btnFind->click();
  EXPECT_EQ(Make(), u"The search is still running.");
  EXPECT_FALSE(Form->btnMake->isEnabled());
  EXPECT_EQ(ReadFileBytes(Music + "/A/A.m3u"), "kept");

  // Once the search has ended, as often as the user likes.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Searching(); }, 60000));
  EXPECT_EQ(Make(), u"");
  EXPECT_EQ(ReadFileBytes(Music + "/A/A.m3u"), CrLfLines({"#EXTM3U", "", "a1.MP3", "", "X/x1.ogg"}));
  Form->cbbFileName->SetText(u"again.m3u");
  Make();
  EXPECT_TRUE(FileExistsAt(Music + "/A/again.m3u"));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TWindowSearchTest, AFolderThatCannotBeListedFailsTheSearch) {
  // Chosen, then deleted before Find; then one the user may enter but not
  // list (as root, permission bits bind a child only).
  Temp.MakeFile("Gone/g.mp3");
  Temp.MakeFile("Locked/l.mp3");
  chmod((Temp.Path() + "Locked").c_str(), 0311);
  const std::string Failure = RunWithoutOverride([&]() -> std::string {
    auto Form = NewForm(Settings());
    for (const auto& [Folder, Error] : {std::pair{"Gone", ENOENT}, std::pair{"Locked", EACCES}}) {
      Form->listLocalDirectory->SetDirectory(Temp.Folder() + Utf8ToString(Folder));
      std::filesystem::remove_all(Temp.Path() + "Gone");
      if (!FindAndWait(*Form)) return "the search did not end";
      if (PanelTexts(*Form)[2] != u"Search failed: " + SysErrorMessage(Error)) return StringToUtf8(PanelTexts(*Form)[2]);
      if (Form->btnMake->toolTip().toStdU16String() != u"The last search failed. Press Find again.") return "tooltip";
      if (Form->PlayListFiles().Path() != Temp.Folder() + Utf8ToString(Folder) + u"/") return "root";
      Form->btnMake->click();
    }
    return {};
  });
  EXPECT_EQ(Failure, "");
  chmod((Temp.Path() + "Locked").c_str(), 0755);
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Temp.Path()))
    EXPECT_NE(Entry.path().extension(), ".m3u") << Entry.path();
}

TEST_F(TWindowSearchTest, FindDuringASearchStopsItAndHearsNoMoreOfIt) {
  Temp.MakeFile("Other/o1.mp3");
  Temp.MakeFile("Other/Sub/o2.mp3");
  auto Form = NewForm(Settings());
  Form->btnFind->click();
  LetTheWalkWait();
  Form->listLocalDirectory->SetDirectory(Temp.Folder() + u"Other");
  ASSERT_TRUE(FindAndWait(*Form));
  ASSERT_TRUE(WaitForTasks(*Form));
  EXPECT_EQ(LinesOf(*Form->mmoFiles->Lines()), (std::vector<String>{u"o1.mp3", u"Sub/o2.mp3"}));
  EXPECT_EQ(TreeOf(Form->PlayListFiles()),
            (std::vector<String>{Temp.Folder() + u"Other/: o1.mp3", Temp.Folder() + u"Other/Sub/: o2.mp3"}));
  const std::vector<String> Panels = PanelTexts(*Form);
  EXPECT_EQ(Panels[0], u"2 files");
  EXPECT_EQ(Panels[1], u"2 directories");
  EXPECT_TRUE(StartsStr(u"...finished (", Panels[2])) << StringToUtf8(Panels[2]);
}

TEST_F(TWindowSearchTest, ClosingDuringASearchStopsItSilently) {
  auto Form = NewForm(Settings());
  Form->show();
  const std::vector<String> Before = PanelTexts(*Form);
  Form->btnFind->click();
  LetTheWalkWait();
  Form->close();
  EXPECT_FALSE(Form->Searching());
  // Whatever the stopped walk still hands over goes nowhere.
  ASSERT_TRUE(WaitForTasks(*Form));
  QTest::qWait(100);
  EXPECT_EQ(PanelTexts(*Form), Before);
  EXPECT_EQ(Form->mmoFiles->Lines()->Count(), 0);
  Form.reset();
  EXPECT_EQ(SettingsBytes(), Settings() + "\n[Filter]\nVideoFormat=" + StringToUtf8(DefaultVideoFilterText) +
                                 "\nAudioFormat=" + StringToUtf8(DefaultMoreAudioFilterText) +
                                 "\n\n[File]\nMinSize=102400\n");
}

TEST_F(TWindowSearchTest, FindAndClosingInTheMiddleOfAHundredThousandFiles) {
  const TTempDir InMemory(MemoryTempBase());
  const std::string Library = InMemory.Path() + "Library";
  MakeLibrary(Library, 100, 1000);
  Temp.MakeFile("Other/o1.mp3");
  Temp.MakeFile("Other/Sub/o2.mp3");
  // Not shown: Qt paints a long memo's scroll bar on its own pool of
  // threads, whose locks the thread sanitizer cannot see.
  auto Form = NewForm("[Path]\nLastFolder=" + Library + "\n");
  Form->btnFind->click();
  ASSERT_TRUE(ListUntil(*Form, 1000));
  ASSERT_TRUE(Form->Searching());
  Form->listLocalDirectory->SetDirectory(Temp.Folder() + u"Other");
  ASSERT_TRUE(FindAndWait(*Form));
  QTest::qWait(100);
  EXPECT_EQ(LinesOf(*Form->mmoFiles->Lines()), (std::vector<String>{u"o1.mp3", u"Sub/o2.mp3"}));
  EXPECT_EQ(TreeOf(Form->PlayListFiles()),
            (std::vector<String>{Temp.Folder() + u"Other/: o1.mp3", Temp.Folder() + u"Other/Sub/: o2.mp3"}));
  EXPECT_EQ(PanelTexts(*Form)[1], u"2 directories");

  Form->listLocalDirectory->SetDirectory(Utf8ToString(Library));
  Form->btnFind->click();
  ASSERT_TRUE(ListUntil(*Form, 1000));
  Form->close();
  EXPECT_EQ(Form->FileEnumerator().GetRunningTasks(), 0);
  const std::vector<String> Panels = PanelTexts(*Form);
  const int Listed = Form->mmoFiles->Lines()->Count();
  QTest::qWait(100);
  EXPECT_EQ(PanelTexts(*Form), Panels);
  EXPECT_EQ(Form->mmoFiles->Lines()->Count(), Listed);
  EXPECT_LT(Listed, 100000);
  Form.reset();
  QTest::qWait(100);
}

TEST_F(TWindowSearchTest, StopSignalsCloseTheProgramAsItsCloseButtonDoes) {
  // A copy of the program keeps its settings beside it.
  const std::string Program = Temp.Path() + "cantrel";
  std::filesystem::copy_file(CANTREL_WINDOW_PATH, Program);
  for (const int Signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(Signal);
    Temp.MakeFile("cantrel.ini", Settings());
    TCliProcess Run(Temp, {.Program = Program});
    ASSERT_TRUE(WaitForSignalHandler(Run.Pid(), Signal));
    kill(Run.Pid(), Signal);
    const TCliResult Result = Run.Wait();
    EXPECT_EQ(Result.Status, 0) << Result.Err;
    EXPECT_EQ(SettingsBytes(), Settings() + "\n[Filter]\nVideoFormat=" + StringToUtf8(DefaultVideoFilterText) +
                                   "\nAudioFormat=" + StringToUtf8(DefaultMoreAudioFilterText) +
                                   "\n\n[File]\nMinSize=102400\n");
  }
}

TEST_F(TWindowSearchTest, TheMenuKeysFindAndMakeAsTheButtonsDoWithTheMoreAudioLine) {
  Temp.MakeFile("Music/B/m.opus");
  auto Form = NewForm(Settings() + "[Filter]\nAudioFormat=Opus (*.opus)\n");
  Form->show();
  Form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  Form->cbbFileFilter->SetItemIndex(10);
  // Make before any Find writes nothing, from the menu as from the button.
  QTest::keyClick(Form.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(FileExistsAt(Music + "/Music.m3u"));

  QTest::keyClick(Form.get(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Searching(); }, 60000));
  EXPECT_EQ(LinesOf(*Form->mmoFiles->Lines()), (std::vector<String>{u"B/m.opus"}));
  EXPECT_TRUE(Form->mniMake->isEnabled());
  QTest::keyClick(Form.get(), Qt::Key_S, Qt::ControlModifier);
  const std::string Playlist = ReadFileBytes(Music + "/Music.m3u");
  EXPECT_NE(Playlist.find("\r\nB/m.opus\r\n"), std::string::npos) << Playlist;
  EXPECT_EQ(Playlist.find(".mp3"), std::string::npos) << Playlist;
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TWindowSearchTest, TheProgramsArgumentsAndAFolderFromTheCommandLine) {
  const std::string Program = Temp.Path() + "cantrel";
  std::filesystem::copy_file(CANTREL_WINDOW_PATH, Program);
  // Help, version and a wrong argument need no display.
  const std::vector<std::string> NoDisplay{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  const auto Answer = [&](std::vector<std::string> Arguments) {
    return RunCli(Temp, {.Arguments = std::move(Arguments), .Program = Program, .Environment = NoDisplay});
  };
  const TCliResult Help = Answer({"--help"});
  EXPECT_EQ(Help.Status, 0) << Help.Err;
  EXPECT_TRUE(Help.Out.starts_with("Usage: cantrel [FOLDER]\n")) << Help.Out;
  const TCliResult Version = Answer({"-V"});
  EXPECT_EQ(Version.Status, 0) << Version.Err;
  EXPECT_TRUE(std::regex_match(Version.Out, std::regex("cantrel [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << Version.Out;
  for (const std::vector<std::string>& Wrong :
       {std::vector<std::string>{"--bogus"}, {"-x", Music}, {Music, Music + "/A"}}) {
    const TCliResult Refused = Answer(Wrong);
    EXPECT_EQ(Refused.Status, 2) << Wrong[0];
    EXPECT_TRUE(std::regex_match(Refused.Err, std::regex("cantrel: [^\n]+\n"))) << Refused.Err;
    EXPECT_EQ(Refused.Out, "");
  }
  EXPECT_NE(Answer({"--bogus"}).Err.find("\"--bogus\""), std::string::npos);

  // A folder, given relative to where the program starts, becomes the
  // current one instead of the last; closing keeps it.
  Temp.MakeFile("cantrel.ini", Settings());
  TCliProcess Run(Temp, {.Arguments = {"A/X"}, .Program = Program, .Directory = Music});
  ASSERT_TRUE(WaitForSignalHandler(Run.Pid(), SIGTERM));
  kill(Run.Pid(), SIGTERM);
  const TCliResult Result = Run.Wait();
  EXPECT_EQ(Result.Status, 0) << Result.Err;
  EXPECT_TRUE(SettingsBytes().starts_with("[Path]\nLastFolder=" + Music + "/A/X\n")) << SettingsBytes();
}

// The tag options of the Options menu: kept in the settings file, read
// during Find, and a change after Find holds Make back until the next.
TEST_F(TWindowSearchTest, TagOptionsAreReadDuringFindAndKept) {
  Temp.MakeFile("Music/A/a2.flac", MakeAudioFile(TAudioFormat::afFlac, 3000, {u"Zwei", u"Wer", u"Alb", "1", ""}));
  const TScopedEnvironment Cache{{"XDG_CACHE_HOME", Temp.Path() + "cache"}};
  {
    auto Form = NewForm(Settings() + "[Playlist]\nOrder=tags\n");
    EXPECT_FALSE(Form->mniTags->Checked());
    EXPECT_TRUE(Form->mniOrderByTags->Checked());
    Form->mniTags->trigger();
    ASSERT_TRUE(FindAndWait(*Form));
    EXPECT_TRUE(Form->btnMake->isEnabled());
    Form->btnMake->click();
    EXPECT_EQ(ReadFileBytes(Music + "/A/A.m3u"), CrLfLines({"#EXTM3U", "", "#EXTINF:3,Wer - Zwei", "a2.flac",
                                                             "#EXTINF:-1,a1", "a1.MP3", "", "#EXTINF:-1,x1",
                                                             "X/x1.ogg"}));
    Form->mniOrderByTags->trigger();
    EXPECT_FALSE(Form->btnMake->isEnabled());
    EXPECT_EQ(Form->btnMake->toolTip().toStdU16String(), u"Press Find again to read the tags.");
    Form->mniOrderByTags->trigger();
    EXPECT_TRUE(Form->btnMake->isEnabled());
  }
  EXPECT_NE(SettingsBytes().find("\n[Playlist]\nOrder=tags\nTags=1\n"), std::string::npos) << SettingsBytes();
  // The same tag cache as cantrel-cli's.
  EXPECT_TRUE(FileExistsAt(Temp.Path() + "cache/cantrel/tags.sqlite"));
  EXPECT_TRUE(Boxes.Shown.empty());
}

// With a tag option the watch reads the tags too: a file re-tagged in place
// changes its entry.
TEST_F(TWindowSearchTest, KeepPlaylistsUpToDateFollowsTags) {
  const std::string File = Music + "/A/a2.flac";
  Temp.MakeFile("Music/A/a2.flac", MakeAudioFile(TAudioFormat::afFlac, 3000, {u"Zwei", u"Wer", u"Alb", "1", ""}));
  const TScopedEnvironment Cache{{"XDG_CACHE_HOME", Temp.Path() + "cache"}};
  auto Form = NewForm(Settings() + "[Playlist]\nTags=1\n[Watch]\nEnabled=1\n");
  ASSERT_TRUE(FindAndWait(*Form));
  Form->btnMake->click();
  EXPECT_EQ(PanelTexts(*Form)[2], u"Watching " + Utf8ToString(Music) + u"/");
  std::ofstream(File, std::ios::binary) << MakeAudioFile(TAudioFormat::afFlac, 3000, {u"Drei", u"Wer", u"Alb", "1", ""});
  const auto Lists = [&] { return ReadFileBytes(Music + "/A/A.m3u").find("Wer - Drei") != std::string::npos; };
  ASSERT_TRUE(QTest::qWaitFor(Lists, 60000)) << ReadFileBytes(Music + "/A/A.m3u");
  EXPECT_TRUE(Boxes.Shown.empty());
}

// "Keep playlists up to date": after a Make the folder is followed while
// the window is open, with that Make's options, until the item is cleared.
TEST_F(TWindowSearchTest, KeepPlaylistsUpToDateFollowsTheFolderAfterAMake) {
  auto Form = NewForm(Settings() + "[Watch]\nEnabled=1\n");
  EXPECT_TRUE(Form->mniKeepUpToDate->Checked());
  ASSERT_TRUE(FindAndWait(*Form));
  Form->btnMake->click();
  EXPECT_EQ(PanelTexts(*Form)[2], u"Watching " + Utf8ToString(Music) + u"/");
  Temp.MakeFile("Music/A/a2.mp3");
  const auto Lists = [&](const char* Name) { return ReadFileBytes(Music + "/A/A.m3u").find(Name) != std::string::npos; };
  ASSERT_TRUE(QTest::qWaitFor([&] { return Lists("a2.mp3"); }, 60000));
  EXPECT_EQ(ReadFileBytes(Music + "/A/A.m3u"), CrLfLines({"#EXTM3U", "", "a1.MP3", "a2.mp3", "", "X/x1.ogg"}));

  Form->mniKeepUpToDate->trigger();
  EXPECT_EQ(PanelTexts(*Form)[2], u"");
  Temp.MakeFile("Music/A/a3.mp3");
  // Longer than the settle time of a watch.
  QTest::qWait(3000);
  EXPECT_FALSE(Lists("a3.mp3"));
  Form.reset();
  EXPECT_NE(SettingsBytes().find("[Watch]\nEnabled=0\n"), std::string::npos) << SettingsBytes();
  EXPECT_TRUE(Boxes.Shown.empty());
}
