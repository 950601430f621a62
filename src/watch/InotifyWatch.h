// TInotifyWatch: one inotify instance with one watch per folder.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "runtime/FileHandle.h"

namespace cantrel {

// One change the kernel reported: the watch it came on, its IN_* bits and
// the entry's name (empty for the folder itself).
struct TWatchEvent {
  int Watch = -1;
  std::uint32_t Mask = 0;
  std::string Name;
};

// One inotify instance. Watches are added by descriptor, so a folder is
// watched exactly as it was reached. Main thread only.
class TInotifyWatch {
public:
  // Adds a watch for the folder open at the descriptor, with the mask;
  // answers the watch or -1 with the reason in errno, as
  // inotify_add_watch does.
  using TAddWatch = std::function<int(int Instance, int Folder, std::uint32_t Mask)>;
  // Reads the events waiting on the instance into Buffer, as read does.
  using TReadEvents = std::function<ssize_t(int Instance, void* Buffer, std::size_t Size)>;

  // An instance that cannot be made leaves Valid() false and its errno in
  // Error(). With FileContents, a file written and closed in place is
  // reported too (IN_CLOSE_WRITE). AddWatch and ReadEvents stand in for the
  // system's calls, for tests.
  explicit TInotifyWatch(bool FileContents = false, TAddWatch AddWatch = {}, TReadEvents ReadEvents = {});

  bool Valid() const { return FHandle.Valid(); }
  int Error() const { return FError; }
  // The descriptor to poll for events.
  int Handle() const { return FHandle.Get(); }

  // The watch of the folder open at Folder, or -1 with errno.
  int Add(int Folder);
  void Remove(int Watch);
  // Reads what is waiting, without blocking, handing each event over.
  void ReadEvents(const std::function<void(const TWatchEvent&)>& Handle);

private:
  TFileHandle FHandle;
  int FError = 0;
  std::uint32_t FMask;
  TAddWatch FAddWatch;
  TReadEvents FReadEvents;
};

}  // namespace cantrel
