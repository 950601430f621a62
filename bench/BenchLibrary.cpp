#include "BenchLibrary.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace cantrel::bench {

namespace fs = std::filesystem;

namespace {

const char* const MediaExtensions[] = {"mp3", "MP3", "flac", "ogg", "wma", "wav", "aiff", "mod"};
const char* const OtherExtensions[] = {"jpg", "txt", "nfo", "cue", "log"};
// Now and then a title that is not plain ASCII, as in any real collection.
const char* const Titles[] = {"Title", "title", "Café del Mar", "Ærø Ångström", "Čechy a Morava", "Dvořák"};

}  // namespace

TBenchLibrary::TBenchLibrary(const fs::path& Base, int Files, int Folders)
    : FRoot(Base / ("cantrel-bench-" + std::to_string(Files) + "-" + std::to_string(Folders))),
      FStamp(Base / ("cantrel-bench-" + std::to_string(Files) + "-" + std::to_string(Folders) + ".complete")),
      FFiles(Files),
      FFolders(Folders) {}

std::vector<fs::path> TBenchLibrary::FolderPaths() const {
  std::vector<fs::path> Folders;
  for (int Artist = 0; static_cast<int>(Folders.size()) < FFolders; ++Artist) {
    const fs::path ArtistDir = FRoot / ("Artist " + std::to_string(Artist));
    Folders.push_back(ArtistDir);
    for (int Album = 0; Album < 12 && static_cast<int>(Folders.size()) < FFolders; ++Album) {
      const fs::path AlbumDir = ArtistDir / ("Album " + std::to_string(Album) + " (Live & More)");
      Folders.push_back(AlbumDir);
      if (Album % 4 == 0 && static_cast<int>(Folders.size()) < FFolders) Folders.push_back(AlbumDir / "CD 2");
    }
  }
  return Folders;
}

std::string TBenchLibrary::FileName(int Index, unsigned& Seed, bool& Media) const {
  Seed = Seed * 1103515245 + 12345;
  Media = (Seed >> 16) % 10 < 7;
  const char* Extension = Media ? MediaExtensions[(Seed >> 8) % std::size(MediaExtensions)]
                                : OtherExtensions[(Seed >> 8) % std::size(OtherExtensions)];
  const unsigned Pick = (Seed >> 4) % 40;
  const char* Title = Pick < std::size(Titles) ? Titles[Pick] : Titles[0];
  return "Track " + std::to_string(Index) + " - " + Title + "." + Extension;
}

bool TBenchLibrary::Prepare() {
  const std::vector<fs::path> Folders = FolderPaths();
  unsigned Seed = 12345;
  FMediaFiles = 0;
  std::vector<std::string> Names;
  for (int I = 0; I < FFiles; ++I) {
    bool Media;
    Names.push_back(FileName(I, Seed, Media));
    FMediaFiles += Media ? 1 : 0;
  }
  if (fs::exists(FStamp) && fs::is_directory(FRoot)) return false;

  std::printf("Making %d files in %d folders below %s ...\n", FFiles, FFolders, FRoot.c_str());
  std::fflush(stdout);
  std::error_code Error;
  fs::remove(FStamp, Error);
  fs::remove_all(FRoot, Error);
  for (const fs::path& Folder : Folders) fs::create_directories(Folder);
  for (int I = 0; I < FFiles; ++I) {
    const fs::path File = Folders[static_cast<std::size_t>(I) % Folders.size()] / Names[static_cast<std::size_t>(I)];
    const int Handle = open(File.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (Handle < 0) throw std::runtime_error("cannot create " + File.string());
    close(Handle);
  }
  std::ofstream(FStamp) << FFiles << " files in " << FFolders << " folders\n";
  return true;
}

std::vector<fs::path> TBenchLibrary::PlayLists(const std::string& Suffix) const {
  std::vector<fs::path> Result{FRoot / (FRoot.filename().string() + Suffix)};
  for (const fs::path& Folder : FolderPaths()) Result.push_back(Folder / (Folder.filename().string() + Suffix));
  return Result;
}

void TBenchLibrary::RemovePlayLists(const std::string& Suffix) const {
  for (const fs::path& PlayList : PlayLists(Suffix)) unlink(PlayList.c_str());
}

}  // namespace cantrel::bench
