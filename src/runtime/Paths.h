// File names as Strings: UTF-8 bytes decoded, folders and extensions.
#pragma once

#include <string>

#include "runtime/String.h"

namespace cantrel {

constexpr char16_t PathDelim = u'/';

// File names are bytes on Linux; a String holds them decoded as UTF-8, with
// undecodable bytes kept (see Utf8ToString).
inline std::string SystemFileName(StringView FileName) { return StringToUtf8(FileName); }
inline String FromSystemFileName(std::string_view FileName) { return Utf8ToString(FileName); }

// The folder part, up to and including the last "/".
String ExtractFilePath(StringView FileName);
// The part after the last "/".
String ExtractFileName(StringView FileName);
// From the last "." of the name part to the end; empty when there is none.
String ExtractFileExt(StringView FileName);
// The name with its extension replaced, or Extension appended without one.
String ChangeFileExt(StringView FileName, StringView Extension);
String IncludeTrailingPathDelimiter(StringView Path);
String ExcludeTrailingPathDelimiter(StringView Path);

// The path with "." pieces removed and each ".." taken out together with the
// piece before it; "/" is the root part of an absolute path, where a leading
// ".." vanishes. A relative path keeps its first piece and every piece after
// a "..": "a/../../b" gives "../b". Empty pieces stay. Nothing left gives ".".
String PathCanonicalize(StringView Path);

// The path made absolute from the current folder, as the kernel follows
// it: symbolic links are kept as named, a "." piece goes, and a ".." goes
// up from the real path of what comes before it (where that can be
// resolved, else from the text). No trailing "/" but for the root.
String AbsolutePath(StringView Path);

// The full path of the running executable (/proc/self/exe).
String ModuleFileName();

}  // namespace cantrel
