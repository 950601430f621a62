// What storing one folder's files changes in the tag cache.
#include "tags/FolderChanges.h"

#include <algorithm>

namespace cantrel {

namespace {

// The files once each (a folder can hold two links to one file), in FileOrder.
std::vector<const TTaggedFile*> DistinctFiles(std::span<const TTaggedFile> Files) {
  std::vector<const TTaggedFile*> Result;
  Result.reserve(Files.size());
  for (const TTaggedFile& File : Files) Result.push_back(&File);
  const auto KeyOf = [](const TTaggedFile* File) -> const TFileKey& { return File->Key; };
  std::ranges::stable_sort(Result, FileOrder, KeyOf);
  const auto Repeated = std::ranges::unique(Result, [](const TTaggedFile* A, const TTaggedFile* B) {
    return A->Key.SameFile(B->Key);
  });
  Result.erase(Repeated.begin(), Repeated.end());
  return Result;
}

bool Holds(const std::vector<const TTaggedFile*>& Files, const TFileKey& Key) {
  const auto Place = std::ranges::lower_bound(Files, Key, FileOrder, [](const TTaggedFile* File) -> const TFileKey& {
    return File->Key;
  });
  return Place != Files.end() && (*Place)->Key.SameFile(Key);
}

}  // namespace

TFolderChanges CompareFolder(const TFolderTags& Cached, std::span<const TTaggedFile> Files, std::int64_t Week) {
  TFolderChanges Changes;
  Changes.Folder = Cached.Folder();
  Changes.Week = Week;
  const std::vector<const TTaggedFile*> Current = DistinctFiles(Files);
  if (Current.empty()) {
    Changes.Drop = Cached.Known();
    return Changes;
  }
  Changes.Touch = !Cached.Known() || Cached.Seen() < Week;
  for (const TTaggedFile* File : Current) {
    const TTaggedFile* Old = Cached.FindFile(File->Key);
    if (!Old || !(*Old == *File)) Changes.Writes.push_back(*File);
  }
  for (const TTaggedFile& Old : Cached.Files())
    if (!Holds(Current, Old.Key)) Changes.Removals.push_back(Old.Key);
  return Changes;
}

}  // namespace cantrel
