// The order of one folder's files on their albums: by disc, then track.
#include "playlist/TrackOrder.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace cantrel {

namespace {

bool Numbered(const TMediaTags& Tags) { return Tags.Disc > 0 || Tags.Track > 0; }

}  // namespace

std::vector<int> TrackOrder(std::span<const TMediaTags> Tags) {
  std::vector<int> Order(Tags.size());
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) {
    const TMediaTags& Left = Tags[static_cast<std::size_t>(A)];
    const TMediaTags& Right = Tags[static_cast<std::size_t>(B)];
    return std::tuple(!Numbered(Left), Left.Disc, Left.Track) < std::tuple(!Numbered(Right), Right.Disc, Right.Track);
  });
  return Order;
}

}  // namespace cantrel
