// Format: printf-like formatting of Strings.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <variant>

#include "runtime/String.h"

namespace cantrel {

// One argument of Format: an integer, a floating-point number or a text.
class TVarRec {
public:
  TVarRec(int Value) : FValue(std::int64_t{Value}) {}
  TVarRec(std::int64_t Value) : FValue(Value) {}
  TVarRec(double Value) : FValue(Value) {}
  TVarRec(const String& Value) : FValue(Value) {}
  TVarRec(StringView Value) : FValue(String(Value)) {}
  TVarRec(const char16_t* Value) : FValue(String(Value)) {}

  const std::variant<std::int64_t, double, String>& Value() const { return FValue; }

private:
  std::variant<std::int64_t, double, String> FValue;
};

// Fills %d (integer), %s (text) and %f (fixed, two decimals, the user's
// decimal separator) in order; %% is a percent sign. A placeholder without a
// fitting argument raises EConvertError.
String Format(StringView Fmt, std::initializer_list<TVarRec> Args);

// What Format fills in Fmt, in order: the character after each "%" but of
// "%%", and "%" for one that ends the text. Two texts with the same
// conversions take the same arguments.
String FormatConversions(StringView Fmt);

}  // namespace cantrel
