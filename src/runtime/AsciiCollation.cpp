#include "runtime/AsciiCollation.h"

#include <unicode/ucol.h>
#include <unicode/uset.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace cantrel {

namespace {

// ICU splits longer runs of digits; such names are left to the collator.
constexpr std::size_t LongestDigitRun = 200;

bool IsDigit(char16_t C) { return C >= u'0' && C <= u'9'; }

struct TSetCloser {
  void operator()(USet* Set) const { uset_close(Set); }
};
using TSet = std::unique_ptr<USet, TSetCloser>;

int CompareChars(const UCollator* Collator, char16_t A, char16_t B) {
  return ucol_strcoll(Collator, &A, 1, &B, 1);
}

// The primary weights of one character: its sort key up to the level
// separator.
std::string PrimaryKey(const UCollator* Collator, char16_t C) {
  std::uint8_t Key[64];
  const std::int32_t Length = ucol_getSortKey(Collator, &C, 1, Key, sizeof Key);
  if (Length <= 0 || Length > static_cast<std::int32_t>(sizeof Key)) return {};
  const std::uint8_t* End = std::find(Key, Key + Length, std::uint8_t{1});
  return std::string(reinterpret_cast<const char*>(Key), reinterpret_cast<const char*>(End));
}

// The characters whose weight the locale's tailoring changes: every ASCII
// character it tailors and the first character of every ASCII contraction
// it adds (a name holding the contraction holds that character). The root
// collation gives every ASCII character one weight of its own, with no
// contraction; the tests hold it against the collator in many locales.
std::array<bool, 128> TailoredCharacters(const UCollator* Collator, bool& Failed) {
  std::array<bool, 128> Result{};
  UErrorCode Status = U_ZERO_ERROR;
  const TSet Tailored(ucol_getTailoredSet(Collator, &Status));
  Failed = U_FAILURE(Status);
  for (std::int32_t Item = 0; !Failed && Item < uset_getItemCount(Tailored.get()); ++Item) {
    UChar32 Start;
    UChar32 End;
    UChar Text[64];
    Status = U_ZERO_ERROR;
    const std::int32_t Length = uset_getItem(Tailored.get(), Item, &Start, &End, Text, 64, &Status);
    if (Length > 0 && U_SUCCESS(Status) && Text[0] < 128) Result[Text[0]] = true;
    if (Length == 0)
      for (UChar32 C = Start; C <= End && C < 128; ++C) Result[static_cast<std::size_t>(C)] = true;
    Failed = Length < 0 || (Length > 0 && U_FAILURE(Status));
  }
  return Result;
}

}  // namespace

TAsciiCollation::TAsciiCollation(const UCollator* Collator) {
  bool Failed = false;
  const std::array<bool, 128> Tailored = TailoredCharacters(Collator, Failed);
  if (Failed) return;
  std::vector<char16_t> Known;
  const UChar Nothing = 0;
  for (char16_t C = 0; C < 128; ++C)
    // An ignorable character weighs nothing and may split a run of digits.
    if (!Tailored[C] && ucol_strcoll(Collator, &C, 1, &Nothing, 0) != UCOL_EQUAL) Known.push_back(C);
  std::stable_sort(Known.begin(), Known.end(),
                   [Collator](char16_t A, char16_t B) { return CompareChars(Collator, A, B) < 0; });

  // Groups of equal characters get one rank each. Neighbouring groups must
  // differ in their primary weights: then a name's order is decided by the
  // first group that differs, as in the collator. The digits must form one
  // block, for a run of them weighs as one number among the characters.
  std::array<std::uint8_t, 128> Rank{};
  std::uint8_t Next = 0;
  std::string Primary;
  int DigitGroups = 0;
  bool InDigits = false;
  for (std::size_t I = 0; I < Known.size(); ++I) {
    const char16_t C = Known[I];
    const bool NewGroup = I == 0 || CompareChars(Collator, Known[I - 1], C) != 0;
    if (NewGroup) {
      const std::string Key = PrimaryKey(Collator, C);
      if (Key.empty() || Key == Primary) return;
      Primary = Key;
      ++Next;
      const bool Digit = IsDigit(C);
      if (Digit && !InDigits && ++DigitGroups > 1) return;
      InDigits = Digit;
    } else if (IsDigit(C) != InDigits) {
      return;
    }
    Rank[C] = Next;
  }
  if (DigitGroups != 1) return;
  FDigitRank = Rank[u'0'];
  for (char16_t C = u'0'; C <= u'9'; ++C) {
    if (Rank[C] == Unknown) return;
    Rank[C] = FDigitRank;
  }
  FRank = Rank;
}

bool TAsciiCollation::Known(StringView Name) const {
  // A character that is not plain ASCII may combine with the one before it
  // (a combining accent), so one anywhere leaves the whole name to ICU.
  for (const char16_t C : Name)
    if (C >= 128 || FRank[C] == Unknown) return false;
  return true;
}

// A run of digits is its rank, the number of its digits without leading
// zeros and those digits; any other character its rank.
bool TAsciiCollation::AppendKey(StringView Name, std::string& Key) const {
  if (!Known(Name)) return false;
  const std::size_t Start = Key.size();
  for (std::size_t I = 0; I < Name.size();) {
    if (!IsDigit(Name[I])) {
      Key += static_cast<char>(FRank[Name[I++]]);
      continue;
    }
    std::size_t End = I;
    while (End < Name.size() && IsDigit(Name[End])) ++End;
    if (End - I > LongestDigitRun) {
      Key.resize(Start);
      return false;
    }
    while (I < End && Name[I] == u'0') ++I;
    Key += static_cast<char>(FDigitRank);
    Key += static_cast<char>(End - I);
    for (; I < End; ++I) Key += static_cast<char>(Name[I]);
  }
  return true;
}

std::optional<int> TAsciiCollation::Compare(StringView A, StringView B) const {
  if (!Known(A) || !Known(B)) return std::nullopt;
  std::size_t I = 0;
  std::size_t J = 0;
  while (I < A.size() && J < B.size()) {
    if (IsDigit(A[I]) && IsDigit(B[J])) {
      // Runs of digits compare by value: leading zeros do not count.
      std::size_t EndA = I;
      std::size_t EndB = J;
      while (EndA < A.size() && IsDigit(A[EndA])) ++EndA;
      while (EndB < B.size() && IsDigit(B[EndB])) ++EndB;
      if (EndA - I > LongestDigitRun || EndB - J > LongestDigitRun) return std::nullopt;
      while (I < EndA && A[I] == u'0') ++I;
      while (J < EndB && B[J] == u'0') ++J;
      if (EndA - I != EndB - J) return EndA - I < EndB - J ? -1 : 1;
      const int Value = A.substr(I, EndA - I).compare(B.substr(J, EndB - J));
      if (Value != 0) return Value < 0 ? -1 : 1;
      I = EndA;
      J = EndB;
      continue;
    }
    const std::uint8_t RankA = FRank[A[I]];
    const std::uint8_t RankB = FRank[B[J]];
    if (RankA != RankB) return RankA < RankB ? -1 : 1;
    ++I;
    ++J;
  }
  if (I < A.size()) return 1;
  if (J < B.size()) return -1;
  return 0;
}

}  // namespace cantrel
