// The cached tags of one folder's files, as one lookup read them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tags/FileKey.h"

namespace cantrel {

class TFolderTags {
public:
  // A folder the cache holds nothing for.
  explicit TFolderTags(const TFolderKey& Folder) : FFolder(Folder) {}
  // A folder the cache holds, last seen in week Seen (weeks since the
  // epoch), with its files in any order.
  TFolderTags(const TFolderKey& Folder, std::int64_t Seen, std::vector<TTaggedFile> Files);

  const TFolderKey& Folder() const { return FFolder; }
  // Whether the cache holds the folder at all (possibly without files).
  bool Known() const { return FKnown; }
  std::int64_t Seen() const { return FSeen; }
  // Every cached file with the key it was read under, in FileOrder.
  std::span<const TTaggedFile> Files() const { return FFiles; }

  // The cached tags of the file, or nullptr when the cache holds none for
  // it or holds them for another state of it (the file changed since): then
  // it has to be read.
  const TMediaTags* Find(const TFileKey& Key) const;
  // The cached entry of the same file in whatever state, or nullptr.
  const TTaggedFile* FindFile(const TFileKey& Key) const;

private:
  TFolderKey FFolder;
  bool FKnown = false;
  std::int64_t FSeen = 0;
  std::vector<TTaggedFile> FFiles;
};

}  // namespace cantrel
