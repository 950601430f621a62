// Paths resolved without leaving a folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/FileHandle.h"

namespace cantrel {

// As many symbolic links as the kernel follows in one path.
constexpr int MaxSymbolicLinks = 40;

// Where a path followed below a folder ends: the folder its last piece lies
// in, and that piece, which is no symbolic link and need not exist.
struct TBeneathPlace {
  // Empty when the last piece lies in the folder the path starts from.
  TFileHandle Folder;
  std::string Name;

  int FolderHandle(int Root) const { return Folder.Valid() ? Folder.Get() : Root; }
};

enum class TBeneath : std::uint8_t { bnInside, bnOutside, bnFailed };

// Follows Path from the folder open at Root as the kernel would, through
// every symbolic link, but only while it stays inside Root: a ".." above
// Root, or a link whose target lies elsewhere, answers bnOutside. An
// absolute link target is inside when it names a place below Root's real
// path. Every step is taken from a descriptor, so a folder renamed or
// swapped meanwhile cannot lead out. bnFailed, with the reason in errno,
// when a piece cannot be looked at, a folder on the way cannot be opened or
// the path names a folder.
TBeneath ResolveBeneath(int Root, std::string_view Path, TBeneathPlace& Place);

// The target of the symbolic link Name in the folder open at Folder; empty,
// with the reason in errno, when it cannot be read.
std::string ReadLinkAt(int Folder, const std::string& Name);

// The path the kernel knows for the folder open at Handle; empty when it
// has none (a folder removed, or one too deep to name).
std::string RealPathOf(int Handle);

}  // namespace cantrel
