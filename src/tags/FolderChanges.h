// What storing one folder's files changes in the tag cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tags/FolderTags.h"

namespace cantrel {

struct TFolderChanges {
  TFolderKey Folder;
  // The week (since the epoch) the folder is seen in.
  std::int64_t Week = 0;
  // The folder holds no file any more: it goes with everything cached for it.
  bool Drop = false;
  // Its seen mark is older than Week, or it is not cached yet.
  bool Touch = false;
  // Files new to the cache or read in a new state.
  std::vector<TTaggedFile> Writes;
  // Cached files the folder no longer holds.
  std::vector<TFileKey> Removals;

  bool Empty() const { return !Drop && !Touch && Writes.empty() && Removals.empty(); }
  // Rows the changes touch, counting the folder's own.
  std::size_t Rows() const { return Writes.size() + Removals.size() + 1; }
};

// Compares what the cache held for a folder with every file it holds now,
// seen in Week: only what differs is to be written.
TFolderChanges CompareFolder(const TFolderTags& Cached, std::span<const TTaggedFile> Files, std::int64_t Week);

}  // namespace cantrel
