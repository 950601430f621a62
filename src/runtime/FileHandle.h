// File descriptors with one owner, and the identity of a folder.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace cantrel {

// A file descriptor with one owner, closed when it goes.
class TFileHandle {
public:
  TFileHandle() = default;
  explicit TFileHandle(int Handle) : FHandle(Handle) {}
  ~TFileHandle() { Reset(); }
  TFileHandle(TFileHandle&& Other) noexcept : FHandle(Other.Release()) {}
  TFileHandle& operator=(TFileHandle&& Other) noexcept {
    if (this != &Other) Reset(Other.Release());
    return *this;
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  int Get() const { return FHandle; }
  bool Valid() const { return FHandle >= 0; }
  // Closes the present descriptor and takes Handle.
  void Reset(int Handle = -1);
  int Release() {
    const int Handle = FHandle;
    FHandle = -1;
    return Handle;
  }

private:
  int FHandle = -1;
};

// A folder opened once and shared by those that reach other folders from it
// (a search and the Make after it); it is closed when the last one lets go.
using TSharedFolder = std::shared_ptr<const TFileHandle>;

// Opens a folder by path, following links, for listing and for reaching
// the folders below it; the empty path is the current folder. An invalid
// handle with the reason in errno when it cannot be opened.
TFileHandle OpenFolder(const std::string& Path);

// A folder as a search reached it: its device and inode (behind a link
// walked into, those of the link's target) and whether it was reached
// through a symbolic link.
struct TFolderIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  bool ThroughLink = false;
};

// Whether the folder open at Handle is the one Identity names.
bool IsFolder(int Handle, const TFolderIdentity& Identity);

// How many more files this process may open now. The first call raises the
// soft limit on open files as far as the hard limit allows.
int FreeDescriptors();

}  // namespace cantrel
