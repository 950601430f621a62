// The tag cache's message texts.
#include "tags/TagCacheConsts.h"

namespace cantrel {

CANTREL_DEFINE_RESOURCE_STRINGS(TagCacheResources, CANTREL_TAGCACHE_STRINGS)

namespace {

const bool Registered = (RegisterResourceModule(TagCacheResources), true);

}  // namespace

}  // namespace cantrel
