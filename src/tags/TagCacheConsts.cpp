// The tag cache's message texts.
#include "tags/TagCacheConsts.h"

#include <iterator>

namespace cantrel {

namespace {

enum : int {
  IdTagCacheNotUsed = 62500,
  IdTagCacheMadeAnew,
  IdTagCacheLocked,
  IdTagCacheNotWritable,
  IdTagCacheDamaged,
  IdTagCacheNewer,
};

constexpr TResourceEntry TagCacheTable[] = {
    {IdTagCacheNotUsed, u"The tag cache \"%s\" is not used (%s); tags are read from the files."},
    {IdTagCacheMadeAnew, u"The tag cache \"%s\" was damaged and is made anew."},
    {IdTagCacheLocked, u"another program kept it locked"},
    {IdTagCacheNotWritable, u"it cannot be written"},
    {IdTagCacheDamaged, u"it is damaged"},
    {IdTagCacheNewer, u"a newer version of Cantrel made it"},
};

const bool Registered = (RegisterResourceModule(TagCacheResources), true);

}  // namespace

const TResourceModule TagCacheResources{TagCacheTable, std::size(TagCacheTable)};

const TResStringRec STagCacheNotUsed{&TagCacheResources, IdTagCacheNotUsed};
const TResStringRec STagCacheMadeAnew{&TagCacheResources, IdTagCacheMadeAnew};
const TResStringRec STagCacheLocked{&TagCacheResources, IdTagCacheLocked};
const TResStringRec STagCacheNotWritable{&TagCacheResources, IdTagCacheNotWritable};
const TResStringRec STagCacheDamaged{&TagCacheResources, IdTagCacheDamaged};
const TResStringRec STagCacheNewer{&TagCacheResources, IdTagCacheNewer};

}  // namespace cantrel
