#include <gtest/gtest.h>

#include "TreeBuilder.h"
#include "runtime/Locale.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

class PlayListM3UTest : public TPlayListTest {};

}  // namespace

TEST_F(PlayListM3UTest, WorkedExampleChildrenFirstWithRelativePaths) {
  FillFolder(Root, Dir, "", {"a.mp3", "b.mp3"});
  TPlayListFile& Rock = AddFolder(Root, Dir, "Rock", {"c.mp3"});
  AddFolder(Rock, Dir, "Rock/Live", {"d.mp3"});
  Root.makePlayList(u"playall.m3u", true, false);

  EXPECT_EQ(Read("Rock/Live/playall.m3u"), CrLfLines({"#EXTM3U", "", "d.mp3"}));
  EXPECT_EQ(Read("Rock/playall.m3u"), CrLfLines({"#EXTM3U", "", "c.mp3", "", "Live/d.mp3"}));
  EXPECT_EQ(Read("playall.m3u"), "#EXTM3U\r\n\r\na.mp3\r\nb.mp3\r\n\r\nRock/c.mp3\r\n\r\nRock/Live/d.mp3\r\n");
  EXPECT_EQ(Rock.Format(), plM3U);
}

TEST_F(PlayListM3UTest, TrailingTidyRemovesAtMostTwoEmptyLines) {
  FillFolder(Root, Dir, "", {});
  Root.makePlayList(u"empty.m3u", true, false);
  EXPECT_EQ(Read("empty.m3u"), "#EXTM3U\r\n");

  TPlayListFile Flat;
  FillFolder(Flat, Dir, "", {"x.mp3", "y.mp3"});
  AddFolder(Flat, Dir, "Ignored", {"z.mp3"});
  Flat.makePlayList(u"flat.m3u", false, false);
  EXPECT_EQ(Read("flat.m3u"), CrLfLines({"#EXTM3U", "", "x.mp3", "y.mp3"}));
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "Ignored/flat.m3u"));

  TPlayListFile Two;
  FillFolder(Two, Dir, "", {"x.mp3"});
  AddFolder(Two, Dir, "E1", {});
  AddFolder(Two, Dir, "E2", {});
  Two.makePlayList(u"two.m3u", true, false);
  EXPECT_EQ(Read("two.m3u"), CrLfLines({"#EXTM3U", "", "x.mp3", ""}));
  EXPECT_EQ(Read("E1/two.m3u"), "#EXTM3U\r\n") << "an empty folder still gets its playlist";
}

TEST_F(PlayListM3UTest, ByteOrderMarkOnlyForM3U8WhenAsked) {
  FillFolder(Root, Dir, "", {"ä.mp3"});
  AddFolder(Root, Dir, "Sub", {"ö.mp3"});
  Root.SetFormat(plM3U8);
  Root.SetUTF8BOM(true);
  Root.makePlayList(u"list", true, true);
  EXPECT_EQ(Read("list.m3u8"), "\xEF\xBB\xBF" + CrLfLines({"#EXTM3U", "", "\xC3\xA4.mp3", "", "Sub/\xC3\xB6.mp3"}));
  EXPECT_EQ(Read("Sub/list.m3u8"), "\xEF\xBB\xBF" + CrLfLines({"#EXTM3U", "", "\xC3\xB6.mp3"}));

  Root.SetUTF8BOM(false);
  Root.makePlayList(u"list", true, true);
  EXPECT_EQ(Read("Sub/list.m3u8"), CrLfLines({"#EXTM3U", "", "\xC3\xB6.mp3"}));

  Root.SetFormat(plM3U);
  Root.SetUTF8BOM(true);
  Root.makePlayList(u"list", true, true);
  EXPECT_EQ(Read("list.m3u"), CrLfLines({"#EXTM3U", "", "\xC3\xA4.mp3", "", "Sub/\xC3\xB6.mp3"}));
}

TEST_F(PlayListM3UTest, PlainM3UIsWrittenInTheLocaleCharacterSet) {
  FillFolder(Root, Dir, "", {"A & B 東.mp3", "Björk.mp3", "Mix 💿.mp3"});
  // No locale at all reads as UTF-8, as it does for Python and GLib.
  for (const char* Name : {"C", "POSIX", "C.UTF-8"}) {
    const TProcessLocale Pinned(Name);
    ASSERT_TRUE(Pinned.Active()) << Name;
    const TMakeReport Report = Root.makePlayList(u"cp.m3u", false, false);
    EXPECT_EQ(Read("cp.m3u"), CrLfLines({"#EXTM3U", "", "A & B \xE6\x9D\xB1.mp3", "Bj\xC3\xB6rk.mp3",
                                         "Mix \xF0\x9F\x92\xBF.mp3"}))
        << Name;
    EXPECT_TRUE(Report.LeftOut.empty());
  }

  TTempDir Locales;
  ASSERT_TRUE(MakeLegacyLocale(Locales.Path())) << "localedef and the locales sources are needed";
  const TProcessLocale Legacy("de_DE.ISO-8859-1", Locales.Path());
  ASSERT_TRUE(Legacy.Active());
  const TMakeReport Report = Root.makePlayList(u"cp.m3u", false, false);
  EXPECT_EQ(Read("cp.m3u"), CrLfLines({"#EXTM3U", "", "Bj\xF6rk.mp3"})) << "never a \"?\" for a missing letter";
  ASSERT_EQ(Report.LeftOut.size(), 2u);
  EXPECT_EQ(Report.LeftOut[0].PlayList, Dir.Folder() + u"cp.m3u");
  EXPECT_EQ(Report.LeftOut[0].Entry, u"A & B 東.mp3");
  EXPECT_EQ(Report.LeftOut[1].Entry, u"Mix 💿.mp3");
  EXPECT_EQ(Report.LeftOut[1].Reason, u"not representable in the locale's character set");
}

TEST_F(PlayListM3UTest, NamesThatPlayersWouldSkipStayReachableAtEveryLevel) {
  FillFolder(Root, Dir, "", {"#1 Intro.mp3"});
  TPlayListFile& Rock = AddFolder(Root, Dir, "Rock", {" lead.mp3", "#5 Intro.mp3", "c.mp3", "end.mp3 "});
  AddFolder(Root, Dir, "#1 Hits", {"a.mp3"});
  AddFolder(Root, Dir, " Lead", {"b.mp3"});
  Root.SetFormat(plM3U8);
  Root.makePlayList(u"p.m3u", true, false);
  EXPECT_EQ(Read("Rock/p.m3u8"), CrLfLines({"#EXTM3U", "", "./ lead.mp3", "./#5 Intro.mp3", "c.mp3", "end.mp3 "}));
  // Carried names come from the tree, not from the child's text: the blank
  // at the end of a name stays.
  EXPECT_EQ(Read("p.m3u8"), CrLfLines({"#EXTM3U", "", "./#1 Intro.mp3", "", "Rock/ lead.mp3", "Rock/#5 Intro.mp3",
                                      "Rock/c.mp3", "Rock/end.mp3 ", "", "./#1 Hits/a.mp3", "", "./ Lead/b.mp3"}));
  EXPECT_EQ(Rock.Format(), plM3U8);
  EXPECT_TRUE(Rock.UTF8());
}

TEST_F(PlayListM3UTest, UndecodableNamesAreWrittenByteForByte) {
  Dir.MakeFile("caf\xE9.mp3");
  Root.SetPath(Dir.Folder());
  Root.Add(Utf8ToString("caf\xE9.mp3"));
  Root.makePlayList(u"raw.m3u", false, true);
  EXPECT_EQ(Read("raw.m3u"), CrLfLines({"#EXTM3U", "", "caf\xE9.mp3"}));
  Root.SetFormat(plM3U8);
  Root.makePlayList(u"raw.m3u", false, true);
  EXPECT_EQ(Read("raw.m3u8"), CrLfLines({"#EXTM3U", "", "caf\xE9.mp3"}));
}

TEST_F(PlayListM3UTest, CaseVariantsAreBothListed) {
  FillFolder(Root, Dir, "", {"song.mp3", "Song.mp3", "10 b.mp3", "2 b.mp3"});
  Root.makePlayList(u"case.m3u", false, false);
  EXPECT_EQ(Read("case.m3u"), CrLfLines({"#EXTM3U", "", "2 b.mp3", "10 b.mp3", "Song.mp3", "song.mp3"}));
}

// Each level of a carried list is tidied as the folder's own playlist is,
// over its own blank lines only, whatever waits above it; only M3U and M3U8
// write those blank lines.
TEST_F(PlayListM3UTest, CarriedListsKeepTheBlankLinesOfEachFoldersOwnPlaylist) {
  FillFolder(Root, Dir, "", {"a.mp3"});
  TPlayListFile& A = AddFolder(Root, Dir, "A", {"x.mp3"});
  TPlayListFile& B = AddFolder(A, Dir, "A/B", {"b.mp3"});
  AddFolder(B, Dir, "A/B/C", {});
  AddFolder(B, Dir, "A/B/D", {});
  AddFolder(A, Dir, "A/E", {});
  AddFolder(A, Dir, "A/P", {"p.mp3"});
  AddFolder(A, Dir, "A/Q", {"q.mp3"});
  TPlayListFile& F = AddFolder(Root, Dir, "F", {"f.mp3"});
  for (const char* Empty : {"F/G", "F/H", "F/I"}) AddFolder(F, Dir, Empty, {});
  TPlayListFile& J = AddFolder(Root, Dir, "J", {});
  TPlayListFile& K = AddFolder(J, Dir, "J/K", {});
  for (const char* Empty : {"J/K/L", "J/K/M", "J/K/N"}) AddFolder(K, Dir, Empty, {});
  AddFolder(J, Dir, "J/O", {"o.mp3"});
  Root.SetFormat(plM3U8);
  Root.makePlayList(u"p", true, false);
  EXPECT_EQ(Read("A/p.m3u8"),
            CrLfLines({"#EXTM3U", "", "x.mp3", "", "B/b.mp3", "", "", "", "P/p.mp3", "", "Q/q.mp3"}));
  EXPECT_EQ(Read("F/p.m3u8"), CrLfLines({"#EXTM3U", "", "f.mp3", "", ""}));
  EXPECT_EQ(Read("J/K/p.m3u8"), CrLfLines({"#EXTM3U", "", ""}));
  EXPECT_EQ(Read("J/p.m3u8"), CrLfLines({"#EXTM3U", "", "", "", "O/o.mp3"}));
  EXPECT_EQ(Read("p.m3u8"), CrLfLines({"#EXTM3U", "", "a.mp3", "", "A/x.mp3", "", "A/B/b.mp3", "", "", "", "A/P/p.mp3",
                                       "", "A/Q/q.mp3", "", "F/f.mp3", "", "", "", "", "", "J/O/o.mp3"}));

  Root.SetFormat(plXSPF);
  Root.makePlayList(u"p", true, false);
  const auto Track = [](const char* Location) {
    return std::string("    <track><location>") + Location + "</location></track>";
  };
  EXPECT_EQ(Read("p.xspf"),
            "\xEF\xBB\xBF" + CrLfLines({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                       "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">", "  <trackList>",
                                       Track("a.mp3"), "", Track("A/x.mp3"), Track("A/B/b.mp3"), Track("A/P/p.mp3"),
                                       Track("A/Q/q.mp3"), "", Track("F/f.mp3"), "", Track("J/O/o.mp3"), "",
                                       "  </trackList>", "</playlist>"}));
}
