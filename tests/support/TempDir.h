#pragma once

#include <string>
#include <string_view>

#include "runtime/String.h"

namespace cantrel::test {

// A fresh folder below the system's temporary folder, removed with
// everything in it when the object goes.
class TTempDir {
public:
  TTempDir();
  // The same below Base, a folder of the caller's choice.
  explicit TTempDir(const std::string& Base);
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // The folder's path in bytes, ending in "/".
  const std::string& Path() const { return FPath; }
  // The same as a String.
  String Folder() const;

  // Creates a folder (with its parents) below this one and answers its
  // String path ending in "/".
  String MakeDir(std::string_view Relative) const;
  // Creates a file below this one (and its folders) holding Bytes.
  void MakeFile(std::string_view Relative, std::string_view Bytes = {}) const;

private:
  std::string FPath;
};

// Below the system's folder in memory (/dev/shm) where there is one, for
// trees of very many files, which a loaded disk makes slowly; else as
// TTempDir().
std::string MemoryTempBase();

// Makes a chain of Depth folders named Name, each inside the one before,
// below Folder, however long their path grows; answers the descriptor of
// the deepest, which the caller closes, or -1.
int MakeFolderChain(const std::string& Folder, const std::string& Name, int Depth);
// Makes the file Name holding Bytes in the folder open at Folder.
void MakeFileAt(int Folder, const std::string& Name, std::string_view Bytes = {});

std::string ReadFileBytes(const std::string& Path);
bool FileExistsAt(const std::string& Path);
// The lines joined with CR LF after each, as playlists are written.
std::string CrLfLines(std::initializer_list<std::string_view> Lines);

}  // namespace cantrel::test
