// Translations decoded from UTF-8 to UTF-16.
#pragma once

#include <string_view>

#include "runtime/String.h"

namespace cantrel {

// Decodes a translation from UTF-8. A character above U+FFFF becomes a
// surrogate pair. A byte that cannot start or continue a sequence (also an
// overlong form, an encoded surrogate or a value above U+10FFFF) raises
// Exception "Invalid byte sequence encountered in utf-8 string"; a sequence
// cut off by the end raises "Utf-8 string terminated unexpectedly in the
// middle of a multibyte sequence".
String Utf8Decode(std::string_view Utf8);

}  // namespace cantrel
