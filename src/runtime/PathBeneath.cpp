// Paths resolved without leaving a folder.
#include "runtime/PathBeneath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <vector>

namespace cantrel {

namespace {

void PrependPieces(std::deque<std::string>& Pieces, std::string_view Path) {
  std::vector<std::string> Split;
  for (std::size_t Start = 0; Start <= Path.size();) {
    const std::size_t End = std::min(Path.find('/', Start), Path.size());
    if (End > Start) Split.emplace_back(Path.substr(Start, End - Start));
    Start = End + 1;
  }
  Pieces.insert(Pieces.begin(), Split.begin(), Split.end());
}

// The place below Root that an absolute link target names, relative to
// Root; false when it lies elsewhere.
bool BelowRoot(int Root, std::string& RootPath, std::string_view Target, std::string_view& Relative) {
  if (RootPath.empty()) RootPath = RealPathOf(Root);
  if (RootPath.empty()) return false;
  if (RootPath == "/") {
    Relative = Target;
    return true;
  }
  if (!Target.starts_with(RootPath) || (Target.size() > RootPath.size() && Target[RootPath.size()] != '/'))
    return false;
  Relative = Target.substr(RootPath.size());
  return true;
}

}  // namespace

TBeneath ResolveBeneath(int Root, std::string_view Path, TBeneathPlace& Place) {
  // The folders below Root on the way, the deepest last: ".." goes back to
  // the one before, never to what the kernel would find above.
  std::vector<TFileHandle> Folders;
  const auto Current = [&] { return Folders.empty() ? Root : Folders.back().Get(); };
  std::deque<std::string> Pieces;
  PrependPieces(Pieces, Path);
  std::string RootPath;
  int Links = 0;
  while (!Pieces.empty()) {
    const std::string Piece = std::move(Pieces.front());
    Pieces.pop_front();
    if (Piece == ".") continue;
    if (Piece == "..") {
      if (Folders.empty()) return TBeneath::bnOutside;
      Folders.pop_back();
      continue;
    }
    struct stat Info;
    const bool Exists = fstatat(Current(), Piece.c_str(), &Info, AT_SYMLINK_NOFOLLOW) == 0;
    if (!Exists && !(errno == ENOENT && Pieces.empty())) return TBeneath::bnFailed;
    if (Exists && S_ISLNK(Info.st_mode)) {
      if (++Links > MaxSymbolicLinks) {
        errno = ELOOP;
        return TBeneath::bnFailed;
      }
      const std::string Target = ReadLinkAt(Current(), Piece);
      if (Target.empty()) return TBeneath::bnFailed;
      std::string_view Relative = Target;
      if (Target.front() == '/') {
        if (!BelowRoot(Root, RootPath, Target, Relative)) return TBeneath::bnOutside;
        Folders.clear();
      }
      PrependPieces(Pieces, Relative);
      continue;
    }
    if (Pieces.empty()) {
      Place.Folder = Folders.empty() ? TFileHandle() : std::move(Folders.back());
      Place.Name = Piece;
      return TBeneath::bnInside;
    }
    TFileHandle Folder(openat(Current(), Piece.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!Folder.Valid()) return TBeneath::bnFailed;
    Folders.push_back(std::move(Folder));
  }
  errno = EISDIR;
  return TBeneath::bnFailed;
}

std::string ReadLinkAt(int Folder, const std::string& Name) {
  std::string Target(256, '\0');
  for (;;) {
    const ssize_t Length = readlinkat(Folder, Name.c_str(), Target.data(), Target.size());
    if (Length < 0) return {};
    if (static_cast<std::size_t>(Length) < Target.size()) {
      Target.resize(static_cast<std::size_t>(Length));
      return Target;
    }
    Target.resize(Target.size() * 2);
  }
}

std::string RealPathOf(int Handle) {
  std::string Path = ReadLinkAt(AT_FDCWD, "/proc/self/fd/" + std::to_string(Handle));
  // A folder removed meanwhile is named "... (deleted)", and none is relative.
  struct stat Named, Open;
  if (!Path.starts_with('/') || stat(Path.c_str(), &Named) != 0 || fstat(Handle, &Open) != 0 ||
      Named.st_dev != Open.st_dev || Named.st_ino != Open.st_ino)
    return {};
  return Path;
}

}  // namespace cantrel
