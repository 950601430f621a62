// Name masks with "*" and "?" and the lists of them a filter holds.
#include "filesearch/WildcardMask.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdint>

#include "filesearch/FileSearchConsts.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/Strings.h"

namespace cantrel {

namespace {

bool PassesEveryName(StringView Mask) { return Mask.empty() || Mask == u"*" || Mask == u"*.*"; }

// Simple case mapping, one character to one and the same under every
// locale: "*.IT" finds "c.it" in Turkish too, and "?" still stands for the
// one character of "ß". Lone surrogates (undecodable bytes) stay as they are.
String MaskUpperCase(StringView Text) {
  String Result;
  Result.reserve(Text.size());
  const auto Length = static_cast<std::int32_t>(Text.size());
  for (std::int32_t I = 0; I < Length;) {
    UChar32 C;
    U16_NEXT(Text.data(), I, Length, C);
    AppendCodePoint(Result, static_cast<char32_t>(u_toupper(C)));
  }
  return Result;
}

constexpr std::size_t None = StringView::npos;

// Whether Piece, where "?" takes any one character, matches Text at Place.
bool MatchesAt(StringView Piece, StringView Text, std::size_t Place) {
  if (Place > Text.size() || Piece.size() > Text.size() - Place) return false;
  for (std::size_t I = 0; I < Piece.size(); ++I)
    if (Piece[I] != u'?' && Piece[I] != Text[Place + I]) return false;
  return true;
}

// The places where the matcher tries the piece that follows a star (and
// the question marks right after it): the first place of the piece's first
// character at least Skip characters on, then, after each failed attempt,
// the same from just behind the place tried.
class TAttempts {
public:
  TAttempts(StringView Text, char16_t First, std::size_t Skip, std::size_t From)
      : FText(Text), FFirst(First), FSkip(Skip), FFrom(From) {}

  // The next place, None when there is no more.
  std::size_t Next() {
    if (FFrom > FText.size() || FSkip > FText.size() - FFrom) return None;
    const std::size_t Place = FText.find(FFirst, FFrom + FSkip);
    FFrom = Place + 1;
    return Place;
  }

private:
  StringView FText;
  char16_t FFirst;
  std::size_t FSkip;
  std::size_t FFrom;
};

// The first attempt at which Piece matches. One pass over Text from From
// finds every place where Piece matches, one bit per character of the
// piece, so the work grows with Text.size() times Piece.size() / 64, not
// with their product as retrying each attempt would.
std::size_t FirstMatchingAttempt(StringView Piece, StringView Text, std::size_t From, TAttempts& Attempts) {
  const std::size_t Words = (Piece.size() + 63) / 64;
  const auto Bit = [](std::size_t I) { return std::uint64_t{1} << (I % 64); };
  std::vector<char16_t> Chars;
  for (char16_t C : Piece)
    if (C != u'?') Chars.push_back(C);
  std::sort(Chars.begin(), Chars.end());
  Chars.erase(std::unique(Chars.begin(), Chars.end()), Chars.end());
  // Row I holds the positions of the piece that accept Chars[I]; the last
  // row those that accept any character.
  std::vector<std::uint64_t> Accepts((Chars.size() + 1) * Words);
  const auto Row = [&](std::size_t I) { return Accepts.begin() + static_cast<std::ptrdiff_t>(I * Words); };
  const auto AnyRow = Row(Chars.size());
  for (std::size_t I = 0; I < Piece.size(); ++I)
    if (Piece[I] == u'?') AnyRow[static_cast<std::ptrdiff_t>(I / 64)] |= Bit(I);
  for (std::size_t I = 0; I < Chars.size(); ++I) std::copy(AnyRow, AnyRow + static_cast<std::ptrdiff_t>(Words), Row(I));
  for (std::size_t I = 0; I < Piece.size(); ++I)
    if (Piece[I] != u'?') {
      const auto Char = std::lower_bound(Chars.begin(), Chars.end(), Piece[I]) - Chars.begin();
      Row(static_cast<std::size_t>(Char))[static_cast<std::ptrdiff_t>(I / 64)] |= Bit(I);
    }

  // Bit I of Matched: the piece's first I + 1 characters end at T.
  std::vector<std::uint64_t> Matched(Words);
  const std::size_t Last = Piece.size() - 1;
  std::size_t Attempt = Attempts.Next();
  for (std::size_t T = From; Attempt != None && T < Text.size(); ++T) {
    const auto Char = std::lower_bound(Chars.begin(), Chars.end(), Text[T]);
    const auto Accepted = Char != Chars.end() && *Char == Text[T] ? Row(static_cast<std::size_t>(Char - Chars.begin())) : AnyRow;
    std::uint64_t Carry = 1;
    for (std::size_t W = 0; W < Words; ++W) {
      const std::uint64_t Out = Matched[W] >> 63;
      Matched[W] = (Matched[W] << 1 | Carry) & Accepted[static_cast<std::ptrdiff_t>(W)];
      Carry = Out;
    }
    if (!(Matched[Last / 64] & Bit(Last))) continue;
    const std::size_t Place = T - Last;
    while (Attempt != None && Attempt < Place) Attempt = Attempts.Next();
    if (Attempt == Place) return Place;
  }
  return None;
}

}  // namespace

// The matcher goes through the mask piece by piece, a piece being what
// lies between two stars. The text must follow the part before the first
// star directly. After a star the matcher tries the rest at one place after
// another (TAttempts) and keeps the first place where the piece up to the
// next star matches: it never returns to an earlier piece. The piece after
// the last star must end with the text.
bool MatchWildcardMask(StringView Mask, StringView Text, int Start) {
  if (Mask.empty()) throw EStringError(&SSearchStringBlank, {});
  if (Mask == u"*") return true;
  if (Text.empty()) return false;
  if (Start < 1 || static_cast<std::size_t>(Start) > Text.size()) throw EStringError(&SArgumentOutOfRange, {});

  std::size_t Star = Mask.find(u'*');
  std::size_t T = static_cast<std::size_t>(Start) - 1;
  const StringView Head = Mask.substr(0, Star);
  if (!MatchesAt(Head, Text, T)) return false;
  T += Head.size();
  if (Star == None) return T == Text.size();
  for (;;) {
    // Question marks between stars take one character each; those after
    // the last star of a run are taken again before every attempt.
    std::size_t M = Star + 1;
    std::size_t Skip = 0;
    for (; M < Mask.size() && (Mask[M] == u'?' || Mask[M] == u'*'); ++M) {
      if (Mask[M] == u'*')
        T += Skip, Skip = 0;
      else
        ++Skip;
    }
    if (T > Text.size() || Skip > Text.size() - T) return false;
    if (M == Mask.size()) return true;
    const std::size_t NextStar = Mask.find(u'*', M);
    const StringView Piece = Mask.substr(M, NextStar == None ? None : NextStar - M);
    TAttempts Attempts(Text, Piece.front(), Skip, T);
    if (NextStar == None) {
      if (Piece.size() > Text.size()) return false;
      const std::size_t Place = Text.size() - Piece.size();
      std::size_t Attempt = Attempts.Next();
      while (Attempt != None && Attempt < Place) Attempt = Attempts.Next();
      return Attempt == Place && MatchesAt(Piece, Text, Place);
    }
    const std::size_t Place = FirstMatchingAttempt(Piece, Text, T, Attempts);
    if (Place == None) return false;
    T = Place + Piece.size();
    Star = NextStar;
  }
}

TFileNameMasks::TFileNameMasks(const TStrings& Masks, bool CaseSensitive) : FCaseSensitive(CaseSensitive) {
  FAllNamesMatch = Masks.Count() == 0;
  for (int I = 0; I < Masks.Count() && !FAllNamesMatch; ++I) {
    const String Mask = Masks[I];
    FAllNamesMatch = Mask == u"*" || Mask == u"*.*";
    TMask& Added = FMasks.emplace_back();
    Added.Text = CaseSensitive ? Mask : MaskUpperCase(Mask);
    Added.Ending = Added.Text.size() > 1 && Added.Text[0] == u'*' &&
                   Added.Text.find_first_of(u"*?", 1) == String::npos;
    if (Added.Ending) FLongestEnding = std::max(FLongestEnding, Added.Text.size() - 1);
  }
  if (FAllNamesMatch) FMasks.clear();
}

bool TFileNameMasks::Matches(StringView FileName) const {
  if (FAllNamesMatch) return true;
  // Most masks are "*.mp3": they test the end of the name, which is made
  // ready once, in upper case. An ASCII character's upper case is simply
  // that of its letter; a name whose end is not plain ASCII, and any other
  // mask, take the matcher on the whole name made ready.
  const bool Dotless = FileName.rfind(u'.') == StringView::npos;
  const std::size_t Length = FileName.size() + (Dotless ? 1 : 0);
  const std::size_t TailLength = std::min(Length, FLongestEnding);
  char16_t Tail[LongestFastEnding];
  bool AsciiTail = FLongestEnding <= LongestFastEnding;
  for (std::size_t I = 0, Pos = Length - TailLength; AsciiTail && I < TailLength; ++I, ++Pos) {
    char16_t C = Pos < FileName.size() ? FileName[Pos] : u'.';
    if (!FCaseSensitive && C >= u'a' && C <= u'z') C = static_cast<char16_t>(C - u'a' + u'A');
    AsciiTail = C < 0x80;
    Tail[I] = C;
  }
  String Name;
  for (const TMask& Mask : FMasks) {
    if (Mask.Ending && AsciiTail) {
      const StringView Ending = StringView(Mask.Text).substr(1);
      if (Ending.size() <= TailLength && Ending == StringView(Tail + TailLength - Ending.size(), Ending.size()))
        return true;
      continue;
    }
    if (PassesEveryName(Mask.Text)) return true;
    if (Name.empty()) {
      Name = FileName;
      if (Dotless) Name += u'.';
      if (!FCaseSensitive) Name = MaskUpperCase(Name);
    }
    if (MatchWildcardMask(Mask.Text, Name)) return true;
  }
  return false;
}

}  // namespace cantrel
