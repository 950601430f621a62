// Texts of paths as the formats write them: URI references and XML escapes.
#include "playlist/PlayListText.h"

#include <algorithm>
#include <cstdint>

namespace cantrel {

namespace {

bool IsXmlCharacter(char32_t C) {
  return C == 0x09 || C == 0x0A || C == 0x0D || (C >= 0x20 && C <= 0xD7FF) || (C >= 0xE000 && C <= 0xFFFD) ||
         (C >= 0x10000 && C <= 0x10FFFF);
}

// The ASCII characters a location escapes, one bit each.
constexpr std::uint64_t PercentLow = 0xFFFFFFFFu | (1ull << ' ') | (1ull << '%') | (1ull << '&') | (1ull << '#') |
                                     (1ull << '?') | (1ull << '<') | (1ull << '>') | (1ull << '"');
constexpr std::uint64_t PercentHigh = (1ull << ('\\' - 64)) | (1ull << (0x7F - 64));

bool AsciiNeedsPercent(char16_t C) { return C < 64 ? (PercentLow >> C) & 1 : (PercentHigh >> (C - 64)) & 1; }

bool NeedsPercent(char32_t C) {
  if (C < 0x80) return AsciiNeedsPercent(static_cast<char16_t>(C));
  return !IsXmlCharacter(C);
}

void AppendPercent(String& Result, unsigned char Byte) {
  static constexpr char16_t Hex[] = u"0123456789ABCDEF";
  Result += u'%';
  Result += Hex[Byte >> 4];
  Result += Hex[Byte & 15];
}

// The characters XML escapes, and those it cannot carry.
bool IsXmlSpecial(char16_t C) {
  return C == u'&' || C == u'\'' || C == u'"' || C == u'<' || C == u'>' || C == u'\t' || C == u'\n' || C == u'\r';
}

}  // namespace

String EscapeLocation(StringView Path) {
  String Result;
  Result.reserve(Path.size());
  char32_t CodePoint;
  for (std::size_t Pos = 0, Length; Pos < Path.size(); Pos += Length) {
    // Runs of plain ASCII that stays as it is first, as most names are.
    std::size_t Run = Pos;
    while (Run < Path.size() && Path[Run] < 0x80 && !AsciiNeedsPercent(Path[Run])) ++Run;
    Result.append(Path.substr(Pos, Run - Pos));
    Pos = Run;
    Length = 0;
    if (Pos == Path.size()) break;
    if (const char16_t C = Path[Pos]; C < 0x80) {
      Length = 1;
      AppendPercent(Result, static_cast<unsigned char>(C));
      continue;
    }
    const TTextUnit Unit = ReadTextUnit(Path, Pos, CodePoint, Length);
    const StringView Piece = Path.substr(Pos, Length);
    if (Unit == TTextUnit::tuKeptByte) {
      AppendPercent(Result, static_cast<unsigned char>(CodePoint));
    } else if (Unit == TTextUnit::tuLoneSurrogate || NeedsPercent(CodePoint)) {
      for (const char Byte : StringToUtf8(Piece)) AppendPercent(Result, static_cast<unsigned char>(Byte));
    } else {
      Result += Piece;
    }
  }
  return Result;
}

StringView ReferencePrefix(StringView Path) {
  for (const char16_t C : Path) {
    if (C == u'/') break;
    if (C == u':') return u"./";
  }
  return u"";
}

String EscapeXml(StringView Text) {
  if (std::none_of(Text.begin(), Text.end(), IsXmlSpecial)) return String(Text);
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
  const bool PlainAscii = std::all_of(Text.begin(), Text.end(), [](char16_t C) {
    return (C >= 0x20 && C < 0x80) || C == u'\t' || C == u'\n' || C == u'\r';
  });
  if (PlainAscii) return true;
  bool Result = true;
  ForEachTextUnit(Text, [&](TTextUnit Unit, char32_t CodePoint, StringView) {
    if (Unit != TTextUnit::tuCharacter || !IsXmlCharacter(CodePoint)) Result = false;
  });
  return Result;
}

String EscapeXmlTitle(StringView Text) {
  String Shown;
  Shown.reserve(Text.size());
  ForEachTextUnit(Text, [&](TTextUnit Unit, char32_t CodePoint, StringView Piece) {
    Shown += Unit == TTextUnit::tuCharacter && IsXmlCharacter(CodePoint) ? Piece : StringView(u"?");
  });
  return EscapeXml(Shown);
}

bool HasLineBreak(StringView Text) {
  return std::any_of(Text.begin(), Text.end(), [](char16_t C) { return C == u'\r' || C == u'\n'; });
}

bool BeginsWithBlank(StringView Text) { return !Text.empty() && Text.front() <= 32; }

bool EndsWithBlank(StringView Text) { return !Text.empty() && Text.back() <= 32; }

}  // namespace cantrel
