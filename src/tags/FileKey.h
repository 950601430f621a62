// What the tag cache knows a file and a folder by: their identity as a stat tells it.
#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "tags/MediaTags.h"

namespace cantrel {

// A folder by device and inode.
struct TFolderKey {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;

  bool operator==(const TFolderKey&) const = default;
};

// A file by device and inode, and the state its tags were read in: a file
// whose size, modification or change time differs has to be read again. A
// tagger that edits within a tag's padding keeps the size and may put the
// modification time back, but cannot keep the change time.
struct TFileKey {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  // Nanoseconds since the epoch.
  std::int64_t ModifiedNs = 0;
  std::int64_t ChangedNs = 0;

  bool operator==(const TFileKey&) const = default;
  // Whether both name the same file, whatever state each saw it in.
  bool SameFile(const TFileKey& Other) const { return Device == Other.Device && Inode == Other.Inode; }
};

// A file's key and the tags read from it in that state.
struct TTaggedFile {
  TFileKey Key;
  TMediaTags Tags;

  bool operator==(const TTaggedFile&) const = default;
};

TFolderKey FolderKeyOf(const struct stat& Info);
TFileKey FileKeyOf(const struct stat& Info);

// Orders by device, then inode: the order of a folder's cached files.
bool FileOrder(const TFileKey& A, const TFileKey& B);

}  // namespace cantrel
