// What a media file's tags tell: the texts shown for it, its place on its album and its length.
#pragma once

#include <cstdint>

#include "runtime/String.h"

namespace cantrel {

// Fields a file's tags do not hold stay empty, 0 or -1.
struct TMediaTags {
  String Title;
  String Artist;
  String Album;
  // 0 when the tags hold none.
  int Track = 0;
  int Disc = 0;
  // Milliseconds; -1 when unknown.
  std::int32_t Length = -1;

  bool operator==(const TMediaTags&) const = default;
};

}  // namespace cantrel
