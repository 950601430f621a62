// The user's language for messages, as the environment gives it.
#include "i18n/LanguageCode.h"

#include "runtime/Locale.h"

namespace cantrel {

String OSLanguageCode() {
  const std::string Locale = LocaleOfCategory(TLocaleCategory::lcMessages);
  const std::string Code = Locale.substr(0, Locale.find('.'));
  if (Code.empty() || Code == "POSIX") return u"C";
  return Utf8ToString(Code);
}

}  // namespace cantrel
