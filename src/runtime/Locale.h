#pragma once

#include <string>

#include "runtime/String.h"

namespace cantrel {

// The user's locale, chosen from the environment: LANG, else LC_ALL, else
// LC_MESSAGES. "de_DE.UTF-8@euro" gives "de_DE"; an unset or "C"/"POSIX"
// environment gives "C".
std::string UserLocaleName();
// Tests and callers that know better may pin the locale; an empty name goes
// back to the environment.
void SetUserLocaleName(const std::string& Name);

// Compares by the user's locale ignoring case, digits as numbers ("2" before
// "10"), punctuation counted; names equal under it compare by code units.
int AnsiCompareText(StringView A, StringView B);
// The same comparison without the exact tie-break: 0 for "Song" and "song".
int AnsiCompareTextLoose(StringView A, StringView B);

String AnsiUpperCase(StringView Text);

// The decimal separator of the user's locale.
String DecimalSeparator();

}  // namespace cantrel
