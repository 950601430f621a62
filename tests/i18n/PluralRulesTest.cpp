#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <vector>

#include "i18n/PluralRules.h"

using namespace cantrel;

namespace {

// The forms of the numbers 0 to 30, then 101, 111, 112, 122 and 125.
std::vector<int> Forms(StringView Language) {
  const TGetPluralForm Rule = GetPluralFormOfLanguage(Language);
  std::vector<int> Result;
  for (int N = 0; N <= 30; ++N) Result.push_back(Rule(N));
  for (int N : {101, 111, 112, 122, 125}) Result.push_back(Rule(N));
  return Result;
}

std::vector<int> Expected(std::initializer_list<int> Forms) { return Forms; }

}  // namespace

TEST(PluralRulesTest, EachLanguageFollowsItsRow) {
  //                                 0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 101 111 112 122 125
  const auto English = Expected({1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  const auto None = std::vector<int>(36, 0);
  const auto French = Expected({0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  const auto Latvian = Expected({2, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1});
  const auto Irish = Expected({2, 0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2});
  const auto Lithuanian = Expected({2, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 0, 2, 2, 1, 1});
  const auto Russian = Expected({2, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2, 0, 2, 2, 1, 2});
  const auto Czech = Expected({2, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2});
  const auto Polish = Expected({2, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 2});
  const auto Slovenian = Expected({3, 0, 1, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0, 3, 3, 3, 3});

  const std::map<String, std::vector<int>> Table{
      {u"en_US", English}, {u"de", English},     {u"hu", None},         {u"ko_KR", None},     {u"zh_CN", None},
      {u"ja", None},       {u"tr_TR", None},     {u"fr_FR", French},    {u"fa_IR", French},   {u"pt_BR", French},
      {u"PT_br", French},  {u"pt_PT", English},  {u"lv_LV", Latvian},   {u"ga_IE", Irish},    {u"lt_LT", Lithuanian},
      {u"ru_RU", Russian}, {u"uk_UA", Russian},  {u"hr_HR", Russian},   {u"cs_CZ", Czech},    {u"sk_SK", Czech},
      {u"pl_PL", Polish},  {u"PL", Polish},      {u"sl_SI", Slovenian}, {u"C", English},      {u"nb_NO", English},
      {u"", English},
  };
  for (const auto& [Language, Row] : Table) EXPECT_EQ(Forms(Language), Row) << StringToUtf8(Language);
}

TEST(PluralRulesTest, NegativeNumbersCountByTheirMagnitude) {
  EXPECT_EQ(GetPluralFormOfLanguage(u"en")(-1), 0);
  EXPECT_EQ(GetPluralFormOfLanguage(u"pl")(-22), 1);
  EXPECT_EQ(GetPluralFormOfLanguage(u"ru")(-21), 0);
  // The smallest int has no positive counterpart in int.
  EXPECT_EQ(GetPluralFormOfLanguage(u"en")(INT_MIN), 1);
  EXPECT_EQ(GetPluralFormOfLanguage(u"sl")(INT_MIN), 3);  // ...648 mod 100 = 48
  EXPECT_EQ(GetPluralFormOfLanguage(u"ru")(INT_MIN), 2);
}
