// Reaching a folder of the tree by descriptors from the folder searched, as the search saw it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/FileHandle.h"
#include "runtime/String.h"

namespace cantrel {

// A folder reached by descriptors from the folder searched, or why it
// could not be reached.
struct TReachedFolder {
  TFileHandle Owned;
  int Handle = -1;
  // Its path below the folder searched: empty, or ending in "/".
  std::string BelowRoot;
  String Unreached;
};

// The pieces of a relative path that only goes down; none for one that
// climbs or is absolute, and no piece for the same folder.
std::optional<std::vector<std::string>> DescendingPieces(StringView Relative);

// Opens the folder Pieces lead to from the folder From (FromBelowRoot below
// the folder searched), one folder at a time, never through a symbolic link
// unless the search crossed one there (Identity's ThroughLink, for the last
// piece); then it must still be the folder the search saw. Unreached says
// why not.
TReachedFolder OpenBelow(int From, const std::string& FromBelowRoot, const std::vector<std::string>& Pieces,
                         const std::optional<TFolderIdentity>& Identity);

}  // namespace cantrel
