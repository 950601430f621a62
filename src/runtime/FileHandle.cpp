// File descriptors with one owner, and the identity of a folder.
#include "runtime/FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace cantrel
