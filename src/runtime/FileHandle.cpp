// File descriptors with one owner, and the identity of a folder.
#include "runtime/FileHandle.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace cantrel {

void TFileHandle::Reset(int Handle) {
  if (FHandle >= 0) close(FHandle);
  FHandle = Handle;
}

TFileHandle OpenFolder(const std::string& Path) {
  return TFileHandle(open(Path.empty() ? "." : Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool IsFolder(int Handle, const TFolderIdentity& Identity) {
  struct stat Info;
  return fstat(Handle, &Info) == 0 && Info.st_dev == Identity.Device && Info.st_ino == Identity.Inode;
}

namespace {

// The soft limit after raising it, or none known.
rlim_t OpenFileLimit() {
  static std::once_flag Raised;
  std::call_once(Raised, [] {
    rlimit Limit;
    if (getrlimit(RLIMIT_NOFILE, &Limit) != 0 || Limit.rlim_cur == Limit.rlim_max) return;
    Limit.rlim_cur = Limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &Limit);
  });
  rlimit Limit;
  if (getrlimit(RLIMIT_NOFILE, &Limit) != 0) return 0;
  return Limit.rlim_cur;
}

// The listing takes one descriptor of its own while it counts.
int OpenDescriptors() {
  std::error_code Error;
  int Count = 0;
  for (std::filesystem::directory_iterator It("/proc/self/fd", Error), End; !Error && It != End; It.increment(Error))
    ++Count;
  return Error ? -1 : std::max(0, Count - 1);
}

}  // namespace

int FreeDescriptors() {
  const rlim_t Limit = OpenFileLimit();
  const int Open = OpenDescriptors();
  if (Limit == 0 || Open < 0) return 0;
  if (Limit == RLIM_INFINITY || Limit >= static_cast<rlim_t>(INT_MAX)) return INT_MAX - Open;
  return std::max(0, static_cast<int>(Limit) - Open);
}

}  // namespace cantrel
