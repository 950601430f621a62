// The file search layer's message texts.
#include "filesearch/FileSearchConsts.h"

namespace cantrel {

CANTREL_DEFINE_RESOURCE_STRINGS(FileSearchResources, CANTREL_FILESEARCH_STRINGS)

namespace {

const bool Registered = (RegisterResourceModule(FileSearchResources), true);

}  // namespace

}  // namespace cantrel
