#include "MediaLibrary.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace cantrel::bench {

namespace {

namespace fs = std::filesystem;

const char* const MediaExtensions[] = {"mp3", "MP3", "flac", "ogg", "wma", "wav", "aiff", "mod"};
const char* const OtherExtensions[] = {"jpg", "txt", "nfo", "cue", "log"};

// Folders three levels deep: artists, albums, discs.
std::vector<fs::path> MakeFolders(const fs::path& Root, int Count) {
  std::vector<fs::path> Folders;
  for (int Artist = 0; static_cast<int>(Folders.size()) < Count; ++Artist) {
    const fs::path ArtistDir = Root / ("Artist " + std::to_string(Artist));
    Folders.push_back(ArtistDir);
    for (int Album = 0; Album < 12 && static_cast<int>(Folders.size()) < Count; ++Album) {
      const fs::path AlbumDir = ArtistDir / ("Album " + std::to_string(Album) + " (Live & More)");
      Folders.push_back(AlbumDir);
      if (Album % 4 == 0 && static_cast<int>(Folders.size()) < Count) Folders.push_back(AlbumDir / "CD 2");
    }
  }
  for (const fs::path& Folder : Folders) fs::create_directories(Folder);
  return Folders;
}

void MakeFiles(const std::vector<fs::path>& Folders, int Count) {
  unsigned Seed = 12345;
  for (int I = 0; I < Count; ++I) {
    Seed = Seed * 1103515245 + 12345;
    const fs::path& Folder = Folders[static_cast<std::size_t>(I) % Folders.size()];
    const bool Media = (Seed >> 16) % 10 < 7;
    const char* Extension = Media ? MediaExtensions[(Seed >> 8) % std::size(MediaExtensions)]
                                  : OtherExtensions[(Seed >> 8) % std::size(OtherExtensions)];
    std::ofstream(Folder / ("Track " + std::to_string(I) + " - Title." + Extension));
  }
}

int IntOption(int Argc, char** Argv, const std::string& Name, int Default) {
  for (int I = 1; I + 1 < Argc; ++I)
    if (Argv[I] == Name) return std::atoi(Argv[I + 1]);
  return Default;
}

}  // namespace

void MakeMediaLibrary(const fs::path& Root, int Files, int Folders) { MakeFiles(MakeFolders(Root, Folders), Files); }

TRun Run(const std::vector<std::string>& Arguments) {
  const auto Start = std::chrono::steady_clock::now();
  const pid_t Child = fork();
  if (Child == 0) {
    const int Null = open("/dev/null", O_WRONLY);
    dup2(Null, STDOUT_FILENO);
    dup2(Null, STDERR_FILENO);
    std::vector<char*> Argv;
    for (const std::string& Argument : Arguments) Argv.push_back(const_cast<char*>(Argument.c_str()));
    Argv.push_back(nullptr);
    execvp(Argv[0], Argv.data());
    _exit(127);
  }
  TRun Result;
  struct rusage Usage {};
  wait4(Child, &Result.Status, 0, &Usage);
  Result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  Result.PeakKiB = Usage.ru_maxrss;
  return Result;
}

TRun Best(const std::vector<std::string>& Arguments, int Runs) {
  TRun Best = Run(Arguments);
  for (int I = 1; I < Runs; ++I) {
    const TRun Next = Run(Arguments);
    if (Next.Seconds < Best.Seconds) Best = Next;
  }
  return Best;
}

TBenchOptions BenchOptions(int Argc, char** Argv) {
  return {IntOption(Argc, Argv, "--files", 100000), IntOption(Argc, Argv, "--folders", 5000),
          IntOption(Argc, Argv, "--runs", 3),
          (fs::canonical("/proc/self/exe").parent_path() / "cantrel-cli").string()};
}

}  // namespace cantrel::bench
