#include <gtest/gtest.h>

#include "TreeBuilder.h"
#include "runtime/Locale.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";
constexpr std::string_view XspfDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr std::string_view XspfStart = "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">";

std::string Track(std::string_view Location) {
  return "    <track><location>" + std::string(Location) + "</location></track>";
}

std::string Param(std::string_view Indent, std::string_view Name, std::string_view Value) {
  return std::string(Indent) + "<Param Name = \"" + std::string(Name) + "\" Value = \"" + std::string(Value) + "\" />";
}

std::string AsxHeader(std::string_view Title) {
  return CrLfLines({"<asx version = \"3.0\" >", "  <Title >" + std::string(Title) + "</Title>",
                    Param("  ", "AllowShuffle", "yes"), Param("  ", "Encoding", "utf-8")});
}

std::string OwnEntry(std::string_view Title, std::string_view Type, std::string_view Location) {
  return CrLfLines({"  <entry>", "    <title>" + std::string(Title) + "</title>", Param("    ", "FileType", Type),
                    Param("    ", "SourceURL", Location), "    <ref href = \"" + std::string(Location) + "\" />",
                    "  </entry>"});
}

std::string CarriedEntry(std::string_view Title, std::string_view Type, std::string_view Location) {
  return CrLfLines({"  <entry>", "    <title>" + std::string(Title) + "</title>",
                    "    <ref href = \"" + std::string(Location) + "\" />", Param("    ", "FileType", Type),
                    Param("    ", "SourceURL", Location), "  </entry>"});
}

class PlayListXmlTest : public TPlayListTest {};

}  // namespace

TEST_F(PlayListXmlTest, XspfWorkedExample) {
  FillFolder(Root, Dir, "", {"My Song.mp3"});
  AddFolder(Root, Dir, "Rock & Roll", {"c.mp3"});
  Root.SetFormat(plXSPF);
  Root.makePlayList(u"playall.m3u", true, false);
  EXPECT_EQ(Read("Rock & Roll/playall.xspf"),
            std::string(Bom) + CrLfLines({XspfDeclaration, XspfStart, "  <trackList>", Track("c.mp3"), "",
                                          "  </trackList>", "</playlist>"}));
  EXPECT_EQ(Read("playall.xspf"),
            std::string(Bom) + CrLfLines({XspfDeclaration, XspfStart, "  <trackList>", Track("My%20Song.mp3"), "",
                                          Track("Rock%20%26%20Roll/c.mp3"), "", "  </trackList>", "</playlist>"}));
}

TEST_F(PlayListXmlTest, XspfEmptyFolderAndCarriedDepth) {
  FillFolder(Root, Dir, "", {});
  TPlayListFile& Rock = AddFolder(Root, Dir, "Rock", {"c.mp3"});
  AddFolder(Rock, Dir, "Rock/Live", {"d"});
  AddFolder(Root, Dir, "Empty", {});
  Root.SetFormat(plXSPF);
  Root.makePlayList(u"p", true, false);
  EXPECT_EQ(Read("Empty/p.xspf"),
            std::string(Bom) + CrLfLines({XspfDeclaration, XspfStart, "  <trackList>", "  </trackList>", "</playlist>"}));
  EXPECT_EQ(Read("p.xspf"), std::string(Bom) + CrLfLines({XspfDeclaration, XspfStart, "  <trackList>",
                                                          Track("Rock/c.mp3"), Track("Rock/Live/d"), "", "",
                                                          "  </trackList>", "</playlist>"}));

  Root.makePlayList(u"q", false, false);
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "Rock/q.xspf")) << "without recursion children are not touched";
}

TEST_F(PlayListXmlTest, LocationsEscapeEveryCharacterAUriReserves) {
  FillFolder(Root, Dir, "", {"A&B C.mp3", "100%20.mp3", "#1 what?.mp3", "\"<x>\".mp3", "b\\s.mp3", "Ärger.mp3",
                             "tab\there.mp3"});
  Dir.MakeFile("raw\xE9.mp3");
  Root.Add(Utf8ToString("raw\xE9.mp3"));
  Root.SetFormat(plXSPF);
  Root.makePlayList(u"e", false, false);
  EXPECT_EQ(Read("e.xspf"),
            std::string(Bom) + CrLfLines({XspfDeclaration, XspfStart, "  <trackList>", Track("%22%3Cx%3E%22.mp3"),
                                          Track("%231%20what%3F.mp3"), Track("100%2520.mp3"), Track("A%26B%20C.mp3"),
                                          Track("\xC3\x84rger.mp3"), Track("b%5Cs.mp3"), Track("raw%E9.mp3"),
                                          Track("tab%09here.mp3"), "", "  </trackList>", "</playlist>"}));
}

TEST_F(PlayListXmlTest, AsxWorkedExampleWithoutByteOrderMark) {
  FillFolder(Root, Dir, "Music", {"My Song.mp3", "b.wma"});
  Root.SetFormat(plASX);
  Root.SetUTF8BOM(true);
  Root.makePlayList(u"%album%.m3u", true, true);
  EXPECT_EQ(Read("Music/Music.asx"), AsxHeader("Music") + OwnEntry("b", "wma", "b.wma") +
                                         OwnEntry("My%20Song", "mp3", "My%20Song.mp3") + "</asx>\r\n");
}

TEST_F(PlayListXmlTest, AsxEntriesTitlesAndCarriedBlocks) {
  FillFolder(Root, Dir, "", {"track", "a.b.mp3", "A&B C.mp3"});
  TPlayListFile& Rock = AddFolder(Root, Dir, "Rock Live", {"c.mp3"});
  AddFolder(Rock, Dir, "Rock Live/Best.Of", {"d"});
  Root.SetFormat(plASX);
  Root.makePlayList(u"playall.m3u", true, true);
  EXPECT_EQ(Read("playall.asx"),
            AsxHeader("playall") + OwnEntry("a.b", "mp3", "a.b.mp3") + OwnEntry("A%26B%20C", "mp3", "A%26B%20C.mp3") +
                OwnEntry("track", "", "track") + "\r\n" +
                CarriedEntry("Rock%20Live/c", "mp3", "Rock%20Live/c.mp3") +
                CarriedEntry("Rock%20Live/Best.Of/d", "", "Rock%20Live/Best.Of/d") + "</asx>\r\n");
  EXPECT_EQ(Read("Rock Live/Best.Of/playall.asx"), AsxHeader("playall") + OwnEntry("d", "", "d") + "</asx>\r\n");

  TPlayListFile Empty;
  FillFolder(Empty, Dir, "E", {});
  Dir.MakeDir("E/lists");
  Empty.SetFormat(plASX);
  Empty.makePlayList(u"lists/all.asx", false, true);
  EXPECT_EQ(Read("E/lists/all.asx"), AsxHeader("all") + "</asx>\r\n");
}

TEST_F(PlayListXmlTest, PlsIsARealPlsFile) {
  FillFolder(Root, Dir, "", {"a.mp3", "A & B.ogg"});
  TPlayListFile& Rock = AddFolder(Root, Dir, "Rock", {"c.flac"});
  AddFolder(Rock, Dir, "Rock/Live", {"d.mp3"});
  AddFolder(Root, Dir, "Empty", {});
  Root.SetFormat(plPLS);
  Root.makePlayList(u"playall.m3u", true, false);
  EXPECT_EQ(Read("playall.pls"),
            CrLfLines({"[playlist]", "File1=A & B.ogg", "Title1=A & B", "File2=a.mp3", "Title2=a", "",
                       "File3=Rock/c.flac", "Title3=c", "File4=Rock/Live/d.mp3", "Title4=d", "", "",
                       "NumberOfEntries=4", "Version=2"}));
  EXPECT_EQ(Read("Empty/playall.pls"), CrLfLines({"[playlist]", "NumberOfEntries=0", "Version=2"}));
}

TEST_F(PlayListXmlTest, WplIsAnEscapedSmilDocument) {
  FillFolder(Root, Dir, "", {"Tom & Jerry's \"<Best>\".wma"});
  AddFolder(Root, Dir, "Sub 1", {"ü.mp3"});
  Root.SetFormat(plWPL);
  Root.makePlayList(u"%album%&co.m3u", true, false);
  const std::string Folder = StringToUtf8(ExtractFileName(Dir.Folder().substr(0, Dir.Folder().size() - 1)));
  EXPECT_EQ(Read(Folder + "&co.wpl"),
            CrLfLines({"<?wpl version=\"1.0\"?>", "<smil>", "  <head>",
                       "    <meta name=\"Generator\" content=\"Cantrel\"/>",
                       "    <title>" + Folder + "&amp;co</title>", "  </head>", "  <body>", "    <seq>",
                       "      <media src=\"Tom &amp; Jerry&apos;s &quot;&lt;Best&gt;&quot;.wma\"/>", "",
                       "      <media src=\"Sub 1/\xC3\xBC.mp3\"/>", "", "    </seq>", "  </body>", "</smil>"}));
}
