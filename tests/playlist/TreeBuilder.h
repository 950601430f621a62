#pragma once

#include <initializer_list>
#include <string_view>

#include "TempDir.h"
#include "playlist/PlayListFile.h"

namespace cantrel::test {

// Makes the folder Relative below Dir with empty media files of the given
// names, and fills Node for it as a search would.
inline TPlayListFile& FillFolder(TPlayListFile& Node, const TTempDir& Dir, std::string_view Relative,
                                 std::initializer_list<std::string_view> Files) {
  const String Folder = Relative.empty() ? Dir.Folder() : Dir.MakeDir(Relative);
  Node.SetPath(Folder);
  Node.SetName(Folder);
  for (std::string_view File : Files) {
    Dir.MakeFile(std::string(Relative.empty() ? "" : std::string(Relative) + "/") + std::string(File));
    Node.Items().Add(Utf8ToString(File));
  }
  return Node;
}

inline TPlayListFile& AddFolder(TPlayListFile& Parent, const TTempDir& Dir, std::string_view Relative,
                                std::initializer_list<std::string_view> Files) {
  return FillFolder(*Parent.AddChild(), Dir, Relative, Files);
}

}  // namespace cantrel::test
