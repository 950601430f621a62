// The tidy of a playlist's last lines.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>

namespace cantrel {

// The tidy every playlist gets at its end: a blank second-to-last line
// goes, then a blank last line. Blank lines wait here, counted, until a
// line that is not blank follows them; what still waits when a list ends
// is tidied. Lists may nest (the list of a folder below, carried inside its
// parent's): each is tidied at its own end, over its own blank lines only.
class TTrailingTidy {
public:
  // What waited where a list began, and how many lines had followed blank
  // lines by then.
  struct TListStart {
    std::size_t Waiting = 0;
    std::size_t Followed = 0;
  };

  TListStart BeginList() const { return {FWaiting, FFollowed}; }
  void AddBlank() { ++FWaiting; }
  // The number of blank lines to write now, before a line that is not
  // blank, or at the very end.
  std::size_t TakeWaiting() {
    ++FFollowed;
    return std::exchange(FWaiting, 0);
  }
  // The list begun at Start ends, followed by Closing lines that are not
  // blank: of the blank lines among its last two lines, those it added go.
  void EndList(const TListStart& Start, std::size_t Closing = 0) {
    const std::size_t Own = FFollowed == Start.Followed ? FWaiting - Start.Waiting : FWaiting;
    FWaiting -= std::min(Own, Closing < 2 ? 2 - Closing : 0);
  }
  std::size_t Waiting() const { return FWaiting; }

private:
  std::size_t FWaiting = 0;
  std::size_t FFollowed = 0;
};

}  // namespace cantrel
