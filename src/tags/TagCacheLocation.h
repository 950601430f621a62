// Where the tag cache lies, and what the file system there allows.
#pragma once

#include <string>

#include "runtime/String.h"

namespace cantrel {

// $XDG_CACHE_HOME/cantrel/tags.sqlite; ~/.cache/cantrel/tags.sqlite when the
// variable is unset, empty or not an absolute path.
String DefaultTagCachePath();

// Makes the folders above the file that are missing, open to the user only.
// One that cannot be made shows when the file cannot be opened.
void MakeFoldersAbove(const std::string& FileName);

// Whether the folder lies on a file system shared over a network (NFS, SMB,
// ...), where SQLite's write-ahead log cannot work: its index is memory
// shared by the programs of one machine.
bool OnNetworkFileSystem(const std::string& Folder);

}  // namespace cantrel
