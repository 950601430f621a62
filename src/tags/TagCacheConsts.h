// The tag cache's message texts.
#pragma once

#include "runtime/ResourceStrings.h"

// A row per message: its record's name, the identifier it is known by, its text.
#define CANTREL_TAGCACHE_STRINGS(ResourceString)                                                                   \
  ResourceString(STagCacheNotUsed, 62500, u"The tag cache \"%s\" is not used (%s); tags are read from the files.") \
  ResourceString(STagCacheMadeAnew, 62501, u"The tag cache \"%s\" was damaged and is made anew.")                  \
  ResourceString(STagCacheLocked, 62502, u"another program kept it locked")                                        \
  ResourceString(STagCacheNotWritable, 62503, u"it cannot be written")                                             \
  ResourceString(STagCacheDamaged, 62504, u"it is damaged")                                                        \
  ResourceString(STagCacheNewer, 62505, u"a newer version of Cantrel made it")

namespace cantrel {

CANTREL_DECLARE_RESOURCE_STRINGS(TagCacheResources, CANTREL_TAGCACHE_STRINGS)

}  // namespace cantrel
