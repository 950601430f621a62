// String, UTF-16 text, and its conversions and comparisons.
#include "runtime/String.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstring>

namespace cantrel {

namespace {

// An undecodable byte B (always 0x80 or above) becomes U+DC00 + B, in the
// range U+DC80..U+DCFF that no decoded text can produce.
constexpr char16_t EscapeBase = 0xDC00;

bool IsBlank(char16_t C) { return C <= 32; }

// The plain ASCII start of a text, a word at a time.
std::size_t AsciiPrefix(std::string_view Utf8) {
  std::size_t Pos = 0;
  for (std::uint64_t Word; Pos + sizeof Word <= Utf8.size(); Pos += sizeof Word) {
    std::memcpy(&Word, Utf8.data() + Pos, sizeof Word);
    if (Word & 0x8080808080808080u) break;
  }
  while (Pos < Utf8.size() && static_cast<unsigned char>(Utf8[Pos]) < 0x80) ++Pos;
  return Pos;
}

std::size_t AsciiPrefix(StringView Text) {
  std::size_t Pos = 0;
  for (std::uint64_t Word; Pos + 4 <= Text.size(); Pos += 4) {
    std::memcpy(&Word, Text.data() + Pos, sizeof Word);
    if (Word & 0xFF80FF80FF80FF80u) break;
  }
  while (Pos < Text.size() && Text[Pos] < 0x80) ++Pos;
  return Pos;
}

char32_t Fold(char16_t C) { return u_foldCase(C, U_FOLD_CASE_DEFAULT); }

bool SameTextAt(StringView Text, std::size_t Pos, StringView Needle) {
  for (std::size_t I = 0; I < Needle.size(); ++I)
    if (Fold(Text[Pos + I]) != Fold(Needle[I])) return false;
  return true;
}

}  // namespace

TUtf8Sequence ReadUtf8Sequence(std::string_view Utf8, std::size_t Pos, char32_t& CodePoint, std::size_t& Length) {
  const auto Lead = static_cast<unsigned char>(Utf8[Pos]);
  char32_t Min;
  if (Lead < 0x80)
    Length = 1, Min = 0, CodePoint = Lead;
  else if ((Lead & 0xE0) == 0xC0)
    Length = 2, Min = 0x80, CodePoint = Lead & 0x1F;
  else if ((Lead & 0xF0) == 0xE0)
    Length = 3, Min = 0x800, CodePoint = Lead & 0x0F;
  else if ((Lead & 0xF8) == 0xF0)
    Length = 4, Min = 0x10000, CodePoint = Lead & 0x07;
  else
    return TUtf8Sequence::usInvalid;
  for (std::size_t I = 1; I < Length; ++I) {
    if (Pos + I >= Utf8.size()) return TUtf8Sequence::usTruncated;
    const auto Byte = static_cast<unsigned char>(Utf8[Pos + I]);
    if ((Byte & 0xC0) != 0x80) return TUtf8Sequence::usInvalid;
    CodePoint = (CodePoint << 6) | (Byte & 0x3F);
  }
  const bool Surrogate = CodePoint >= 0xD800 && CodePoint <= 0xDFFF;
  if (CodePoint < Min || CodePoint > 0x10FFFF || Surrogate) return TUtf8Sequence::usInvalid;
  return TUtf8Sequence::usValid;
}

void AppendCodePoint(String& Text, char32_t CodePoint) {
  if (CodePoint < 0x10000) {
    Text += static_cast<char16_t>(CodePoint);
    return;
  }
  CodePoint -= 0x10000;
  Text += static_cast<char16_t>(0xD800 + (CodePoint >> 10));
  Text += static_cast<char16_t>(0xDC00 + (CodePoint & 0x3FF));
}

void AppendUtf8(std::string& Out, char32_t CodePoint) {
  if (CodePoint < 0x80) {
    Out += static_cast<char>(CodePoint);
  } else if (CodePoint < 0x800) {
    Out += static_cast<char>(0xC0 | (CodePoint >> 6));
    Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
  } else if (CodePoint < 0x10000) {
    Out += static_cast<char>(0xE0 | (CodePoint >> 12));
    Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (CodePoint >> 18));
    Out += static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
  }
}

TTextUnit ReadTextUnit(StringView Text, std::size_t Pos, char32_t& CodePoint, std::size_t& Length) {
  const char16_t C = Text[Pos];
  Length = 1;
  CodePoint = C;
  if (C >= 0xD800 && C <= 0xDBFF && Pos + 1 < Text.size() && Text[Pos + 1] >= 0xDC00 && Text[Pos + 1] <= 0xDFFF) {
    CodePoint = 0x10000 + ((char32_t(C) - 0xD800) << 10) + (Text[Pos + 1] - 0xDC00);
    Length = 2;
    return TTextUnit::tuCharacter;
  }
  if (C >= EscapeBase + 0x80 && C <= EscapeBase + 0xFF) {
    CodePoint = C - EscapeBase;
    return TTextUnit::tuKeptByte;
  }
  if (C >= 0xD800 && C <= 0xDFFF) return TTextUnit::tuLoneSurrogate;
  return TTextUnit::tuCharacter;
}

String Utf8ToString(std::string_view Utf8) {
  String Result;
  AppendUtf8AsString(Result, Utf8);
  return Result;
}

void AppendUtf8AsString(String& Result, std::string_view Utf8) {
  // Most names are plain ASCII, one unit per byte.
  std::size_t Pos = AsciiPrefix(Utf8);
  const std::size_t Start = Result.size();
  Result.resize(Start + Pos);
  std::copy_n(Utf8.begin(), Pos, Result.begin() + static_cast<std::ptrdiff_t>(Start));
  if (Pos == Utf8.size()) return;
  while (Pos < Utf8.size()) {
    char32_t CodePoint;
    std::size_t Length;
    if (ReadUtf8Sequence(Utf8, Pos, CodePoint, Length) != TUtf8Sequence::usValid) {
      Result += static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(Utf8[Pos]));
      ++Pos;
      continue;
    }
    AppendCodePoint(Result, CodePoint);
    Pos += Length;
  }
}

std::string StringToUtf8(StringView Text) {
  std::string Result;
  AppendStringAsUtf8(Result, Text);
  return Result;
}

void AppendStringAsUtf8(std::string& Result, StringView Text) {
  char32_t CodePoint;
  for (std::size_t Pos = 0, Length; Pos < Text.size(); Pos += Length) {
    // Runs of plain ASCII, a byte for each unit.
    if (const std::size_t Run = AsciiPrefix(Text.substr(Pos)); Run > 0) {
      const std::size_t Size = Result.size();
      Result.resize(Size + Run);
      std::copy_n(Text.begin() + static_cast<std::ptrdiff_t>(Pos), Run, Result.begin() + static_cast<std::ptrdiff_t>(Size));
      Length = Run;
      continue;
    }
    switch (ReadTextUnit(Text, Pos, CodePoint, Length)) {
      case TTextUnit::tuCharacter: AppendUtf8(Result, CodePoint); break;
      case TTextUnit::tuKeptByte: Result += static_cast<char>(CodePoint); break;
      case TTextUnit::tuLoneSurrogate: AppendUtf8(Result, 0xFFFD); break;
    }
  }
}

String AsciiToString(std::string_view Ascii) { return String(Ascii.begin(), Ascii.end()); }

String IntToStr(std::int64_t Value) { return AsciiToString(std::to_string(Value)); }

String TrimLeft(StringView Text) {
  std::size_t First = 0;
  while (First < Text.size() && IsBlank(Text[First])) ++First;
  return String(Text.substr(First));
}

String TrimRight(StringView Text) {
  std::size_t Last = Text.size();
  while (Last > 0 && IsBlank(Text[Last - 1])) --Last;
  return String(Text.substr(0, Last));
}

String Trim(StringView Text) { return TrimLeft(TrimRight(Text)); }

bool SameText(StringView A, StringView B) { return A.size() == B.size() && SameTextAt(A, 0, B); }

int CompareText(StringView A, StringView B) {
  const std::size_t Common = std::min(A.size(), B.size());
  for (std::size_t I = 0; I < Common; ++I) {
    const char32_t FoldedA = Fold(A[I]);
    const char32_t FoldedB = Fold(B[I]);
    if (FoldedA != FoldedB) return FoldedA < FoldedB ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

bool StartsText(StringView Prefix, StringView Text) {
  return Prefix.size() <= Text.size() && SameTextAt(Text, 0, Prefix);
}

bool EndsText(StringView Suffix, StringView Text) {
  return Suffix.size() <= Text.size() && SameTextAt(Text, Text.size() - Suffix.size(), Suffix);
}

String::size_type PosText(StringView Needle, StringView Haystack, String::size_type From) {
  if (Needle.empty() || Needle.size() > Haystack.size()) return String::npos;
  for (std::size_t Pos = From; Pos + Needle.size() <= Haystack.size(); ++Pos)
    if (SameTextAt(Haystack, Pos, Needle)) return Pos;
  return String::npos;
}

String ReplaceText(StringView Text, StringView From, StringView To) {
  String Result;
  std::size_t Start = 0;
  for (auto Pos = PosText(From, Text); Pos != String::npos; Pos = PosText(From, Text, Start)) {
    Result.append(Text.substr(Start, Pos - Start)).append(To);
    Start = Pos + From.size();
  }
  return Result.append(Text.substr(Start));
}

String ReplaceAll(StringView Text, StringView From, StringView To) {
  String Result;
  if (From.empty()) return String(Text);
  std::size_t Start = 0;
  for (auto Pos = Text.find(From); Pos != StringView::npos; Pos = Text.find(From, Start)) {
    Result.append(Text.substr(Start, Pos - Start)).append(To);
    Start = Pos + From.size();
  }
  return Result.append(Text.substr(Start));
}

bool StartsStr(StringView Prefix, StringView Text) { return Text.substr(0, Prefix.size()) == Prefix; }

bool EndsStr(StringView Suffix, StringView Text) {
  return Suffix.size() <= Text.size() && Text.substr(Text.size() - Suffix.size()) == Suffix;
}

}  // namespace cantrel
