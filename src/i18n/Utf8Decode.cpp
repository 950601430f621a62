#include "i18n/Utf8Decode.h"

#include "i18n/GettextConsts.h"
#include "runtime/Exceptions.h"

namespace cantrel {

namespace {

struct TSequenceStart {
  std::size_t Length;
  char32_t Bits;
  // The smallest value a sequence of this length may encode.
  char32_t Min;
};

bool StartOfSequence(unsigned char Lead, TSequenceStart& Start) {
  if (Lead < 0x80) Start = {1, Lead, 0};
  else if ((Lead & 0xE0) == 0xC0) Start = {2, char32_t(Lead & 0x1F), 0x80};
  else if ((Lead & 0xF0) == 0xE0) Start = {3, char32_t(Lead & 0x0F), 0x800};
  else if ((Lead & 0xF8) == 0xF0) Start = {4, char32_t(Lead & 0x07), 0x10000};
  else return false;
  return true;
}

[[noreturn]] void InvalidByte() { throw Exception(LoadResString(&SUtf8InvalidByte)); }

}  // namespace

String Utf8Decode(std::string_view Utf8) {
  String Result;
  Result.reserve(Utf8.size());
  for (std::size_t Pos = 0; Pos < Utf8.size();) {
    TSequenceStart Start;
    if (!StartOfSequence(static_cast<unsigned char>(Utf8[Pos]), Start)) InvalidByte();
    char32_t CodePoint = Start.Bits;
    for (std::size_t I = 1; I < Start.Length; ++I) {
      if (Pos + I >= Utf8.size()) throw Exception(LoadResString(&SUtf8Truncated));
      const auto Byte = static_cast<unsigned char>(Utf8[Pos + I]);
      if ((Byte & 0xC0) != 0x80) InvalidByte();
      CodePoint = (CodePoint << 6) | (Byte & 0x3F);
    }
    if (CodePoint < Start.Min || CodePoint > 0x10FFFF || (CodePoint >= 0xD800 && CodePoint <= 0xDFFF))
      InvalidByte();
    if (CodePoint >= 0x10000) {
      Result += static_cast<char16_t>(0xD800 + ((CodePoint - 0x10000) >> 10));
      Result += static_cast<char16_t>(0xDC00 + ((CodePoint - 0x10000) & 0x3FF));
    } else {
      Result += static_cast<char16_t>(CodePoint);
    }
    Pos += Start.Length;
  }
  return Result;
}

}  // namespace cantrel
