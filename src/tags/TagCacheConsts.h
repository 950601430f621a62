// The tag cache's message texts.
#pragma once

#include "runtime/ResourceStrings.h"

namespace cantrel {

extern const TResourceModule TagCacheResources;

extern const TResStringRec STagCacheNotUsed;      // "The tag cache "%s" is not used (%s); tags are read from the files."
extern const TResStringRec STagCacheMadeAnew;     // "The tag cache "%s" was damaged and is made anew."
extern const TResStringRec STagCacheLocked;       // "another program kept it locked"
extern const TResStringRec STagCacheNotWritable;  // "it cannot be written"
extern const TResStringRec STagCacheDamaged;      // "it is damaged"
extern const TResStringRec STagCacheNewer;        // "a newer version of Cantrel made it"

}  // namespace cantrel
