// Reads one media file's tags and length.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/String.h"
#include "tags/MediaTags.h"

namespace cantrel {

// The tags of the file Name (as a listing decodes it, kept bytes included)
// in the folder open as Folder. The file is reached from that descriptor
// alone, so a folder of any depth works. TagLib tells the format by the
// name's extension (in any case) or else by the content, and reads the
// audio properties in its fast style. Only a regular file is opened. A file
// that cannot be read (missing, no permission, not a regular file, broken,
// of no known format) answers empty tags: no error, no exception. Safe on
// several threads at once.
TMediaTags ReadMediaTags(int Folder, StringView Name);
// The same for a name as the system spells it.
TMediaTags ReadMediaTags(int Folder, std::string SystemName);

// How many media files this process has opened to read their tags.
std::uint64_t MediaFilesOpened();

}  // namespace cantrel
