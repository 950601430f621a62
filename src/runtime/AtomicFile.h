#pragma once

#include <string_view>

#include "runtime/String.h"

namespace cantrel {

// Replaces the file with Bytes as one step: the bytes go to a temporary file
// in the same folder, which is then renamed over the old one, so a failure
// part-way leaves the old file whole. A file that already holds exactly these
// bytes is left untouched, time stamp included. Any failure raises
// EFCreateError "Cannot create file "%s". %s" naming FileName and the
// system's reason.
void WriteFileAtomically(const String& FileName, std::string_view Bytes);

}  // namespace cantrel
