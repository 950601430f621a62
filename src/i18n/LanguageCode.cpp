#include "i18n/LanguageCode.h"

#include <cstdlib>
#include <string_view>

namespace cantrel {

namespace {

bool IsTwoLetters(std::string_view Text) {
  const auto IsLetter = [](char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); };
  return Text.size() == 2 && IsLetter(Text[0]) && IsLetter(Text[1]);
}

const char* LocaleOfMessages() {
  for (const char* Variable : {"LC_ALL", "LC_MESSAGES"}) {
    const char* Value = std::getenv(Variable);
    if (Value && *Value) return Value;
  }
  return "";
}

}  // namespace

String OSLanguageCode() {
  const std::string_view Locale = LocaleOfMessages();
  const std::string_view Name = Locale.substr(0, Locale.find_first_of(".@"));
  const auto Underscore = Name.find('_');
  if (Underscore == std::string_view::npos) return u"C";
  const std::string_view Language = Name.substr(0, Underscore);
  const std::string_view Country = Name.substr(Underscore + 1);
  if (!IsTwoLetters(Language) || !IsTwoLetters(Country)) return u"C";
  return AsciiToString(Language) + u"_" + AsciiToString(Country);
}

}  // namespace cantrel
