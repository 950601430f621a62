// A search root in the form the walk reports it.
#include "filesearch/RootDirectory.h"

#include "runtime/Paths.h"

namespace cantrel {

String NormalizeRootDirectory(StringView Root) {
  String Result = IncludeTrailingPathDelimiter(PathCanonicalize(Root));
  if (StartsStr(u"./", Result)) Result.erase(0, 2);
  return Result;
}

}  // namespace cantrel
