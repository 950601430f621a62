#pragma once

#include "runtime/String.h"

namespace cantrel {

// The system's language: language and country of the POSIX locale named by
// LC_ALL, else LC_MESSAGES ("de_DE.UTF-8" gives "de_DE"), when both are two
// letters; otherwise "C".
String OSLanguageCode();

}  // namespace cantrel
