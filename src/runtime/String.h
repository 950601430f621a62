// String, UTF-16 text, and its conversions and comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cantrel {

// Text is UTF-16, counted in code units.
using String = std::u16string;
using StringView = std::u16string_view;

// A byte that is not valid UTF-8 decodes to the lone surrogate U+DC00 + byte
// (U+DC80..U+DCFF) and encodes back to that byte, so file names of any bytes survive a round trip.
String Utf8ToString(std::string_view Utf8);
std::string StringToUtf8(StringView Text);
// The same, appended to Text and to Utf8.
void AppendUtf8AsString(String& Text, std::string_view Utf8);
void AppendStringAsUtf8(std::string& Utf8, StringView Text);

// How the UTF-8 sequence at a position reads: a well-formed character, a
// byte that cannot start or continue one (overlong forms, encoded
// surrogates and values above U+10FFFF included), or one cut off by the end.
enum class TUtf8Sequence : std::uint8_t { usValid, usInvalid, usTruncated };
// On usValid, CodePoint and Length tell the character and its bytes.
TUtf8Sequence ReadUtf8Sequence(std::string_view Utf8, std::size_t Pos, char32_t& CodePoint, std::size_t& Length);
// Appends a code point, as a surrogate pair above U+FFFF.
void AppendCodePoint(String& Text, char32_t CodePoint);
// Appends a code point's UTF-8 bytes.
void AppendUtf8(std::string& Utf8, char32_t CodePoint);

// What one place of a decoded file name holds. U+DC80..U+DCFF on its own is
// a byte kept from an undecodable name; the same unit as the second half of
// a surrogate pair belongs to a character (U+1F480..U+1F4FF, for example).
enum class TTextUnit : std::uint8_t { tuCharacter, tuKeptByte, tuLoneSurrogate };
// Reads the unit at Pos: a character (CodePoint, Length 1 or 2 for a pair),
// a kept byte (CodePoint is the byte) or a lone surrogate (Length 1). Every
// converter of file-name text reads it through here.
TTextUnit ReadTextUnit(StringView Text, std::size_t Pos, char32_t& CodePoint, std::size_t& Length);
// Calls Visit(Unit, CodePoint, Piece) for every unit of Text in order.
template <class TVisit>
void ForEachTextUnit(StringView Text, TVisit Visit) {
  char32_t CodePoint;
  for (std::size_t Pos = 0, Length; Pos < Text.size(); Pos += Length) {
    const TTextUnit Unit = ReadTextUnit(Text, Pos, CodePoint, Length);
    Visit(Unit, CodePoint, Text.substr(Pos, Length));
  }
}

// Plain ASCII text, for literals and numbers.
String AsciiToString(std::string_view Ascii);

String IntToStr(std::int64_t Value);

// Characters of code 32 or less count as blanks.
String Trim(StringView Text);
String TrimLeft(StringView Text);
String TrimRight(StringView Text);

// Case-insensitive by Unicode simple case folding.
bool SameText(StringView A, StringView B);
// Orders by folded code units: negative, 0 or positive. Unlike the locale
// comparison, only texts that SameText calls equal compare as 0.
int CompareText(StringView A, StringView B);
bool StartsText(StringView Prefix, StringView Text);
bool EndsText(StringView Suffix, StringView Text);
String::size_type PosText(StringView Needle, StringView Haystack, String::size_type From = 0);
String ReplaceText(StringView Text, StringView From, StringView To);

String ReplaceAll(StringView Text, StringView From, StringView To);
bool StartsStr(StringView Prefix, StringView Text);
bool EndsStr(StringView Suffix, StringView Text);

}  // namespace cantrel
