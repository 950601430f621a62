#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace cantrel::bench {

// A generated media library: folders three levels deep (artists, albums,
// discs) and files spread over them, seven in ten with a media extension,
// some names with accents or in capitals. The same parameters always give
// the same tree, so a library made once is reused by later runs.
class TBenchLibrary {
public:
  TBenchLibrary(const std::filesystem::path& Base, int Files, int Folders);

  // Makes the library unless a complete one with these parameters is there.
  // Answers whether it had to be made.
  bool Prepare();

  const std::filesystem::path& Root() const { return FRoot; }
  int Files() const { return FFiles; }
  int Folders() const { return FFolders; }
  // The files the default filter finds.
  int MediaFiles() const { return FMediaFiles; }

  // The playlists cantrel-cli writes with "%album%" and this suffix
  // (".m3u8", " 2.m3u8"), one per folder and one in the root.
  std::vector<std::filesystem::path> PlayLists(const std::string& Suffix) const;
  void RemovePlayLists(const std::string& Suffix) const;

private:
  std::vector<std::filesystem::path> FolderPaths() const;
  std::string FileName(int Index, unsigned& Seed, bool& Media) const;

  std::filesystem::path FRoot;
  std::filesystem::path FStamp;
  int FFiles;
  int FFolders;
  int FMediaFiles = 0;
};

}  // namespace cantrel::bench
