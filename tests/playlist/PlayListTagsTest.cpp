#include <gtest/gtest.h>

#include "HostileNames.h"
#include "TreeBuilder.h"
#include "runtime/Locale.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";

// A root with tagged files (in the order of its Items), one with a line
// break in its name, and a tagged folder below.
class PlayListTagsTest : public TPlayListTest {
protected:
  void SetUp() override {
    FillFolder(Root, Dir, "", {"#tokyo.mp3", "01 Intro.mp3", "amp.mp3", "bad\nname.mp3", "plain.mp3"});
    Root.SetTags({{u"東京\x01", u"", u"", 0, 0, 0},
                  {u"Intro", u"Band", u"LP", 1, 0, 61499},
                  {u"Line\nBreak", u"A&B <x>", u"", 0, 0, 1500},
                  {u"Lost", u"", u"", 0, 0, 1000},
                  {}});
    AddFolder(Root, Dir, "Sub", {"x.ogg"}).SetTags({{u"Ex", u"", u"B-Sides", 0, 2, 3723456}});
  }

  static TMakeOptions Options(bool Tags, bool OrderByTags) {
    TMakeOptions Result;
    Result.Tags = Tags;
    Result.OrderByTags = OrderByTags;
    return Result;
  }
  static TMakeOptions Tagged() { return Options(true, false); }
  static TMediaTags Numbered(int Track, int Disc, String Title = {}) { return {Title, u"", u"", Track, Disc, -1}; }

  void ExpectValid(const std::string& PlayList) const {
    for (const std::string& Problem : CheckPlayList(Dir.Path() + PlayList).Problems) ADD_FAILURE() << Problem;
  }
};

}  // namespace

TEST_F(PlayListTagsTest, M3UInformationLinesGoWithThePathsTheyDescribe) {
  Root.SetFormat(plM3U8);
  const TMakeReport Report = Root.makePlayList(u"p", true, true, Tagged());
  EXPECT_EQ(Read("p.m3u8"), CrLfLines({"#EXTM3U", "", "#EXTINF:0,東京 ", "./#tokyo.mp3", "#EXTINF:61,Band - Intro",
                                       "01 Intro.mp3", "#EXTINF:2,A&B <x> - Line Break", "amp.mp3", "#EXTINF:-1,plain",
                                       "plain.mp3", "", "#EXTINF:3723,Ex", "Sub/x.ogg"}));
  EXPECT_EQ(Read("Sub/p.m3u8"), CrLfLines({"#EXTM3U", "", "#EXTINF:3723,Ex", "x.ogg"}));
  ASSERT_EQ(Report.LeftOut.size(), 1u);
  EXPECT_EQ(Report.LeftOut[0].Entry, u"bad\nname.mp3");
  ExpectValid("p.m3u8");

  // A folder whose tags were not read lists its files as before, and
  // without the option nothing changes at all.
  Root.Child(0)->SetTags({});
  Root.makePlayList(u"p", true, true, Tagged());
  EXPECT_EQ(Read("Sub/p.m3u8"), CrLfLines({"#EXTM3U", "", "x.ogg"}));
  Root.makePlayList(u"p", true, true);
  EXPECT_EQ(Read("p.m3u8"), CrLfLines({"#EXTM3U", "", "./#tokyo.mp3", "01 Intro.mp3", "amp.mp3", "plain.mp3", "",
                                       "Sub/x.ogg"}));
}

TEST_F(PlayListTagsTest, PlainM3UShowsAQuestionMarkForWhatTheCharsetLacks) {
  TPlayListFile Latin;
  FillFolder(Latin, Dir, "latin", {"Björk.mp3", "ok.mp3", "東.mp3"});
  Latin.SetTags({{u"Jóga 東", u"Björk", u"", 0, 0, 305000}, {}, {u"East", u"", u"", 0, 0, -1}});
  TTempDir Locales;
  ASSERT_TRUE(MakeLegacyLocale(Locales.Path())) << "localedef and the locales sources are needed";
  const TProcessLocale Legacy("de_DE.ISO-8859-1", Locales.Path());
  ASSERT_TRUE(Legacy.Active());
  const TMakeReport Report = Latin.makePlayList(u"cp.m3u", false, false, Tagged());
  EXPECT_EQ(Read("latin/cp.m3u"),
            CrLfLines({"#EXTM3U", "", "#EXTINF:305,Bj\xF6rk - J\xF3ga ?", "Bj\xF6rk.mp3", "#EXTINF:-1,ok", "ok.mp3"}));
  ASSERT_EQ(Report.LeftOut.size(), 1u);
  EXPECT_EQ(Report.LeftOut[0].Entry, u"東.mp3");
  EXPECT_EQ(Report.LeftOut[0].Reason, u"not representable in the locale's character set");
}

TEST_F(PlayListTagsTest, PlsTitlesAndLengths) {
  Root.SetFormat(plPLS);
  Root.makePlayList(u"p", true, false, Tagged());
  EXPECT_EQ(Read("p.pls"),
            CrLfLines({"[playlist]", "File1=#tokyo.mp3", "Title1=東京 ", "Length1=0", "File2=01 Intro.mp3",
                       "Title2=Band - Intro", "Length2=61", "File3=amp.mp3", "Title3=A&B <x> - Line Break", "Length3=2",
                       "File4=plain.mp3", "Title4=plain", "Length4=-1", "", "File5=Sub/x.ogg", "Title5=Ex",
                       "Length5=3723", "", "NumberOfEntries=5", "Version=2"}));
  ExpectValid("p.pls");
}

TEST_F(PlayListTagsTest, XspfCarriesEveryFieldTheTagsHold) {
  Root.SetFormat(plXSPF);
  Root.makePlayList(u"p", true, false, Tagged());
  EXPECT_EQ(Read("p.xspf"),
            std::string(Bom) +
                CrLfLines({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                           "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">", "  <trackList>",
                           "    <track><location>%23tokyo.mp3</location><title>東京?</title>"
                           "<duration>0</duration></track>",
                           "    <track><location>01%20Intro.mp3</location><title>Intro</title><creator>Band</creator>"
                           "<album>LP</album><trackNum>1</trackNum><duration>61499</duration></track>",
                           "    <track><location>amp.mp3</location><title>Line&#10;Break</title>"
                           "<creator>A&amp;B &lt;x&gt;</creator><duration>1500</duration></track>",
                           "    <track><location>bad%0Aname.mp3</location><title>Lost</title>"
                           "<duration>1000</duration></track>",
                           "    <track><location>plain.mp3</location></track>",
                           "", "    <track><location>Sub/x.ogg</location><title>Ex</title><album>B-Sides</album>"
                           "<duration>3723456</duration></track>",
                           "", "  </trackList>", "</playlist>"}));
  ExpectValid("p.xspf");
}

TEST_F(PlayListTagsTest, AsxShowsTheTagsTitleAuthorAndDuration) {
  Root.SetFormat(plASX);
  Root.makePlayList(u"p", true, false, Tagged());
  // An entry of the root's own files: what the tags show, then the lines of
  // every entry.
  const auto Entry = [](const std::string& Shown, const std::string& Type, const std::string& Href) {
    return "  <entry>\r\n" + Shown +
           CrLfLines({"    <Param Name = \"FileType\" Value = \"" + Type + "\" />",
                      "    <Param Name = \"SourceURL\" Value = \"" + Href + "\" />",
                      "    <ref href = \"" + Href + "\" />", "  </entry>"});
  };
  EXPECT_EQ(Read("p.asx"),
            CrLfLines({"<asx version = \"3.0\" >", "  <Title >p</Title>",
                       "  <Param Name = \"AllowShuffle\" Value = \"yes\" />",
                       "  <Param Name = \"Encoding\" Value = \"utf-8\" />"}) +
                Entry(CrLfLines({"    <title>東京 </title>", "    <duration value = \"00:00:00.00\" />"}), "mp3",
                      "%23tokyo.mp3") +
                Entry(CrLfLines({"    <title>Band - Intro</title>", "    <author>Band</author>",
                                 "    <duration value = \"00:01:01.50\" />"}),
                      "mp3", "01%20Intro.mp3") +
                Entry(CrLfLines({"    <title>A&amp;B &lt;x&gt; - Line Break</title>",
                                 "    <author>A&amp;B &lt;x&gt;</author>", "    <duration value = \"00:00:01.50\" />"}),
                      "mp3", "amp.mp3") +
                Entry(CrLfLines({"    <title>Lost</title>", "    <duration value = \"00:00:01.00\" />"}), "mp3",
                      "bad%0Aname.mp3") +
                Entry(CrLfLines({"    <title>plain</title>"}), "mp3", "plain.mp3") +
                CrLfLines({"", "  <entry>", "    <title>Ex</title>", "    <duration value = \"01:02:03.46\" />",
                           "    <ref href = \"Sub/x.ogg\" />", "    <Param Name = \"FileType\" Value = \"ogg\" />",
                           "    <Param Name = \"SourceURL\" Value = \"Sub/x.ogg\" />", "  </entry>", "</asx>"}));
  ExpectValid("p.asx");

  Root.SetFormat(plWPL);
  Root.makePlayList(u"p", true, false, Tagged());
  const std::string WithTags = Read("p.wpl");
  Root.makePlayList(u"p", true, false);
  EXPECT_EQ(Read("p.wpl"), WithTags) << "WPL has no place for tags";
}

TEST_F(PlayListTagsTest, AlbumOrderWithinEachFolderAtEveryLevel) {
  TPlayListFile Album;
  FillFolder(Album, Dir, "album", {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
  Album.SetTags({Numbered(2, 0), {}, Numbered(1, 2), Numbered(1, 0, u"D"), Numbered(0, 0, u"E")});
  AddFolder(Album, Dir, "album/CD1", {"x.mp3", "y.mp3"}).SetTags({Numbered(9, 0), Numbered(3, 0)});
  AddFolder(Album, Dir, "album/Untagged", {"z1.mp3", "z2.mp3"});
  Album.SetFormat(plM3U8);
  Album.makePlayList(u"p", true, false, Options(false, true));
  EXPECT_EQ(Read("album/CD1/p.m3u8"), CrLfLines({"#EXTM3U", "", "y.mp3", "x.mp3"}));
  EXPECT_EQ(Read("album/p.m3u8"), CrLfLines({"#EXTM3U", "", "d.mp3", "a.mp3", "c.mp3", "b.mp3", "e.mp3", "",
                                             "CD1/y.mp3", "CD1/x.mp3", "", "Untagged/z1.mp3", "Untagged/z2.mp3"}));

  // Each entry keeps its own file's tags in the new order.
  Album.makePlayList(u"p", true, false, Options(true, true));
  EXPECT_EQ(Read("album/p.m3u8"),
            CrLfLines({"#EXTM3U", "", "#EXTINF:-1,D", "d.mp3", "#EXTINF:-1,a", "a.mp3", "#EXTINF:-1,c", "c.mp3",
                       "#EXTINF:-1,b", "b.mp3", "#EXTINF:-1,E", "e.mp3", "", "#EXTINF:-1,y", "CD1/y.mp3",
                       "#EXTINF:-1,x", "CD1/x.mp3", "", "Untagged/z1.mp3", "Untagged/z2.mp3"}));

  Album.makePlayList(u"p", true, false);
  EXPECT_EQ(Read("album/p.m3u8"), CrLfLines({"#EXTM3U", "", "a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "",
                                             "CD1/x.mp3", "CD1/y.mp3", "", "Untagged/z1.mp3", "Untagged/z2.mp3"}));
}
