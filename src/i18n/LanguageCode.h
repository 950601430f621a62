// The user's language for messages, as the environment gives it.
#pragma once

#include "runtime/String.h"

namespace cantrel {

// The user's language for messages: the environment's locale for messages
// (LC_ALL, then LC_MESSAGES, then LANG) cut at its first "." ("de_DE.UTF-8"
// gives "de_DE"); "C" when none is set or it is "POSIX".
String OSLanguageCode();

}  // namespace cantrel
