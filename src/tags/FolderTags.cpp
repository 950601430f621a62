// The cached tags of one folder's files, as one lookup read them.
#include "tags/FolderTags.h"

#include <algorithm>
#include <utility>

namespace cantrel {

TFolderTags::TFolderTags(const TFolderKey& Folder, std::int64_t Seen, std::vector<TTaggedFile> Files)
    : FFolder(Folder), FKnown(true), FSeen(Seen), FFiles(std::move(Files)) {
  std::ranges::sort(FFiles, FileOrder, &TTaggedFile::Key);
}

const TMediaTags* TFolderTags::Find(const TFileKey& Key) const {
  const TTaggedFile* Entry = FindFile(Key);
  return Entry && Entry->Key == Key ? &Entry->Tags : nullptr;
}

const TTaggedFile* TFolderTags::FindFile(const TFileKey& Key) const {
  const auto Place = std::ranges::lower_bound(FFiles, Key, FileOrder, &TTaggedFile::Key);
  return Place != FFiles.end() && Place->Key.SameFile(Key) ? &*Place : nullptr;
}

}  // namespace cantrel
