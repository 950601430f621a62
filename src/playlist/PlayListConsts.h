#pragma once

#include "runtime/ResourceStrings.h"

namespace cantrel {

// The playlist layer's own message texts: why a name was left out of a
// playlist, and why a playlist was not written.
extern const TResourceModule PlayListResources;

extern const TResStringRec SLineBreakInName;        // "line break in the name"
extern const TResStringRec SNotRepresentableInXml;  // "not representable in XML"
extern const TResStringRec SNotInLocaleCharset;     // "not representable in the locale's character set"
extern const TResStringRec SBlankAtEndOfName;       // "blank at the end of the name"
extern const TResStringRec SFolderChanged;          // "Its folder changed since the search"

}  // namespace cantrel
