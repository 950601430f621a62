// The path of one folder as seen from another.
#pragma once

#include "runtime/String.h"

namespace cantrel {

// The path of Destination as seen from Origin: "." for the same folder, a
// bare name for a folder directly below, ".." pieces to climb. Paths are
// compared exactly, as the file system does, and a trailing "/" is ignored.
String GetRelativePath(StringView Origin, StringView Destination);

}  // namespace cantrel
