// The order of one folder's files on their albums: by disc, then track.
#pragma once

#include <span>
#include <vector>

#include "tags/MediaTags.h"

namespace cantrel {

// The places of Tags' files (given in name order) in album order: those
// with a disc or track number first, by disc and then track number, then
// those without, each group keeping name order.
std::vector<int> TrackOrder(std::span<const TMediaTags> Tags);

}  // namespace cantrel
