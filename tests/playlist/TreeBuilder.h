#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>

#include "PinnedLocale.h"
#include "ProcessLocale.h"
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

// A tree root in a fresh folder, with names ordered as in English and a
// UTF-8 locale for plain M3U.
class TPlayListTest : public ::testing::Test {
protected:
  std::string Read(const std::string& Relative) const { return ReadFileBytes(Dir.Path() + Relative); }
  bool Exists(const std::string& Relative) const { return FileExistsAt(Dir.Path() + Relative); }

  TPinnedLocale Locale{"en_US"};
  TProcessLocale Charset{"C.UTF-8"};
  TTempDir Dir;
  TPlayListFile Root;
};

}  // namespace cantrel::test
