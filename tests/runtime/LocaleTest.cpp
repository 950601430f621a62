#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "ScopedEnvironment.h"
#include "runtime/Locale.h"

using namespace cantrel;
using cantrel::test::TScopedEnvironment;

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

TEST_F(LocaleTest, EachCategoryTakesLcAllThenItsOwnVariableThenLang) {
  const TScopedEnvironment Environment{
      {"LC_ALL", std::nullopt}, {"LC_COLLATE", "sv_SE.UTF-8"}, {"LC_MESSAGES", ""}, {"LANG", "de_DE.UTF-8@euro"}};
  EXPECT_EQ(LocaleOfCategory(TLocaleCategory::lcCollate), "sv_SE.UTF-8");
  EXPECT_EQ(LocaleOfCategory(TLocaleCategory::lcMessages), "de_DE.UTF-8@euro");
  EXPECT_EQ(UserLocaleName(TLocaleCategory::lcMessages), "de_DE");
  // Collation follows its own category: Swedish sorts "ä" after "z".
  SetUserLocaleName("");
  EXPECT_GT(AnsiCompareText(u"ä", u"z"), 0);
  {
    const TScopedEnvironment All{{"LC_ALL", "de_DE.UTF-8"}};
    EXPECT_EQ(LocaleOfCategory(TLocaleCategory::lcCollate), "de_DE.UTF-8");
    EXPECT_EQ(UserLocaleName(TLocaleCategory::lcTime), "de_DE");
    SetUserLocaleName("");
    EXPECT_LT(AnsiCompareText(u"ä", u"z"), 0);
  }
  const TScopedEnvironment Nothing{{"LC_COLLATE", std::nullopt}, {"LANG", std::nullopt}};
  EXPECT_EQ(LocaleOfCategory(TLocaleCategory::lcCollate), "");
  EXPECT_EQ(UserLocaleName(TLocaleCategory::lcCollate), "C");
  const TScopedEnvironment Posix{{"LANG", "POSIX"}};
  EXPECT_EQ(UserLocaleName(TLocaleCategory::lcNumeric), "C");
}

TEST_F(LocaleTest, PinnedNameWinsOverTheEnvironment) {
  SetUserLocaleName("pl_PL");
  EXPECT_EQ(UserLocaleName(), "pl_PL");
  EXPECT_EQ(DecimalSeparator(), u",");
}
