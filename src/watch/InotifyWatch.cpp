// TInotifyWatch: one inotify instance with one watch per folder.
#include "watch/InotifyWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cantrel {

namespace {

// A watch by the descriptor's own name: the folder reached, not whatever
// its path leads to by now.
int AddSystemWatch(int Instance, int Folder, std::uint32_t Mask) {
  const std::string Path = "/proc/self/fd/" + std::to_string(Folder);
  return inotify_add_watch(Instance, Path.c_str(), Mask);
}

ssize_t ReadSystemEvents(int Instance, void* Buffer, std::size_t Size) { return read(Instance, Buffer, Size); }

// The changes that can change what a search finds in a folder (names, and
// folders that become readable; a file's attributes, its tags' key), and
// the folder's own end. A file written keeps its name: without tags its
// events would only fill the queue.
constexpr std::uint32_t FolderMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                     IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

TInotifyWatch::TInotifyWatch(bool FileContents, TAddWatch AddWatch, TReadEvents ReadEvents)
    : FHandle(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
      FMask(FileContents ? FolderMask | IN_CLOSE_WRITE : FolderMask),
      FAddWatch(AddWatch ? std::move(AddWatch) : AddSystemWatch),
      FReadEvents(ReadEvents ? std::move(ReadEvents) : ReadSystemEvents) {
  if (!FHandle.Valid()) FError = errno;
}

int TInotifyWatch::Add(int Folder) {
  if (!Valid()) {
    errno = FError;
    return -1;
  }
  return FAddWatch(FHandle.Get(), Folder, FMask);
}

void TInotifyWatch::Remove(int Watch) {
  if (Valid()) inotify_rm_watch(FHandle.Get(), Watch);
}

void TInotifyWatch::ReadEvents(const std::function<void(const TWatchEvent&)>& Handle) {
  alignas(inotify_event) char Buffer[64 * 1024];
  for (;;) {
    const ssize_t Read = FReadEvents(FHandle.Get(), Buffer, sizeof Buffer);
    if (Read <= 0) {
      if (Read < 0 && errno == EINTR) continue;
      return;
    }
    for (ssize_t Offset = 0; Offset < Read;) {
      inotify_event Event;
      std::memcpy(&Event, Buffer + Offset, sizeof Event);
      const char* Name = Buffer + Offset + sizeof Event;
      Handle({Event.wd, Event.mask, Event.len > 0 ? std::string(Name, strnlen(Name, Event.len)) : std::string()});
      Offset += static_cast<ssize_t>(sizeof Event + Event.len);
    }
  }
}

}  // namespace cantrel
