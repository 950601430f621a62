#include <gtest/gtest.h>

#include <unicode/ucol.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "PinnedLocale.h"
#include "runtime/AsciiCollation.h"
#include "runtime/Locale.h"

using namespace cantrel;

namespace {

struct TCollatorCloser {
  void operator()(UCollator* Collator) const { ucol_close(Collator); }
};
using TCollator = std::unique_ptr<UCollator, TCollatorCloser>;

// The comparison the user's names are sorted with, built here on its own.
TCollator Collator(const char* Locale) {
  UErrorCode Status = U_ZERO_ERROR;
  TCollator Result(ucol_open(Locale, &Status));
  ucol_setStrength(Result.get(), UCOL_SECONDARY);
  ucol_setAttribute(Result.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &Status);
  ucol_setAttribute(Result.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &Status);
  EXPECT_TRUE(U_SUCCESS(Status)) << Locale;
  return Result;
}

int IcuCompare(const UCollator* Collator, const String& A, const String& B) {
  return ucol_strcoll(Collator, A.data(), static_cast<int32_t>(A.size()), B.data(), static_cast<int32_t>(B.size()));
}

int Sign(int Value) { return (Value > 0) - (Value < 0); }

std::vector<String> Sorted(std::vector<String> Names) {
  std::sort(Names.begin(), Names.end(), [](const String& A, const String& B) { return AnsiCompareText(A, B) < 0; });
  return Names;
}

}  // namespace

// Names made of the characters where orders differ: contractions (Czech
// "ch", Danish "aa", Hungarian "cs"), Turkish "I", digits with leading
// zeros, punctuation, a control character and now and then one that is not
// ASCII.
TEST(AsciiCollationTest, OrdersExactlyAsTheCollatorInLocalesThatDifferFromAscii) {
  const String Alphabet = u"aAbBcChHiIsSzZ0123456789  -_.~'\x01\u00e9\u0308";
  std::mt19937 Random(7);
  std::uniform_int_distribution<std::size_t> Length(0, 7);
  std::uniform_int_distribution<std::size_t> Pick(0, Alphabet.size() - 1);
  const auto RandomName = [&] {
    String Name(Length(Random), u' ');
    for (char16_t& C : Name) C = Alphabet[Pick(Random)];
    return Name;
  };
  for (const char* Locale : {"", "en_US", "cs_CZ", "da_DK", "tr_TR", "hu_HU", "sv_SE", "cy", "lt_LT", "ja_JP"}) {
    const TCollator Icu = Collator(Locale);
    const TAsciiCollation Ascii(Icu.get());
    const test::TPinnedLocale Pinned(*Locale ? Locale : "C");
    int Fast = 0;
    for (int Round = 0; Round < 20000; ++Round) {
      const String A = RandomName();
      const String B = Random() % 8 == 0 ? A : RandomName();
      const int Expected = Sign(IcuCompare(Icu.get(), A, B));
      if (const std::optional<int> Result = Ascii.Compare(A, B)) {
        ++Fast;
        ASSERT_EQ(*Result, Expected) << Locale << ": \"" << StringToUtf8(A) << "\" \"" << StringToUtf8(B) << "\"";
      }
      ASSERT_EQ(Sign(AnsiCompareTextLoose(A, B)), Expected) << Locale;
    }
    EXPECT_GT(Fast, 1000) << Locale << ": most names are plain ASCII";

    // A folder sorted by keys made once per name, ICU comparing where a
    // name has none: each name follows the one before it.
    std::vector<String> Names;
    for (int I = 0; I < 2000; ++I) Names.push_back(RandomName());
    const std::vector<std::size_t> Order = AnsiSortOrder(std::vector<StringView>(Names.begin(), Names.end()));
    ASSERT_EQ(Order.size(), Names.size());
    for (std::size_t I = 1; I < Order.size(); ++I) {
      const String& Before = Names[Order[I - 1]];
      const String& After = Names[Order[I]];
      const int Expected = IcuCompare(Icu.get(), Before, After);
      ASSERT_TRUE(Expected < 0 || (Expected == 0 && Before <= After)) << Locale << ": \"" << StringToUtf8(Before)
                                                                     << "\" \"" << StringToUtf8(After) << "\"";
    }
  }

  // Plain ASCII in every one, yet not the order of the code units.
  const TCollator English = Collator("en_US");
  EXPECT_EQ(TAsciiCollation(English.get()).Compare(u"Track 2.mp3", u"track 10.MP3"), -1);
  EXPECT_EQ(TAsciiCollation(English.get()).Compare(u"a-01", u"A-1"), 0);
  const TCollator Czech = Collator("cs_CZ");
  EXPECT_EQ(TAsciiCollation(Czech.get()).Compare(u"chata", u"hrad"), std::nullopt);
  {
    const test::TPinnedLocale Pinned("cs_CZ");
    EXPECT_EQ(Sorted({u"ch", u"i", u"h", u"cz", u"ca"}), (std::vector<String>{u"ca", u"cz", u"h", u"ch", u"i"}));
  }
  {
    const test::TPinnedLocale Pinned("da_DK");
    EXPECT_EQ(Sorted({u"aa", u"z", u"ab"}), (std::vector<String>{u"ab", u"z", u"aa"}));
  }
  {
    const test::TPinnedLocale Pinned("tr_TR");
    EXPECT_NE(AnsiCompareTextLoose(u"I", u"i"), 0);
  }
  // Equal to the collator, then told apart exactly.
  const test::TPinnedLocale Pinned("en_US");
  EXPECT_EQ(Sorted({u"song 1", u"Song 01", u"song 01", u"Song 1"}),
            (std::vector<String>{u"Song 01", u"Song 1", u"song 01", u"song 1"}));
}
