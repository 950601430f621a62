// The user's locale, category by category.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/String.h"

namespace cantrel {

// The parts of the user's locale that the environment sets one by one.
enum class TLocaleCategory : std::uint8_t { lcCType, lcCollate, lcMessages, lcNumeric, lcTime };

// The environment's locale for one category, as every Linux program reads
// it: the first of LC_ALL, the category's own variable (LC_MESSAGES and so
// on) and LANG that is set and not empty, as it stands ("de_DE.UTF-8");
// empty when none is. The one place that reads these variables.
std::string LocaleOfCategory(TLocaleCategory Category);

// The user's locale for one category without character set and modifier
// ("de_DE.UTF-8@euro" gives "de_DE"); "C" when none is set or it is "C" or
// "POSIX". A pinned name wins over the environment.
std::string UserLocaleName(TLocaleCategory Category = TLocaleCategory::lcCType);
// Tests and callers that know better may pin the locale of every category;
// an empty name goes back to the environment.
void SetUserLocaleName(const std::string& Name);

// Compares by the user's collation locale ignoring case, digits as numbers
// ("2" before "10"), punctuation counted; names equal under it compare by
// code units.
int AnsiCompareText(StringView A, StringView B);
// The same comparison without the exact tie-break: 0 for "Song" and "song".
int AnsiCompareTextLoose(StringView A, StringView B);
// The positions of Names in the order of AnsiCompareText, for sorting a
// folder's entries: a Latin name's key is made once, not once per
// comparison.
std::vector<std::size_t> AnsiSortOrder(const std::vector<StringView>& Names);

// The decimal separator of the user's numeric locale.
String DecimalSeparator();

}  // namespace cantrel
