#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "CliRunner.h"
#include "HostileNames.h"
#include "RunProgram.h"

using namespace cantrel::test;

namespace {

// Text as cantrel-cli shows it on stderr: bytes that are not UTF-8 and
// control characters become "?".
std::string Shown(const std::string& Bytes) {
  std::string Result;
  for (std::size_t Pos = 0; Pos < Bytes.size();) {
    const unsigned char Lead = static_cast<unsigned char>(Bytes[Pos]);
    const std::size_t Length = Lead < 0x80 ? 1 : Lead >= 0xF0 ? 4 : Lead >= 0xE0 ? 3 : Lead >= 0xC2 ? 2 : 0;
    bool Valid = Length > 0 && Pos + Length <= Bytes.size();
    for (std::size_t I = 1; Valid && I < Length; ++I) Valid = (static_cast<unsigned char>(Bytes[Pos + I]) & 0xC0) == 0x80;
    const bool Control = Lead < 0x20 || Lead == 0x7F || (Lead == 0xC2 && Valid && static_cast<unsigned char>(Bytes[Pos + 1]) < 0xA0);
    Result += !Valid || Control ? std::string("?") : Bytes.substr(Pos, Length);
    Pos += Valid ? Length : 1;
  }
  return Result;
}

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Result;
  for (std::size_t Start = 0, End; Start < Text.size(); Start = End + 1) {
    End = Text.find('\n', Start);
    Result.push_back(Text.substr(Start, End - Start));
  }
  return Result;
}

// The folders below Folder, itself included, each ending in "/".
std::vector<std::string> Folders(const std::string& Folder) {
  std::vector<std::string> Result{Folder};
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Folder))
    if (Entry.is_directory()) Result.push_back(Entry.path().string() + "/");
  return Result;
}

std::string FolderName(const std::string& Folder) {
  return std::filesystem::path(Folder.substr(0, Folder.size() - 1)).filename().string();
}

// Why a format cannot hold a relative path, or nullptr.
using TRefusal = std::function<const char*(const std::string&)>;

struct TFormatCase {
  const char* Format;
  TRefusal Refusal;
  int Status;
};

}  // namespace

TEST(CliMakeTest, HostileNamesInEveryFormat) {
  TTempDir Music, Scratch;
  const std::vector<std::string> Files = MakeHostileTree(Music.Path());
  const TRefusal LineBreak = [](const std::string& Path) -> const char* {
    return Path.find_first_of("\r\n") != std::string::npos ? "line break in the name" : nullptr;
  };
  const TRefusal NotXml = [](const std::string& Path) -> const char* {
    const bool Refused = Path.find('\x07') != std::string::npos || Path.find("caf\xE9") != std::string::npos;
    return Refused ? "not representable in XML" : nullptr;
  };
  // INI readers trim a value: a blank or tab at its end is lost.
  const TRefusal NotIni = [&](const std::string& Path) -> const char* {
    if (const char* Reason = LineBreak(Path)) return Reason;
    return Path.back() == ' ' || Path.back() == '\t' ? "blank at the end of the name" : nullptr;
  };
  const TRefusal Nothing = [](const std::string&) -> const char* { return nullptr; };
  const TFormatCase Cases[] = {
      {"m3u", LineBreak, 3}, {"m3u8", LineBreak, 3}, {"pls", NotIni, 3},
      {"wpl", NotXml, 3},    {"xspf", Nothing, 0},   {"asx", Nothing, 0},
  };
  for (const TFormatCase& Case : Cases) {
    SCOPED_TRACE(Case.Format);
    // "?" takes in "trail.mp3 ".
    const TCliResult Result = RunCli(Scratch, {"-q", "-f", "*.mp3;*.mp3?", "-t", Case.Format, "-n", "%album%", Music.Path()});
    EXPECT_EQ(Result.Status, Case.Status);
    std::vector<std::string> Reported = Lines(Result.Err), Expected;
    for (const std::string& Folder : Folders(Music.Path())) {
      const std::string PlayList = Folder + FolderName(Folder) + "." + Case.Format;
      const TPlayListVerdict Verdict = CheckPlayList(PlayList);
      for (const std::string& Problem : Verdict.Problems) ADD_FAILURE() << Problem;
      std::vector<std::string> Listed, Found;
      const std::string Relative = Folder.substr(Music.Path().size());
      for (const std::string& File : Files) {
        if (!File.starts_with(Relative)) continue;
        const std::string Entry = File.substr(Relative.size());
        if (const char* Reason = Case.Refusal(Entry))
          Expected.push_back("cantrel-cli: left out of \"" + Shown(PlayList) + "\": \"" + Shown(Entry) + "\" (" +
                             Reason + ")");
        else
          Listed.push_back(Entry);
      }
      for (const std::string& Path : Verdict.Files) Found.push_back(Path.substr(Folder.size()));
      std::sort(Listed.begin(), Listed.end());
      std::sort(Found.begin(), Found.end());
      EXPECT_EQ(Found, Listed) << PlayList;
    }
    std::sort(Reported.begin(), Reported.end());
    std::sort(Expected.begin(), Expected.end());
    EXPECT_EQ(Reported, Expected);
  }
}

TEST(CliMakeTest, FoldersThatRefuseTheUserAreReportedAndTheRestIsWritten) {
  TTempDir Music, Scratch;
  for (const char* File : {"a.mp3", "Rock/b.mp3", "Rock/Live/c.mp3", "Locked/d.mp3", "Jazz/e.mp3"}) Music.MakeFile(File);
  OpenToEveryone(Music);
  OpenToEveryone(Scratch);
  // The unprivileged user owns the tree, as a user owns their music.
  if (geteuid() == 0) {
    for (const std::string& Folder : Folders(Music.Path())) {
      ASSERT_EQ(lchown(Folder.c_str(), 65534, 65534), 0);
      for (const auto& Entry : std::filesystem::directory_iterator(Folder))
        ASSERT_EQ(lchown(Entry.path().c_str(), 65534, 65534), 0);
    }
  }
  chmod((Music.Path() + "Rock").c_str(), 0555);
  chmod((Music.Path() + "Locked").c_str(), 0);
  const std::string Unreadable = "cantrel-cli: cannot read folder \"" + Music.Path() + "Locked/\": Permission denied\n";

  const TCliResult List = RunCli(Scratch, {.Arguments = {"-lq", Music.Path()}, .Unprivileged = true});
  EXPECT_EQ(List.Status, 3);
  EXPECT_EQ(List.Out, "a.mp3\nJazz/e.mp3\nRock/b.mp3\nRock/Live/c.mp3\n");
  EXPECT_EQ(List.Err, Unreadable);

  // A read-only folder fails its own playlist; every other is written, and
  // the parent still lists its files. Failing beats an unreadable folder.
  const TCliResult Made = RunCli(Scratch, {.Arguments = {"-q", "-n", "all.m3u", Music.Path()}, .Unprivileged = true});
  EXPECT_EQ(Made.Status, 1);
  EXPECT_EQ(Made.Err, Unreadable + "cantrel-cli: Cannot create file \"" + Music.Path() +
                          "Rock/all.m3u\". Permission denied\n");
  EXPECT_EQ(ReadFileBytes(Music.Path() + "all.m3u"),
            CrLfLines({"#EXTM3U", "", "a.mp3", "", "Jazz/e.mp3", "", "Rock/b.mp3", "", "Rock/Live/c.mp3"}));
  EXPECT_TRUE(FileExistsAt(Music.Path() + "Rock/Live/all.m3u"));
  EXPECT_TRUE(FileExistsAt(Music.Path() + "Jazz/all.m3u"));
  EXPECT_FALSE(FileExistsAt(Music.Path() + "Rock/all.m3u"));
  EXPECT_FALSE(FileExistsAt(Music.Path() + "Locked/all.m3u"));
}

TEST(CliMakeTest, SigtermDuringMakeStopsBetweenPlaylists) {
  // A chain of folders, each with one file: every playlist carries all below
  // it, so Make takes long enough to be caught in the middle.
  TTempDir Music, Scratch;
  constexpr int Depth = 200;
  std::string Folder = Music.Path(), Deepest;
  for (int Level = 0; Level < Depth; ++Level) {
    Folder += "d/";
    Deepest += "d/";
    Music.MakeFile(Folder.substr(Music.Path().size()) + "a.mp3");
  }
  TCliProcess Run(Scratch, {.Arguments = {"-q", "-n", "list.m3u", Music.Path()}});
  // Playlists are written children first: the deepest comes first.
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!FileExistsAt(Folder + "list.m3u") && std::chrono::steady_clock::now() < Deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  kill(Run.Pid(), SIGTERM);
  const TCliResult Result = Run.Wait();
  EXPECT_EQ(Result.Status, 143) << Result.Err;

  int Written = 0;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Music.Path())) {
    const std::string Name = Entry.path().filename().string();
    EXPECT_FALSE(Name.starts_with(".cantrel-")) << "left behind: " << Entry.path();
    if (Name != "list.m3u") continue;
    ++Written;
    // Every playlist written is whole: it ends with the deepest file.
    const std::string Below = Entry.path().parent_path().string().substr(Music.Path().size());
    const std::string Last = Deepest.substr(Below.size() + 1) + "a.mp3\r\n";
    EXPECT_TRUE(ReadFileBytes(Entry.path()).ends_with(Last)) << Entry.path();
  }
  EXPECT_GE(Written, 1);
  EXPECT_FALSE(FileExistsAt(Music.Path() + "list.m3u"));
}

TEST(CliMakeTest, TurkishLocaleAndNoLocaleAtAll) {
  TTempDir Music, Scratch, Locales;
  for (const char* File : {"a.AIFF", "c.IT", "\xC4\xB0zmir.mp3", "\xC4\xB1l\xC4\xB1k.ogg", "Bj\xC3\xB6rk.mp3", "notes.txt"})
    Music.MakeFile(File);
  // The C library's Turkish locale where it can be built; the walk and the
  // catalogs follow LC_ALL either way.
  RunProgram({"localedef", "-i", "tr_TR", "-f", "UTF-8", Locales.Path() + "tr_TR.UTF-8"});
  const std::vector<std::string> Expected = {"Bj\xC3\xB6rk.mp3", "a.AIFF", "c.IT", "\xC4\xB0zmir.mp3",
                                             "\xC4\xB1l\xC4\xB1k.ogg"};
  for (const TCliCall& Call :
       {TCliCall{.Arguments = {"-q", "-n", "list.m3u", Music.Path()},
                 .Language = "tr_TR.UTF-8",
                 .Environment = {"LOCPATH=" + Locales.Path()}},
        TCliCall{.Arguments = {"-q", "-n", "list.m3u", Music.Path()}, .Environment = {"LC_ALL", "LANG"}}}) {
    SCOPED_TRACE(Call.Language);
    std::filesystem::remove(Music.Path() + "list.m3u");
    const TCliResult Result = RunCli(Scratch, Call);
    EXPECT_EQ(Result.Status, 0) << Result.Err;
    std::vector<std::string> Entries = Lines(ReadFileBytes(Music.Path() + "list.m3u"));
    std::erase_if(Entries, [](const std::string& Line) { return Line == "\r" || Line.starts_with("#"); });
    for (std::string& Entry : Entries) Entry.pop_back();
    std::sort(Entries.begin(), Entries.end());
    EXPECT_EQ(Entries, Expected);
  }
}
