#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "runtime/Locale.h"

using namespace cantrel;

class LocaleTest : public ::testing::Test {
protected:
  void TearDown() override { SetUserLocaleName(""); }
};

TEST_F(LocaleTest, OrderIgnoresCaseComparesDigitsAsNumbersThenExact) {
  SetUserLocaleName("en_US");
  std::vector<String> Names{u"10 x.mp3", u"b.mp3", u"2 x.mp3", u"B.mp3", u"a.mp3", u"_a.mp3"};
  std::sort(Names.begin(), Names.end(), [](const String& A, const String& B) { return AnsiCompareText(A, B) < 0; });
  EXPECT_EQ(Names, (std::vector<String>{u"_a.mp3", u"2 x.mp3", u"10 x.mp3", u"a.mp3", u"B.mp3", u"b.mp3"}));
  EXPECT_EQ(AnsiCompareTextLoose(u"Song.mp3", u"song.mp3"), 0);
  EXPECT_NE(AnsiCompareText(u"Song.mp3", u"song.mp3"), 0);
  // Punctuation counts: these are different names.
  EXPECT_NE(AnsiCompareTextLoose(u"a-b.mp3", u"ab.mp3"), 0);
}

TEST_F(LocaleTest, UpperCaseFollowsTheLocale) {
  SetUserLocaleName("en_US");
  EXPECT_EQ(AnsiUpperCase(u"song.mp3 äß"), u"SONG.MP3 ÄSS");
  SetUserLocaleName("tr_TR");
  EXPECT_EQ(AnsiUpperCase(u"i"), u"İ");
}

TEST_F(LocaleTest, PinnedNameWinsOverTheEnvironment) {
  SetUserLocaleName("pl_PL");
  EXPECT_EQ(UserLocaleName(), "pl_PL");
  EXPECT_EQ(DecimalSeparator(), u",");
}
