#pragma once

#include "runtime/String.h"

namespace cantrel {

// The path with "." pieces removed and each ".." taken out together with the
// piece before it; "/" is the root part of an absolute path, where a leading
// ".." vanishes. A relative path keeps its first piece and every piece after
// a "..": "a/../../b" gives "../b". Empty pieces stay. Nothing left gives ".".
String PathCanonicalize(StringView Path);

// A search root as the walk reports it: canonical, ending in "/", without a
// leading "./". The current directory "." becomes the empty path.
String NormalizeRootDirectory(StringView Root);

}  // namespace cantrel
