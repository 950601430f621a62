#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "AudioFiles.h"
#include "CliRunner.h"

using namespace cantrel::test;

namespace {

std::string NonBlankLines(const std::string& Text) {
  std::string Result;
  for (std::size_t Start = 0, End; Start < Text.size(); Start = End + 1) {
    End = std::min(Text.find('\n', Start), Text.size());
    std::string Line = Text.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (!Line.empty()) Result += Line + "\n";
  }
  return Result;
}

// The playlist the default name gives Dir's own folder, without extension.
std::string FolderBase(const TTempDir& Dir) {
  return std::filesystem::path(Dir.Path()).parent_path().filename().string();
}

}  // namespace

// An album in track order from real files' tags: the list previews what
// the playlists hold, and --tags puts titles, artists and lengths in front
// of the entries; files without numbers or tags come last by name.
TEST(CliTagsTest, AlbumOrderAndTitlesFromRealFiles) {
  TTempDir Music;
  TTempDir Scratch;
  Music.MakeFile("Zehn.mp3", MakeAudioFile(TAudioFormat::afMp3, 2000, {u"Zehn", u"Ärzte", u"A", "10", "1"}));
  Music.MakeFile("Zwei.flac", MakeAudioFile(TAudioFormat::afFlac, 2000, {u"Zwei", u"", u"A", "2", "1/2"}));
  Music.MakeFile("a.m4a", MakeAudioFile(TAudioFormat::afMp4, 2000, {u"Eins", u"Α", u"A", "1", "2"}));
  Music.MakeFile("b.ogg", MakeAudioFile(TAudioFormat::afOggVorbis, 2000));
  Music.MakeFile("Intro.mp3", "not a sound");
  Music.MakeFile("Sub/x.mp3", MakeAudioFile(TAudioFormat::afMp3, 500, {u"X", u"Y", u"B", "1", ""}));
  const std::string Filter = "*.mp3;*.flac;*.m4a;*.ogg";

  EXPECT_EQ(RunCli(Scratch, {"-q", "--list", "-f", Filter, Music.Path()}).Out,
            "a.m4a\nb.ogg\nIntro.mp3\nZehn.mp3\nZwei.flac\nSub/x.mp3\n");
  const TCliResult Ordered = RunCli(Scratch, {"-q", "--list", "--order", "tags", "-f", Filter, Music.Path()});
  EXPECT_EQ(Ordered.Status, 0) << Ordered.Err;
  EXPECT_EQ(Ordered.Out, "Zwei.flac\nZehn.mp3\na.m4a\nb.ogg\nIntro.mp3\nSub/x.mp3\n");

  const TCliResult Made =
      RunCli(Scratch, {"-q", "--tags", "--order", "tags", "-t", "m3u8", "-n", "list.m3u8", "-f", Filter, Music.Path()});
  EXPECT_EQ(Made.Status, 0) << Made.Err;
  EXPECT_EQ(NonBlankLines(ReadFileBytes(Music.Path() + "list.m3u8")),
            "#EXTM3U\n#EXTINF:2,Zwei\nZwei.flac\n#EXTINF:2,Ärzte - Zehn\nZehn.mp3\n#EXTINF:2,Α - Eins\na.m4a\n"
            "#EXTINF:2,b\nb.ogg\n#EXTINF:-1,Intro\nIntro.mp3\n#EXTINF:1,Y - X\nSub/x.mp3\n");
  EXPECT_EQ(NonBlankLines(ReadFileBytes(Music.Path() + "Sub/list.m3u8")), "#EXTM3U\n#EXTINF:1,Y - X\nx.mp3\n");

  EXPECT_EQ(RunCli(Scratch, {"--order", "track", Music.Path()}).Err,
            "cantrel-cli: unknown order \"track\" (choose name or tags)\nTry 'cantrel-cli --help' for more "
            "information.\n");
}

// A warm run takes every tag from the cache: no media file opened, no row
// written; a file touched in place is read again; a damaged cache is made
// anew with one warning; the playlists' bytes are the same every time.
TEST(CliTagsTest, TheTagCacheSparesTheReadingAndNeverChangesAByte) {
  TTempDir Music;
  TTempDir Scratch;
  for (const char* Name : {"a.mp3", "b.flac", "Sub/c.ogg"})
    Music.MakeFile(Name, MakeAudioFile(TAudioFormat::afFlac, 1000, {u"T", u"A", u"B", "1", ""}));
  const auto Run = [&](std::vector<std::string> Extra = {}) {
    std::vector<std::string> Arguments{"-v", "--tags", "-t", "xspf", "-f", "*.mp3;*.flac;*.ogg"};
    Arguments.insert(Arguments.end(), Extra.begin(), Extra.end());
    Arguments.push_back(Music.Path());
    const TCliResult Result =
        RunCli(Scratch, {.Arguments = Arguments, .Environment = {"XDG_CACHE_HOME=" + Scratch.Path() + "cache"}});
    EXPECT_EQ(Result.Status, 0) << Result.Err;
    const std::size_t Cost = Result.Err.rfind("\n", Result.Err.size() - 2);
    return std::pair(Result.Err.substr(Cost + 1), ReadFileBytes(Music.Path() + FolderBase(Music) + ".xspf"));
  };
  const auto [Cold, Written] = Run();
  EXPECT_TRUE(Cold.starts_with("media files opened for their tags: 3; ")) << Cold;
  EXPECT_NE(Cold, "media files opened for their tags: 3; rows written into the tag cache: 0\n");
  EXPECT_EQ(Run(), std::pair(std::string("media files opened for their tags: 0; rows written into the tag cache: 0\n"),
                             Written));

  // Size kept, times changed: read again.
  utimensat(AT_FDCWD, (Music.Path() + "b.flac").c_str(), nullptr, 0);
  const auto Touched = Run();
  EXPECT_TRUE(Touched.first.starts_with("media files opened for their tags: 1; ")) << Touched.first;
  EXPECT_EQ(Touched.second, Written);
  EXPECT_EQ(Run({"--no-cache"}), std::pair(std::string("media files opened for their tags: 3; rows written into the "
                                                       "tag cache: 0\n"),
                                           Written));

  Scratch.MakeFile("cache/cantrel/tags.sqlite", std::string(4096, 'x'));
  const TCliResult Damaged = RunCli(Scratch, {.Arguments = {"--tags", "-q", "-t", "xspf", Music.Path()},
                                              .Environment = {"XDG_CACHE_HOME=" + Scratch.Path() + "cache"}});
  EXPECT_EQ(Damaged.Status, 0);
  EXPECT_EQ(std::count(Damaged.Err.begin(), Damaged.Err.end(), '\n'), 1) << Damaged.Err;
  EXPECT_EQ(ReadFileBytes(Music.Path() + FolderBase(Music) + ".xspf"), Written);
}
