#include "filesearch/WildcardMask.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

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

}  // namespace

bool MatchWildcardMask(StringView Mask, StringView Text, int Start) {
  if (Mask.empty()) throw EStringError(&SSearchStringBlank, {});
  if (Mask == u"*") return true;
  if (Text.empty()) return false;
  if (Start < 1 || static_cast<std::size_t>(Start) > Text.size()) throw EStringError(&SArgumentOutOfRange, {});

  constexpr std::size_t Unset = StringView::npos;
  std::size_t M = 0;
  std::size_t T = static_cast<std::size_t>(Start) - 1;
  // Where to go on after a failed attempt: the mask just after the last
  // star, and the text just after the character that attempt began with.
  std::size_t RestartMask = Unset;
  std::size_t RestartText = Unset;
  const auto CanRestart = [&] { return RestartMask != Unset && RestartText != Unset; };

  for (;;) {
    // Direct matching, character by character.
    bool Searching = false;
    while (!Searching) {
      if (M == Mask.size()) {
        if (T == Text.size()) return true;
        if (!CanRestart()) return false;
        M = RestartMask, T = RestartText, Searching = true;
      } else if (Mask[M] == u'*') {
        RestartMask = ++M, Searching = true;
      } else if (T == Text.size()) {
        return false;
      } else if (Mask[M] == u'?' || Text[T] == Mask[M]) {
        ++M, ++T;
      } else if (CanRestart()) {
        M = RestartMask, T = RestartText, Searching = true;
      } else {
        return false;
      }
    }
    // After a star: find where the rest of the mask may begin.
    while (Searching) {
      if (M == Mask.size()) return true;
      if (Mask[M] == u'*') {
        RestartMask = ++M;
      } else if (Mask[M] == u'?') {
        if (T == Text.size()) return false;
        ++M, ++T;
      } else {
        const std::size_t Found = Text.find(Mask[M], T);
        if (Found == StringView::npos) return false;
        T = RestartText = Found + 1;
        ++M;
        Searching = false;
      }
    }
  }
}

TFileNameMasks::TFileNameMasks(const TStrings& Masks, bool CaseSensitive) : FCaseSensitive(CaseSensitive) {
  FAllNamesMatch = Masks.Count() == 0;
  for (int I = 0; I < Masks.Count() && !FAllNamesMatch; ++I) {
    const String Mask = Masks[I];
    FAllNamesMatch = Mask == u"*" || Mask == u"*.*";
    FMasks.push_back(CaseSensitive ? Mask : MaskUpperCase(Mask));
  }
  if (FAllNamesMatch) FMasks.clear();
}

bool TFileNameMasks::Matches(StringView FileName) const {
  if (FAllNamesMatch) return true;
  String Name(FileName);
  if (Name.find(u'.') == String::npos) Name += u'.';
  if (!FCaseSensitive) Name = MaskUpperCase(Name);
  for (const String& Mask : FMasks)
    if (PassesEveryName(Mask) || MatchWildcardMask(Mask, Name)) return true;
  return false;
}

}  // namespace cantrel
