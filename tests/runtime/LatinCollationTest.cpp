#include <gtest/gtest.h>

#include <unicode/ucol.h>
#include <unicode/uset.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "PinnedLocale.h"
#include "runtime/LatinCollation.h"
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

// Every contraction of the collator among the characters of the table holds
// one the table leaves to the collator.
void ExpectContractionsUnknown(const UCollator* Icu, const TLatinCollation& Latin, const char* Locale) {
  USet* Contractions = uset_openEmpty();
  UErrorCode Status = U_ZERO_ERROR;
  ucol_getContractionsAndExpansions(Icu, Contractions, nullptr, true, &Status);
  ASSERT_TRUE(U_SUCCESS(Status));
  for (std::int32_t Item = 0; Item < uset_getItemCount(Contractions); ++Item) {
    UChar32 Start;
    UChar32 End;
    UChar Text[64];
    Status = U_ZERO_ERROR;
    const std::int32_t Length = uset_getItem(Contractions, Item, &Start, &End, Text, 64, &Status);
    const String Contraction(Text, static_cast<std::size_t>(std::max(Length, 0)));
    const bool InTable =
        std::all_of(Contraction.begin(), Contraction.end(), [](char16_t C) { return C < TLatinCollation::End; });
    if (Length > 0 && InTable) {
      EXPECT_EQ(Latin.Compare(Contraction, u"a"), std::nullopt) << Locale << " " << StringToUtf8(Contraction);
    }
  }
  uset_close(Contractions);
}

}  // namespace

// Names made of the characters where orders differ: contractions (Czech
// "ch", Danish "aa", Hungarian "cs", Catalan "l·"), Turkish "I", letters
// with accents, precomposed and not, letters that weigh as two ("Æ",
// "ß"), digits with leading zeros, punctuation, a control character and
// now and then one beyond the table.
TEST(LatinCollationTest, OrdersExactlyAsTheCollatorInLocalesThatDifferFromAscii) {
  const String Alphabet = u"aAbBcChHiIlLsSzZ0123456789  -_.~'\x01\u00e9\u00c9e\u0301\u0308\u00c6\u00df"
                          u"\u00f8\u00e5\u00e4\u010d\u0159\u0151\u0142\u0131\u00b7\u01c6\u00b2\u0430";
  std::mt19937 Random(7);
  std::uniform_int_distribution<std::size_t> Length(0, 7);
  std::uniform_int_distribution<std::size_t> Pick(0, Alphabet.size() - 1);
  const auto RandomName = [&] {
    String Name(Length(Random), u' ');
    for (char16_t& C : Name) C = Alphabet[Pick(Random)];
    return Name;
  };
  for (const char* Locale : {"", "en_US", "de_DE", "fr_FR", "fr_CA", "cs_CZ", "da_DK", "tr_TR", "hu_HU", "sv_SE",
                             "ca_ES", "es_ES", "pl_PL", "vi_VN", "cy", "lt_LT", "ja_JP"}) {
    const TCollator Icu = Collator(Locale);
    const TLatinCollation Latin(Icu.get());
    ExpectContractionsUnknown(Icu.get(), Latin, Locale);
    const test::TPinnedLocale Pinned(*Locale ? Locale : "C");
    int Fast = 0;
    for (int Round = 0; Round < 20000; ++Round) {
      const String A = RandomName();
      // Often the same name, or one that begins as it does.
      const String B = Random() % 8 == 0 ? A : A.substr(0, Random() % (A.size() + 1)) + RandomName();
      const int Expected = Sign(IcuCompare(Icu.get(), A, B));
      if (const std::optional<int> Result = Latin.Compare(A, B)) {
        ++Fast;
        ASSERT_EQ(*Result, Expected) << Locale << ": \"" << StringToUtf8(A) << "\" \"" << StringToUtf8(B) << "\"";
      }
      ASSERT_EQ(Sign(AnsiCompareTextLoose(A, B)), Expected) << Locale;
    }
    if (std::string(Locale) != "fr_CA") {
      EXPECT_GT(Fast, 1000) << Locale << ": most names are known";
    }

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

  // Known names, yet not in the order of their code units.
  const TCollator English = Collator("en_US");
  const TLatinCollation Latin(English.get());
  EXPECT_EQ(Latin.Compare(u"Track 2.mp3", u"track 10.MP3"), -1);
  EXPECT_EQ(Latin.Compare(u"a-01", u"A-1"), 0);
  EXPECT_EQ(Latin.Compare(u"Caf\u00e9 b", u"Cafe c"), -1);
  EXPECT_EQ(Latin.Compare(u"Caf\u00e9", u"Cafe"), 1);
  const TCollator Czech = Collator("cs_CZ");
  EXPECT_EQ(TLatinCollation(Czech.get()).Compare(u"chata", u"hrad"), std::nullopt);
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
