// Builds a media library in a temporary folder and times cantrel-cli on it
// against find(1) with the same masks: the listing, and the writing of a
// playlist into every folder. Prints the figures; decides nothing.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TRun {
  double Seconds = 0;
  long PeakKiB = 0;
  int Status = 0;
};

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

// The best of a few runs: the figure least disturbed by the rest of the machine.
TRun Best(const std::vector<std::string>& Arguments, int Runs) {
  TRun Best = Run(Arguments);
  for (int I = 1; I < Runs; ++I) {
    const TRun Next = Run(Arguments);
    if (Next.Seconds < Best.Seconds) Best = Next;
  }
  return Best;
}

std::vector<std::string> FindCommand(const std::string& Root) {
  const char* const Masks[] = {"*.aiff", "*.aifc", "*.mp3", "*.mp2", "*.ogg", "*.flac", "*.it",
                               "*.xm",   "*.s3m",  "*.mod", "*.spx", "*.wma", "*.wav"};
  std::vector<std::string> Command{"find", Root, "-type", "f", "("};
  for (const char* Mask : Masks) {
    if (Command.back() != "(") Command.push_back("-o");
    Command.insert(Command.end(), {"-iname", Mask});
  }
  Command.push_back(")");
  return Command;
}

int IntOption(int Argc, char** Argv, const std::string& Name, int Default) {
  for (int I = 1; I + 1 < Argc; ++I)
    if (Argv[I] == Name) return std::atoi(Argv[I + 1]);
  return Default;
}

}  // namespace

int main(int Argc, char** Argv) {
  const int Files = IntOption(Argc, Argv, "--files", 100000);
  const int Folders = IntOption(Argc, Argv, "--folders", 5000);
  const int Runs = IntOption(Argc, Argv, "--runs", 3);
  const std::string Cli = (fs::canonical("/proc/self/exe").parent_path() / "cantrel-cli").string();

  char Template[] = "/tmp/cantrel-bench-XXXXXX";
  const fs::path Root = mkdtemp(Template);
  std::printf("Building %d files in %d folders below %s ...\n", Files, Folders, Root.c_str());
  MakeFiles(MakeFolders(Root, Folders), Files);

  Run(FindCommand(Root.string()));  // warms the cache
  const TRun Find = Best(FindCommand(Root.string()), Runs);
  const TRun List = Best({Cli, "--list", "--quiet", Root.string()}, Runs);
  const TRun Make = Best({Cli, "--quiet", "--format", "m3u", Root.string()}, Runs);

  std::printf("%-34s %9s %9s %12s\n", "command", "seconds", "x find", "peak memory");
  const auto Print = [&](const char* Name, const TRun& Result) {
    std::printf("%-34s %9.3f %9.2f %9ld KiB%s\n", Name, Result.Seconds, Result.Seconds / Find.Seconds,
                Result.PeakKiB, Result.Status == 0 ? "" : "  (failed)");
  };
  Print("find -iname (default masks)", Find);
  Print("cantrel-cli --list", List);
  Print("cantrel-cli (M3U in every folder)", Make);

  std::error_code Error;
  fs::remove_all(Root, Error);
  return List.Status == 0 && Make.Status == 0 ? 0 : 1;
}
