// Texts from a file's tags as the formats show them.
#include "playlist/TagText.h"

#include <cstdio>

#include "runtime/Paths.h"

namespace cantrel {

namespace {

// C0 and C1 controls, DEL, and the Unicode line and paragraph separators.
bool BreaksTheLine(char32_t C) { return C < 0x20 || (C >= 0x7F && C <= 0x9F) || C == 0x2028 || C == 0x2029; }

}  // namespace

String OneLineText(StringView Text) {
  String Result;
  Result.reserve(Text.size());
  char32_t CodePoint;
  for (std::size_t Pos = 0, Length; Pos < Text.size(); Pos += Length) {
    const TTextUnit Unit = ReadTextUnit(Text, Pos, CodePoint, Length);
    if (Unit != TTextUnit::tuCharacter)
      Result += u'?';
    else if (BreaksTheLine(CodePoint))
      Result += u' ';
    else
      Result += Text.substr(Pos, Length);
  }
  return Result;
}

String DisplayTitle(const TMediaTags& Tags, StringView Path) {
  const String Title = Tags.Title.empty() ? ChangeFileExt(ExtractFileName(Path), u"") : Tags.Title;
  return OneLineText(Tags.Artist.empty() ? Title : Tags.Artist + u" - " + Title);
}

String LengthInSeconds(std::int32_t Milliseconds) {
  return IntToStr(Milliseconds < 0 ? -1 : (std::int64_t{Milliseconds} + 500) / 1000);
}

String LengthAsClock(std::int32_t Milliseconds) {
  const std::int64_t Hundredths = (std::int64_t{Milliseconds} + 5) / 10;
  char Clock[32];
  std::snprintf(Clock, sizeof Clock, "%02lld:%02lld:%02lld.%02lld", static_cast<long long>(Hundredths / 360000),
                static_cast<long long>(Hundredths / 6000 % 60), static_cast<long long>(Hundredths / 100 % 60),
                static_cast<long long>(Hundredths % 100));
  return AsciiToString(Clock);
}

}  // namespace cantrel
