#include <gtest/gtest.h>

#include <unicode/ucol.h>
#include <unicode/uset.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "PinnedLocale.h"
#include "runtime/LatinCollation.h"
#include "runtime/Locale.h"

using namespace cantrel;

namespace {

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

namespace {

// Pieces of names: letters and pairs that locales tailor or contract, case
// pairs, precomposed and combining accents, letters that weigh as two,
// digits (also beyond ASCII), punctuation, an ignorable control character
// and characters beyond the table.
const std::vector<String> NamePieces = {
    u"a",      u"A",      u"b",      u"c",      u"C",      u"h",      u"H",      u"i",      u"I",      u"j",
    u"J",      u"l",      u"L",      u"s",      u"S",      u"y",      u"z",      u"o",      u"u",      u"ch",
    u"CH",     u"ll",     u"aa",     u"cs",     u"dz",     u"\u00e5", u"\u00c5", u"\u00e4", u"\u00f6", u"\u00f8",
    u"\u00e6", u"\u00df", u"\u00e9", u"\u00c9", u"\u0131", u"\u0130", u"\u010d", u"\u0159", u"\u017e", u"\u0142",
    u"\u00f1", u"\u00fc", u"\u0133", u"\u0132", u"\u01c9", u"\u01c8", u"\u01f3", u"\u0149", u"\u0301", u"\u0308",
    u"\u0307", u"\u030c", u"0",      u"1",      u"2",      u"9",      u"00",     u"07",     u"10",     u"\u00b2",
    u"\uff11", u"\u0663", u" ",      u"-",      u"_",      u".",      u"'",      u"\x01",   u"\u0451", u"\u03a3",
    u"\u1e9e", u"\u65e5", u"\U0001F4BF"};

// Pieces of plain names, which weigh only common secondary weights.
const std::vector<String> PlainPieces = {u"a",      u"A",      u"i",      u"j",      u"J",      u"l",      u"s",
                                         u"S",      u"d",      u"z",      u"Z",      u"1",      u"\u0133", u"\u0132",
                                         u"\u01c9", u"\u01c8", u"\u01f3", u"\u00df", u" "};

// Spellings a collator at secondary strength may take as equal.
const std::vector<std::pair<String, String>> EqualSpellings = {
    {u"ss", u"\u00df"}, {u"ij", u"\u0133"}, {u"IJ", u"\u0132"}, {u"lj", u"\u01c9"},
    {u"Lj", u"\u01c8"}, {u"dz", u"\u01f3"}, {u"ch", u"CH"},     {u"\u00e5", u"\u00c5"}};

String RandomName(std::mt19937& Random, const std::vector<String>& Pieces) {
  String Name;
  for (std::size_t Count = Random() % 7; Count > 0; --Count) Name += Pieces[Random() % Pieces.size()];
  return Name;
}

// A name spelt otherwise: ligatures and letters in other cases.
String Respelt(std::mt19937& Random, String Name) {
  for (int Change = 0; Change < 4; ++Change) {
    const auto& [Long, Short] = EqualSpellings[Random() % EqualSpellings.size()];
    const bool Shorten = Random() % 2 != 0;
    const String& Old = Shorten ? Long : Short;
    if (const std::size_t At = Name.find(Old); At != String::npos) Name.replace(At, Old.size(), Shorten ? Short : Long);
  }
  for (char16_t& C : Name)
    if (C < 0x80 && std::isalpha(C) && Random() % 2 != 0) C ^= 0x20;
  return Name;
}

// Names from all pieces and from plain ones, others that begin as another
// name does, others that are another name respelt, and now and then the
// same name again.
std::vector<String> RandomMix(std::mt19937& Random, std::size_t Count) {
  std::vector<String> Names{RandomName(Random, NamePieces)};
  while (Names.size() < Count) {
    const String& Other = Names[Random() % Names.size()];
    const unsigned Kind = Random() % 8;
    if (Kind < 2)
      Names.push_back(RandomName(Random, NamePieces));
    else if (Kind < 4)
      Names.push_back(RandomName(Random, PlainPieces));
    else if (Kind < 6)
      Names.push_back(Other.substr(0, Random() % (Other.size() + 1)) + RandomName(Random, NamePieces));
    else
      Names.push_back(Kind == 6 ? Respelt(Random, Other) : Other);
  }
  return Names;
}

std::string IcuSortKey(const UCollator* Collator, const String& Name) {
  std::uint8_t Key[512];
  const std::int32_t Length =
      ucol_getSortKey(Collator, Name.data(), static_cast<std::int32_t>(Name.size()), Key, sizeof Key);
  return std::string(reinterpret_cast<const char*>(Key), static_cast<std::size_t>(Length));
}

// For each name, the set of names the relation puts after it.
using TSuccessors = std::vector<std::vector<std::uint64_t>>;

bool Holds(const TSuccessors& After, std::size_t A, std::size_t B) { return (After[A][B / 64] >> (B % 64)) & 1; }

std::string Describe(const std::vector<String>& Names, std::size_t A, std::size_t B) {
  return "\"" + StringToUtf8(Names[A]) + "\" \"" + StringToUtf8(Names[B]) + "\"";
}

bool Includes(const std::vector<std::uint64_t>& Set, const std::vector<std::uint64_t>& Subset) {
  for (std::size_t I = 0; I < Set.size(); ++I)
    if ((Subset[I] & ~Set[I]) != 0) return false;
  return true;
}

}  // namespace

// Where names with keys from the table and names left to the collator meet
// in one sort, the comparison is a strict weak order (irreflexive,
// transitive, and names incomparable with one another have the same names
// after them), and for every pair the collator's, then the code units'.
TEST(LatinCollationTest, MixedSortIsAStrictWeakOrderAndTheCollatorsOrder) {
  std::mt19937 Random(18);
  for (const char* Locale :
       {"en_US", "de_DE", "sv_SE", "da_DK", "cs_CZ", "es_ES@collation=traditional", "tr_TR", "lt_LT"}) {
    SCOPED_TRACE(Locale);
    const TCollator Icu = Collator(Locale);
    const TLatinCollation Latin(Icu.get());
    const std::vector<String> Names = RandomMix(Random, 400);
    const std::vector<StringView> Views(Names.begin(), Names.end());
    const TNameSortKeys Keys(Icu.get(), Latin, Views);
    std::string Key;
    const auto Keyed =
        std::count_if(Names.begin(), Names.end(), [&](const String& Name) { return Latin.AppendKey(Name, Key); });
    EXPECT_GT(Keyed, 100) << "a mix";
    EXPECT_LT(Keyed, 360) << "a mix";

    TSuccessors After(Names.size(), std::vector<std::uint64_t>((Names.size() + 63) / 64));
    for (std::size_t A = 0; A < Names.size(); ++A)
      for (std::size_t B = 0; B < Names.size(); ++B)
        if (Keys.Before(A, B)) After[A][B / 64] |= std::uint64_t{1} << (B % 64);
    for (std::size_t A = 0; A < Names.size(); ++A) {
      ASSERT_FALSE(Holds(After, A, A));
      for (std::size_t B = 0; B < Names.size(); ++B) {
        const bool Comparable = Holds(After, A, B) || Holds(After, B, A);
        ASSERT_TRUE(!Holds(After, A, B) || Includes(After[A], After[B])) << Describe(Names, A, B);
        ASSERT_TRUE(Comparable || After[A] == After[B]) << Describe(Names, A, B);
      }
    }
    // The collator's own order is that of its sort keys; AnsiCompareText,
    // which keeps a folder's names in a sorted list, follows it too.
    std::vector<std::string> IcuKeys;
    for (const String& Name : Names) IcuKeys.push_back(IcuSortKey(Icu.get(), Name));
    const test::TPinnedLocale Pinned(Locale);
    for (std::size_t A = 0; A < Names.size(); ++A) {
      for (std::size_t B = 0; B < Names.size(); ++B) {
        const int Loose = Sign(IcuKeys[A].compare(IcuKeys[B]));
        ASSERT_EQ(Holds(After, A, B), Loose != 0 ? Loose < 0 : Names[A] < Names[B]) << Describe(Names, A, B);
        ASSERT_EQ(AnsiCompareTextLoose(Names[A], Names[B]), Loose) << Describe(Names, A, B);
      }
    }
  }
}
