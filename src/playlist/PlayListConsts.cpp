// The playlist layer's message texts.
#include "playlist/PlayListConsts.h"

namespace cantrel {

CANTREL_DEFINE_RESOURCE_STRINGS(PlayListResources, CANTREL_PLAYLIST_STRINGS)

namespace {

const bool Registered = (RegisterResourceModule(PlayListResources), true);

}  // namespace

}  // namespace cantrel
