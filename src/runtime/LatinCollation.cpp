// The collator's order for names in Latin letters, as a table of keys.
#include "runtime/LatinCollation.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace cantrel {

namespace {

// ICU splits longer runs of digits; such names are left to the collator.
constexpr std::size_t LongestDigitRun = 200;
// The root collation's contractions among these characters ("l·" and
// "L·", for Catalan) end in the middle dot; the tests hold it against the
// collator.
constexpr char16_t RootContractionEnd = u'\u00B7';

bool IsDigit(char16_t C) { return C >= u'0' && C <= u'9'; }

struct TSetCloser {
  void operator()(USet* Set) const { uset_close(Set); }
};

struct TElementsCloser {
  void operator()(UCollationElements* Elements) const { ucol_closeElements(Elements); }
};

// One collation element: a 32-bit primary and a 16-bit secondary weight.
struct TElement {
  std::uint32_t Primary;
  std::uint16_t Secondary;
};

// The elements of one character. The iterator hands out ICU's older 32-bit
// form: primary bits 31-16 and secondary bits 15-8 of each, and for weights
// that do not fit, a continuation (low bits 0xC0) with the rest.
std::vector<TElement> ElementsOf(const UCollator* Collator, StringView Text) {
  std::vector<TElement> Result;
  UErrorCode Status = U_ZERO_ERROR;
  const std::unique_ptr<UCollationElements, TElementsCloser> Elements(
      ucol_openElements(Collator, Text.data(), static_cast<std::int32_t>(Text.size()), &Status));
  if (U_FAILURE(Status)) return {};
  for (;;) {
    const std::int32_t Order = ucol_next(Elements.get(), &Status);
    if (Order == UCOL_NULLORDER || U_FAILURE(Status)) break;
    const auto Bits = static_cast<std::uint32_t>(Order);
    if ((Bits & 0xC0) == 0xC0 && !Result.empty()) {
      Result.back().Primary |= Bits >> 16;
      Result.back().Secondary |= static_cast<std::uint16_t>((Bits >> 8) & 0xFF);
      continue;
    }
    if (Bits != 0) Result.push_back({Bits & 0xFFFF0000u, static_cast<std::uint16_t>(Bits & 0xFF00)});
  }
  return Result;
}

// The characters whose weight the locale's tailoring changes: every one it
// tailors and the first character of every contraction it adds (a name
// holding the contraction holds that character).
std::vector<bool> TailoredCharacters(const UCollator* Collator, bool& Failed) {
  std::vector<bool> Result(TLatinCollation::End);
  UErrorCode Status = U_ZERO_ERROR;
  const std::unique_ptr<USet, TSetCloser> Tailored(ucol_getTailoredSet(Collator, &Status));
  Failed = U_FAILURE(Status);
  for (std::int32_t Item = 0; !Failed && Item < uset_getItemCount(Tailored.get()); ++Item) {
    UChar32 Start;
    UChar32 End;
    UChar Text[64];
    Status = U_ZERO_ERROR;
    const std::int32_t Length = uset_getItem(Tailored.get(), Item, &Start, &End, Text, 64, &Status);
    if (Length > 0 && U_SUCCESS(Status) && Text[0] < TLatinCollation::End) Result[Text[0]] = true;
    if (Length == 0)
      for (UChar32 C = Start; C <= End && C < TLatinCollation::End; ++C) Result[static_cast<std::size_t>(C)] = true;
    Failed = Length < 0 || (Length > 0 && U_FAILURE(Status));
  }
  Result[RootContractionEnd] = true;
  return Result;
}

bool HoldsDigitBeyondAscii(StringView Name) {
  for (std::size_t Pos = 0; Pos < Name.size();) {
    UChar32 C;
    U16_NEXT(Name.data(), Pos, Name.size(), C);
    if (C > u'9' && u_isdigit(C)) return true;
  }
  return false;
}

std::string SortKey(const UCollator* Collator, StringView Name) {
  std::string Key(64, '\0');
  for (;;) {
    const std::int32_t Length =
        ucol_getSortKey(Collator, Name.data(), static_cast<std::int32_t>(Name.size()),
                        reinterpret_cast<std::uint8_t*>(Key.data()), static_cast<std::int32_t>(Key.size()));
    const bool Fits = static_cast<std::size_t>(Length) <= Key.size();
    Key.resize(static_cast<std::size_t>(Length));
    if (Fits) return Key;
  }
}

}  // namespace

void TCollatorCloser::operator()(UCollator* Collator) const { ucol_close(Collator); }

TCollator OpenNameCollator(const char* Locale) {
  UErrorCode Status = U_ZERO_ERROR;
  TCollator Collator(ucol_open(Locale, &Status));
  if (U_FAILURE(Status) || !Collator) {
    Status = U_ZERO_ERROR;
    Collator.reset(ucol_open("", &Status));
  }
  ucol_setStrength(Collator.get(), UCOL_SECONDARY);
  ucol_setAttribute(Collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &Status);
  ucol_setAttribute(Collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &Status);
  return Collator;
}

int CollatorCompare(const UCollator* Collator, StringView A, StringView B) {
  if (HoldsDigitBeyondAscii(A) || HoldsDigitBeyondAscii(B)) {
    const int Result = SortKey(Collator, A).compare(SortKey(Collator, B));
    return (Result > 0) - (Result < 0);
  }
  return ucol_strcoll(Collator, A.data(), static_cast<std::int32_t>(A.size()), B.data(),
                      static_cast<std::int32_t>(B.size()));
}

TLatinCollation::TLatinCollation(const UCollator* Collator) {
  UErrorCode Status = U_ZERO_ERROR;
  if (ucol_getAttribute(Collator, UCOL_FRENCH_COLLATION, &Status) == UCOL_ON ||
      ucol_getAttribute(Collator, UCOL_CASE_LEVEL, &Status) == UCOL_ON || U_FAILURE(Status))
    return;
  bool Failed = false;
  const std::vector<bool> Tailored = TailoredCharacters(Collator, Failed);
  // With numeric collation a digit is a number of its own.
  const std::vector<TElement> Zero = ElementsOf(Collator, u"0");
  if (Failed || Zero.size() != 1) return;
  const std::uint32_t DigitLead = Zero[0].Primary >> 24;

  // A character is known when its first element weighs at the primary
  // level (not ignorable, not combining) and none falls among the numbers.
  std::vector<std::vector<TElement>> Elements(End);
  std::vector<std::uint32_t> Primaries{Zero[0].Primary};
  const std::uint16_t Common = Zero[0].Secondary;
  for (char16_t C = 0; C < End; ++C) {
    if (Tailored[C] || IsDigit(C)) continue;
    std::vector<TElement> Found = ElementsOf(Collator, StringView(&C, 1));
    if (Found.empty() || Found[0].Primary == 0) continue;
    std::size_t PrimaryCount = 0;
    // No secondary weight below the common one, which keys leave out.
    bool Plain = true;
    for (const TElement& Element : Found) {
      if (Element.Primary != 0) ++PrimaryCount;
      Plain = Plain && (Element.Primary == 0 || Element.Primary >> 24 != DigitLead) && Element.Secondary >= Common;
    }
    if (!Plain || PrimaryCount > 3 || Found.size() > 4) continue;
    for (const TElement& Element : Found)
      if (Element.Primary != 0) Primaries.push_back(Element.Primary);
    Elements[C] = std::move(Found);
  }
  std::sort(Primaries.begin(), Primaries.end());
  Primaries.erase(std::unique(Primaries.begin(), Primaries.end()), Primaries.end());
  const auto RankOf = [&Primaries](std::uint32_t Primary) {
    return static_cast<std::uint16_t>(std::lower_bound(Primaries.begin(), Primaries.end(), Primary) -
                                      Primaries.begin() + 1);
  };
  for (char16_t C = 0; C < End; ++C) {
    TWeights& Weights = FWeights[C];
    for (const TElement& Element : Elements[C]) {
      if (Element.Primary != 0) Weights.Primary[Weights.PrimaryCount++] = RankOf(Element.Primary);
      Weights.Secondary[Weights.SecondaryCount++] = Element.Secondary;
    }
    Weights.CommonSecondaries =
        Weights.SecondaryCount == Weights.PrimaryCount &&
        std::all_of(Weights.Secondary.begin(), Weights.Secondary.begin() + Weights.SecondaryCount,
                    [Common](std::uint16_t Secondary) { return Secondary == Common; });
  }
  FDigitRank = RankOf(Zero[0].Primary);
  FCommonSecondary = Common;
  for (char16_t C = u'0'; C <= u'9'; ++C) FWeights[C].PrimaryCount = 1;
}

bool TLatinCollation::Known(StringView Name) const {
  // A character beyond these may combine with the one before it (a
  // combining accent), so one anywhere leaves the whole name to ICU.
  for (const char16_t C : Name)
    if (C >= End || FWeights[C].PrimaryCount == 0) return false;
  return true;
}

// A character's primary ranks one by one; a run of digits as one step with
// its digits past the leading zeros.
inline bool TLatinCollation::TPrimaryWalk::Next(const TLatinCollation& Table, TToken& Token) {
  if (Pos == Name.size()) return false;
  if (IsDigit(Name[Pos])) {
    std::size_t End = Pos;
    while (End < Name.size() && IsDigit(Name[End])) ++End;
    Token.Rank = Table.FDigitRank;
    Token.Digits = Name.substr(Pos, End - Pos);
    // Too long a run is told by its length; leading zeros do not count.
    if (Token.Digits.size() <= LongestDigitRun)
      while (!Token.Digits.empty() && Token.Digits.front() == u'0') Token.Digits.remove_prefix(1);
    Pos = End;
    return true;
  }
  const TWeights& Weights = Table.FWeights[Name[Pos]];
  Token.Rank = Weights.Primary[Within];
  Token.Digits = {};
  if (++Within == Weights.PrimaryCount) {
    Within = 0;
    ++Pos;
  }
  return true;
}

inline bool TLatinCollation::TSecondaryWalk::Next(const TLatinCollation& Table, std::uint16_t& Weight) {
  if (Pos == Name.size()) return false;
  if (IsDigit(Name[Pos])) {
    while (Pos < Name.size() && IsDigit(Name[Pos])) ++Pos;
    Weight = Table.FCommonSecondary;
    return true;
  }
  const TWeights& Weights = Table.FWeights[Name[Pos]];
  Weight = Weights.Secondary[Within];
  if (++Within == Weights.SecondaryCount) {
    Within = 0;
    ++Pos;
  }
  return true;
}

// The primary weights by rank, a run of digits as its rank, the number of
// its digits without leading zeros and those digits; then, after two zero
// bytes, the secondary weights, a run of digits as one. A name whose
// characters weigh only the common secondary weight, one for each primary
// weight, leaves them out: all such names of the same primary weights are
// equal in the collator ("aij" and "A\u0133"), and come before any other,
// since no weight lies below the common one and no name has fewer.
bool TLatinCollation::AppendKey(StringView Name, std::string& Key) const {
  if (!Known(Name)) return false;
  const std::size_t Start = Key.size();
  // At most three primaries and four secondaries, two bytes each, a
  // character.
  Key.resize(Start + 14 * Name.size() + 2);
  char* Out = Key.data() + Start;
  const auto Put = [&Out](std::uint16_t Weight) {
    *Out++ = static_cast<char>(Weight >> 8);
    *Out++ = static_cast<char>(Weight & 0xFF);
  };
  bool AllCommon = true;
  for (std::size_t I = 0; I < Name.size();) {
    if (!IsDigit(Name[I])) {
      const TWeights& Weights = FWeights[Name[I++]];
      for (std::size_t P = 0; P < Weights.PrimaryCount; ++P) Put(Weights.Primary[P]);
      AllCommon = AllCommon && Weights.CommonSecondaries;
      continue;
    }
    std::size_t End = I;
    while (End < Name.size() && IsDigit(Name[End])) ++End;
    if (End - I > LongestDigitRun) {
      Key.resize(Start);
      return false;
    }
    while (I < End && Name[I] == u'0') ++I;
    Put(FDigitRank);
    *Out++ = static_cast<char>(End - I);
    for (; I < End; ++I) *Out++ = static_cast<char>(Name[I]);
  }
  Put(0);
  for (std::size_t I = 0; I < Name.size() && !AllCommon;) {
    if (!IsDigit(Name[I])) {
      const TWeights& Weights = FWeights[Name[I++]];
      for (std::size_t S = 0; S < Weights.SecondaryCount; ++S) Put(Weights.Secondary[S]);
      continue;
    }
    while (I < Name.size() && IsDigit(Name[I])) ++I;
    Put(FCommonSecondary);
  }
  Key.resize(static_cast<std::size_t>(Out - Key.data()));
  return true;
}

std::optional<int> TLatinCollation::Compare(StringView A, StringView B) const {
  // What the names share weighs the same in both: the walks begin where
  // they part, or at the run of digits they part in.
  std::size_t Same = 0;
  while (Same < A.size() && Same < B.size() && A[Same] == B[Same]) ++Same;
  if (!Known(A.substr(0, Same)) || !Known(A.substr(Same)) || !Known(B.substr(Same))) return std::nullopt;
  while (Same > 0 && IsDigit(A[Same - 1])) --Same;
  TPrimaryWalk PrimariesA{A, Same};
  TPrimaryWalk PrimariesB{B, Same};
  for (;;) {
    TToken TokenA;
    TToken TokenB;
    const bool MoreA = PrimariesA.Next(*this, TokenA);
    const bool MoreB = PrimariesB.Next(*this, TokenB);
    if (!MoreA || !MoreB) {
      if (MoreA != MoreB) return MoreA ? 1 : -1;
      break;
    }
    if (TokenA.Digits.size() > LongestDigitRun || TokenB.Digits.size() > LongestDigitRun) return std::nullopt;
    if (TokenA.Rank != TokenB.Rank) return TokenA.Rank < TokenB.Rank ? -1 : 1;
    if (TokenA.Digits.size() != TokenB.Digits.size()) return TokenA.Digits.size() < TokenB.Digits.size() ? -1 : 1;
    if (const int Value = TokenA.Digits.compare(TokenB.Digits); Value != 0) return Value < 0 ? -1 : 1;
  }
  TSecondaryWalk SecondariesA{A, Same};
  TSecondaryWalk SecondariesB{B, Same};
  for (;;) {
    std::uint16_t WeightA;
    std::uint16_t WeightB;
    const bool MoreA = SecondariesA.Next(*this, WeightA);
    const bool MoreB = SecondariesB.Next(*this, WeightB);
    if (!MoreA || !MoreB) return MoreA == MoreB ? 0 : (MoreA ? 1 : -1);
    if (WeightA != WeightB) return WeightA < WeightB ? -1 : 1;
  }
}

TNameSortKeys::TNameSortKeys(const UCollator* Collator, const TLatinCollation& Latin,
                             const std::vector<StringView>& Names)
    : FCollator(Collator), FNames(Names), FEnds(Names.size() + 1), FKeyed(Names.size()) {
  for (std::size_t I = 0; I < Names.size(); ++I) {
    FKeyed[I] = Latin.AppendKey(Names[I], FKeys);
    FEnds[I + 1] = FKeys.size();
  }
}

std::string_view TNameSortKeys::KeyOf(std::size_t Index) const {
  return std::string_view(FKeys).substr(FEnds[Index], FEnds[Index + 1] - FEnds[Index]);
}

bool TNameSortKeys::Before(std::size_t A, std::size_t B) const {
  const StringView NameA = FNames[A];
  const StringView NameB = FNames[B];
  const int Loose =
      FKeyed[A] && FKeyed[B] ? KeyOf(A).compare(KeyOf(B)) : CollatorCompare(FCollator, NameA, NameB);
  return Loose != 0 ? Loose < 0 : NameA < NameB;
}

std::vector<std::size_t> TNameSortKeys::Order() const {
  std::vector<std::size_t> Result(FNames.size());
  for (std::size_t I = 0; I < Result.size(); ++I) Result[I] = I;
  std::sort(Result.begin(), Result.end(), [this](std::size_t A, std::size_t B) { return Before(A, B); });
  return Result;
}

}  // namespace cantrel
