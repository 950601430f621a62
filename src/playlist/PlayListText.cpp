#include "playlist/PlayListText.h"

#include <algorithm>
#include <cstdio>

namespace cantrel {

namespace {

bool IsXmlCharacter(char32_t C) {
  return C == 0x09 || C == 0x0A || C == 0x0D || (C >= 0x20 && C <= 0xD7FF) || (C >= 0xE000 && C <= 0xFFFD) ||
         (C >= 0x10000 && C <= 0x10FFFF);
}

bool NeedsPercent(char32_t C) {
  if (C < 0x20 || C == 0x7F || !IsXmlCharacter(C)) return true;
  return C < 0x80 && StringView(u"% &#?<>\"\\").find(static_cast<char16_t>(C)) != StringView::npos;
}

void AppendPercent(String& Result, unsigned char Byte) {
  char Buffer[4];
  std::snprintf(Buffer, sizeof Buffer, "%%%02X", Byte);
  Result += AsciiToString(Buffer);
}

// Calls Visit(Unit, CodePoint, Piece) for every character or kept byte.
template <class TVisit>
void ForEachUnit(StringView Text, TVisit Visit) {
  char32_t CodePoint;
  for (std::size_t Pos = 0, Length; Pos < Text.size(); Pos += Length) {
    const TTextUnit Unit = ReadTextUnit(Text, Pos, CodePoint, Length);
    Visit(Unit, CodePoint, Text.substr(Pos, Length));
  }
}

}  // namespace

String EscapeLocation(StringView Path) {
  String Result;
  Result.reserve(Path.size());
  ForEachUnit(Path, [&](TTextUnit Unit, char32_t CodePoint, StringView Piece) {
    if (Unit == TTextUnit::tuKeptByte) {
      AppendPercent(Result, static_cast<unsigned char>(CodePoint));
    } else if (Unit == TTextUnit::tuLoneSurrogate || NeedsPercent(CodePoint)) {
      for (const char Byte : StringToUtf8(Piece)) AppendPercent(Result, static_cast<unsigned char>(Byte));
    } else {
      Result += Piece;
    }
  });
  return Result;
}

String RelativeReference(StringView Path) {
  const StringView FirstSegment = Path.substr(0, Path.find(u'/'));
  return FirstSegment.find(u':') != StringView::npos ? u"./" + String(Path) : String(Path);
}

String EscapeXml(StringView Text) {
  String Result;
  Result.reserve(Text.size());
  for (const char16_t C : Text) {
    switch (C) {
      case u'&': Result += u"&amp;"; break;
      case u'\'': Result += u"&apos;"; break;
      case u'"': Result += u"&quot;"; break;
      case u'<': Result += u"&lt;"; break;
      case u'>': Result += u"&gt;"; break;
      case u'\t': Result += u"&#9;"; break;
      case u'\n': Result += u"&#10;"; break;
      case u'\r': Result += u"&#13;"; break;
      default: Result += C;
    }
  }
  return Result;
}

bool IsXmlText(StringView Text) {
  bool Result = true;
  ForEachUnit(Text, [&](TTextUnit Unit, char32_t CodePoint, StringView) {
    if (Unit != TTextUnit::tuCharacter || !IsXmlCharacter(CodePoint)) Result = false;
  });
  return Result;
}

String EscapeXmlTitle(StringView Text) {
  String Shown;
  Shown.reserve(Text.size());
  ForEachUnit(Text, [&](TTextUnit Unit, char32_t CodePoint, StringView Piece) {
    Shown += Unit == TTextUnit::tuCharacter && IsXmlCharacter(CodePoint) ? Piece : StringView(u"?");
  });
  return EscapeXml(Shown);
}

bool HasLineBreak(StringView Text) {
  return std::any_of(Text.begin(), Text.end(), [](char16_t C) { return C == u'\r' || C == u'\n'; });
}

}  // namespace cantrel
