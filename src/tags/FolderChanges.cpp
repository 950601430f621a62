// What storing one folder's files changes in the tag cache.
#include "tags/FolderChanges.h"

#include <algorithm>

namespace cantrel {

namespace {

// The files once each (a folder can hold two links to one file), in FileOrder.
std::vector<TTaggedFile> DistinctFiles(std::span<const TTaggedFile> Files) {
  std::vector<TTaggedFile> Result(Files.begin(), Files.end());
  std::ranges::stable_sort(Result, FileOrder, &TTaggedFile::Key);
  const auto Repeated = std::ranges::unique(Result, [](const TTaggedFile& A, const TTaggedFile& B) {
    return A.Key.SameFile(B.Key);
  });
  Result.erase(Repeated.begin(), Repeated.end());
  return Result;
}

bool Holds(const std::vector<TTaggedFile>& Files, const TFileKey& Key) {
  const auto Place = std::ranges::lower_bound(Files, Key, FileOrder, &TTaggedFile::Key);
  return Place != Files.end() && Place->Key.SameFile(Key);
}

}  // namespace

TFolderChanges CompareFolder(const TFolderTags& Cached, std::span<const TTaggedFile> Files, std::int64_t Week) {
  TFolderChanges Changes;
  Changes.Folder = Cached.Folder();
  Changes.Week = Week;
  const std::vector<TTaggedFile> Current = DistinctFiles(Files);
  if (Current.empty()) {
    Changes.Drop = Cached.Known();
    return Changes;
  }
  Changes.Touch = !Cached.Known() || Cached.Seen() < Week;
  for (const TTaggedFile& File : Current) {
    const TTaggedFile* Old = Cached.FindFile(File.Key);
    if (!Old || !(*Old == File)) Changes.Writes.push_back(File);
  }
  for (const TTaggedFile& Old : Cached.Files())
    if (!Holds(Current, Old.Key)) Changes.Removals.push_back(Old.Key);
  return Changes;
}

}  // namespace cantrel
