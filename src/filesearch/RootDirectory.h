// A search root in the form the walk reports it.
#pragma once

#include "runtime/Paths.h"

namespace cantrel {

// A search root as the walk reports it: canonical, ending in "/", without a
// leading "./". The current directory "." becomes the empty path.
String NormalizeRootDirectory(StringView Root);

}  // namespace cantrel
