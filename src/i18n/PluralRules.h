// Which plural form a number takes in a language.
#pragma once

#include "runtime/String.h"

namespace cantrel {

// Answers which plural form a number takes in a language.
using TGetPluralForm = int (*)(int Number);

int GetPluralForm2EN(int Number);

// The rule of a language code such as "de_DE", "pt_BR" or "C"; the
// catalog's Plural-Forms header is not read.
TGetPluralForm GetPluralFormOfLanguage(StringView LanguageCode);

}  // namespace cantrel
