#pragma once

#include <string_view>

#include "runtime/String.h"

namespace cantrel {

// Replaces the file with Bytes as one step: the bytes go to a temporary file
// with a short name (".cantrel-" and six characters) in the same folder,
// which is then renamed over the old one, so a failure part-way leaves the
// old file whole and no temporary file behind. The old file's mode is kept.
// A file that already holds exactly these bytes is left untouched, time
// stamp included. Any failure raises EFCreateError "Cannot create file
// "%s". %s" naming FileName and the reason.
void WriteFileAtomically(const String& FileName, std::string_view Bytes);

// The same for a file the user may have set up by hand, doing what the
// user expects where a rename would quietly change it:
// - a symbolic link whose target lies inside Folder is written through (the
//   link stays, the temporary file goes beside the target); a link that
//   leads outside Folder is left alone and the write fails;
// - a file without any write bit is left alone and the write fails, also
//   for a user whom permissions do not stop;
// - where no temporary file can be made in the folder, an existing writable
//   file is overwritten in place.
void ReplaceUserFile(const String& FileName, std::string_view Bytes, const String& Folder);

}  // namespace cantrel
