// What the tag cache knows a file and a folder by: their identity as a stat tells it.
#include "tags/FileKey.h"

#include <tuple>

namespace cantrel {

namespace {

std::int64_t Nanoseconds(const struct timespec& Time) {
  return static_cast<std::int64_t>(Time.tv_sec) * 1'000'000'000 + Time.tv_nsec;
}

}  // namespace

TFolderKey FolderKeyOf(const struct stat& Info) { return {Info.st_dev, Info.st_ino}; }

TFileKey FileKeyOf(const struct stat& Info) {
  return {Info.st_dev, Info.st_ino, Info.st_size, Nanoseconds(Info.st_mtim), Nanoseconds(Info.st_ctim)};
}

bool FileOrder(const TFileKey& A, const TFileKey& B) {
  return std::tie(A.Device, A.Inode) < std::tie(B.Device, B.Inode);
}

}  // namespace cantrel
