#include <gtest/gtest.h>

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
