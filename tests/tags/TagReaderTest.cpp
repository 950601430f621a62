#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstring>

#include "TagReaderTesting.h"
#include "Unprivileged.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

class TagReaderTest : public TTagFolderTest {};

std::string NameFor(std::string_view Base, TAudioFormat Format) { return std::string(Base) + AudioExtension(Format); }

TMediaTags Expected(String Title, String Artist, String Album, int Track, int Disc, int Length) {
  return {std::move(Title), std::move(Artist), std::move(Album), Track, Disc, Length};
}

// Folders below Top until the path from "/" would be longer than PATH_MAX,
// made and removed through descriptors alone.
class TDeepFolder {
public:
  TDeepFolder(int Top, std::size_t PathLength) : FLevels{dup(Top)} {
    while (PathLength <= PATH_MAX && FLevels.back() >= 0) {
      if (mkdirat(FLevels.back(), Piece.c_str(), 0755) != 0) break;
      FLevels.push_back(openat(FLevels.back(), Piece.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      PathLength += Piece.size() + 1;
    }
  }
  ~TDeepFolder() {
    for (std::size_t Level = FLevels.size() - 1; Level > 0; --Level) {
      close(FLevels[Level]);
      unlinkat(FLevels[Level - 1], Piece.c_str(), AT_REMOVEDIR);
    }
    close(FLevels[0]);
  }
  TDeepFolder(const TDeepFolder&) = delete;
  TDeepFolder& operator=(const TDeepFolder&) = delete;

  bool Made() const { return FLevels.size() > 1 && FLevels.back() >= 0; }
  int Bottom() const { return FLevels.back(); }
  bool Write(const std::string& Name, const std::string& Bytes) const {
    const int File = openat(Bottom(), Name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const bool Written = File >= 0 && write(File, Bytes.data(), Bytes.size()) == static_cast<ssize_t>(Bytes.size());
    if (File >= 0) close(File);
    return Written;
  }
  void Remove(std::initializer_list<std::string> Names) const {
    for (const std::string& Name : Names) unlinkat(Bottom(), Name.c_str(), 0);
  }

private:
  const std::string Piece = std::string(200, 'd');
  std::vector<int> FLevels;
};

}  // namespace

TEST_F(TagReaderTest, EveryFormatGivesEveryFieldAndItsLength) {
  const std::uint64_t OpenedBefore = MediaFilesOpened();
  for (const TAudioFormat Format : AudioFormats) {
    SCOPED_TRACE(AudioFormatName(Format));
    // Cover art larger than the stream's buffer, as real files carry.
    Make(NameFor("full", Format), Format, {u"Title", u"Artist", u"Album", "3/12", "1/2", 300 * 1024});
    Make(NameFor("plain", Format), Format, {u"T", u"A", u"B", "7", "2"}, 2400);
    Make(NameFor("none", Format), Format);
    Make(NameFor("title", Format), Format, {u"Only a title", u"", u"", "", ""});
    EXPECT_EQ(Read(NameFor("full", Format)), Expected(u"Title", u"Artist", u"Album", 3, 1, 3000));
    EXPECT_EQ(Read(NameFor("plain", Format)), Expected(u"T", u"A", u"B", 7, 2, 2400));
    EXPECT_EQ(Read(NameFor("none", Format)), Expected(u"", u"", u"", 0, 0, 3000));
    EXPECT_EQ(Read(NameFor("title", Format)), Expected(u"Only a title", u"", u"", 0, 0, 3000));
  }
  EXPECT_EQ(MediaFilesOpened() - OpenedBefore, 20u);
}

TEST_F(TagReaderTest, TextsArriveExactly) {
  const String Texts[] = {u"Line\nbreak\r\nand\ttab", u"Rock & <Roll> \"quoted\" 'too'", u"Кино — Группа крови",
                          u"東京事変 群青日和", u"Night 🌙 drive 🎵"};
  for (const TAudioFormat Format : AudioFormats) {
    SCOPED_TRACE(AudioFormatName(Format));
    for (std::size_t Index = 0; Index < std::size(Texts); ++Index) {
      const std::string Name = NameFor("text" + std::to_string(Index), Format);
      Make(Name, Format, {Texts[Index], Texts[(Index + 1) % std::size(Texts)], Texts[(Index + 2) % std::size(Texts)], "", ""});
      const TMediaTags Tags = Read(Name);
      EXPECT_EQ(Tags.Title, Texts[Index]);
      EXPECT_EQ(Tags.Artist, Texts[(Index + 1) % std::size(Texts)]);
      EXPECT_EQ(Tags.Album, Texts[(Index + 2) % std::size(Texts)]);
    }
  }
}

TEST_F(TagReaderTest, FormatIsToldByExtensionInAnyCaseOrByContent) {
  const TAudioTags Tags{u"Found", u"", u"", "1", ""};
  const TMediaTags Found = Expected(u"Found", u"", u"", 1, 0, 3000);
  for (const TAudioFormat Format : AudioFormats) {
    SCOPED_TRACE(AudioFormatName(Format));
    std::string Upper = NameFor("LOUD", Format);
    for (char& Letter : Upper) Letter = static_cast<char>(std::toupper(static_cast<unsigned char>(Letter)));
    Make(Upper, Format, Tags);
    Make("bare", Format, Tags);
    Make(NameFor("named-mp3", Format) + ".mp3", Format, Tags);
    Make(NameFor("named-m4a", Format) + ".m4a", Format, Tags);
    Make(NameFor("unknown", Format) + ".bin", Format, Tags);
    EXPECT_EQ(Read(Upper), Found);
    EXPECT_EQ(Read("bare"), Found);
    EXPECT_EQ(Read(NameFor("named-mp3", Format) + ".mp3"), Found);
    EXPECT_EQ(Read(NameFor("named-m4a", Format) + ".m4a"), Found);
    EXPECT_EQ(Read(NameFor("unknown", Format) + ".bin"), Found);
  }
}

TEST_F(TagReaderTest, BrokenAndUnreadableFilesAnswerEmptyTags) {
  const TAudioTags Tags{u"Whole title", u"Artist", u"Album", "3/12", "1/2"};
  for (const TAudioFormat Format : AudioFormats) {
    SCOPED_TRACE(AudioFormatName(Format));
    const std::string Bytes = MakeAudioFile(Format, 3000, Tags);
    Dir.MakeFile(NameFor("garbage", Format), std::string(5000, 'x'));
    Dir.MakeFile(NameFor("empty", Format), "");
    Dir.MakeFile(NameFor("head", Format), Bytes.substr(0, 10));
    EXPECT_EQ(Read(NameFor("garbage", Format)), TMediaTags());
    EXPECT_EQ(Read(NameFor("empty", Format)), TMediaTags());
    EXPECT_EQ(Read(NameFor("head", Format)), TMediaTags());
    // Cut anywhere, a file gives what is left whole or nothing: never a
    // piece of a text, never more sound than it had.
    for (std::size_t Cut = 0; Cut < Bytes.size(); Cut += 1 + Cut / 8) {
      Dir.MakeFile(NameFor("cut", Format), Bytes.substr(0, Cut));
      const TMediaTags Got = Read(NameFor("cut", Format));
      EXPECT_TRUE(Got.Title.empty() || Got.Title == Tags.Title) << Cut;
      EXPECT_TRUE(Got.Length == -1 || (Got.Length > 0 && Got.Length <= 3000)) << Cut;
    }
  }

  // Nothing but a regular file is opened: a FIFO would block the reader, a
  // device may act on an open.
  const std::uint64_t OpenedBefore = MediaFilesOpened();
  Dir.MakeDir("folder.mp3");
  ASSERT_EQ(mkfifo((Dir.Path() + "pipe.mp3").c_str(), 0644), 0);
  ASSERT_EQ(symlink("missing.flac", (Dir.Path() + "dangling.flac").c_str()), 0);
  EXPECT_EQ(Read("folder.mp3"), TMediaTags());
  EXPECT_EQ(Read("pipe.mp3"), TMediaTags());
  EXPECT_EQ(Read("dangling.flac"), TMediaTags());
  EXPECT_EQ(Read("missing.flac"), TMediaTags());
  EXPECT_EQ(MediaFilesOpened(), OpenedBefore);

  Make("locked.mp3", TAudioFormat::afMp3, Tags);
  ASSERT_EQ(chmod((Dir.Path() + "locked.mp3").c_str(), 0), 0);
  EXPECT_EQ(RunWithoutOverride([&] {
              const std::uint64_t Before = MediaFilesOpened();
              return Read("locked.mp3") == TMediaTags() && MediaFilesOpened() == Before ? "" : "read";
            }),
            "");
}

TEST_F(TagReaderTest, ReadsFromTheFolderDescriptorAtAnyDepth) {
  // Deeper than a path can name: only descriptors reach the file.
  TDeepFolder Deep(Folder, Dir.Path().size());
  ASSERT_TRUE(Deep.Made());
  // A name of bytes that are not UTF-8 arrives as its kept bytes.
  const std::string Name = "\xFF\xFE deep.opus";
  ASSERT_TRUE(Deep.Write(Name, MakeAudioFile(TAudioFormat::afOggOpus, 1200, {u"Deep down", u"", u"", "9", ""})));
  ASSERT_EQ(symlinkat(Name.c_str(), Deep.Bottom(), "link.opus"), 0);

  const TMediaTags DeepDown = Expected(u"Deep down", u"", u"", 9, 0, 1200);
  EXPECT_EQ(ReadMediaTags(Deep.Bottom(), Utf8ToString(Name)), DeepDown);
  EXPECT_EQ(ReadMediaTags(Deep.Bottom(), u"link.opus"), DeepDown);
  EXPECT_EQ(ReadMediaTags(Deep.Bottom(), u"\uFFFD\uFFFD deep.opus"), TMediaTags());
  Deep.Remove({Name, "link.opus"});
}
