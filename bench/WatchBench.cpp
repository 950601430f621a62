// Measures cantrel-cli --watch on the generated libraries: resident memory
// per file once it is up to date, its voluntary context switches while
// nothing changes, and how long one new file deep in the tree and a burst of
// new folders take until their playlists are written. Prints the figures;
// decides nothing.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchLibrary.h"
#include "BenchSettings.h"

using namespace cantrel::bench;
namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

namespace {

// The settle time the figures are taken with: the program's default.
constexpr double SettleSeconds = 2;
const std::string Suffix = " watch.m3u8";
// What the kernel keeps for one watch on a 64-bit machine.
constexpr long KernelBytesPerWatch = 1080;

double SecondsSince(TClock::time_point Start) {
  return std::chrono::duration<double>(TClock::now() - Start).count();
}

// A field of /proc/PID/status, in its own unit; summed over the threads
// with Threads.
long StatusField(pid_t Pid, const std::string& Field, bool Threads) {
  long Sum = 0;
  std::vector<fs::path> Files{fs::path("/proc") / std::to_string(Pid) / "status"};
  if (Threads) {
    Files.clear();
    for (const auto& Task : fs::directory_iterator(fs::path("/proc") / std::to_string(Pid) / "task"))
      Files.push_back(Task.path() / "status");
  }
  for (const fs::path& File : Files) {
    std::ifstream Status(File);
    for (std::string Line; std::getline(Status, Line);)
      if (Line.starts_with(Field + ":")) Sum += std::stol(Line.substr(Field.size() + 1));
  }
  return Sum;
}

std::string FileText(const fs::path& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

void Touch(const fs::path& Path) { std::ofstream(Path, std::ios::binary) << "bench"; }

// cantrel-cli --watch -v on a library, its error output read line by line.
class TWatcher {
public:
  explicit TWatcher(const fs::path& Library) {
    int Pipe[2];
    if (pipe(Pipe) != 0) throw std::runtime_error("no pipe");
    const std::string Program = ProgramBeside("cantrel-cli");
    const std::string Folder = Library.string();
    FPid = fork();
    if (FPid == 0) {
      dup2(Pipe[1], STDERR_FILENO);
      close(Pipe[0]);
      close(Pipe[1]);
      setenv("LC_ALL", "C.UTF-8", 1);
      execl(Program.c_str(), Program.c_str(), "--watch", "-v", "-q", "-t", "m3u8", "-n", ("%album%" + Suffix).c_str(),
            Folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(Pipe[1]);
    FErrors = fdopen(Pipe[0], "r");
  }
  ~TWatcher() {
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
    if (FErrors) fclose(FErrors);
  }
  TWatcher(const TWatcher&) = delete;
  TWatcher& operator=(const TWatcher&) = delete;

  pid_t Pid() const { return FPid; }
  // The next "up to date" line; throws when the program ended.
  std::string UpToDate() {
    char Line[4096];
    while (std::fgets(Line, sizeof Line, FErrors))
      if (std::string(Line).starts_with("up to date: ")) return Line;
    throw std::runtime_error("cantrel-cli --watch ended");
  }

private:
  pid_t FPid = -1;
  FILE* FErrors = nullptr;
};

// The first folder three levels down: a disc of an album of an artist.
fs::path DeepFolder(const fs::path& Root) {
  fs::path Folder = Root;
  for (int Level = 0; Level < 3; ++Level) {
    std::optional<fs::path> Next;
    for (const auto& Entry : fs::directory_iterator(Folder))
      if (Entry.is_directory() && (!Next || Entry.path() < *Next)) Next = Entry.path();
    if (!Next) break;
    Folder = *Next;
  }
  return Folder;
}

struct TFigures {
  double StartSeconds = 0;
  long ResidentBytes = 0;
  long Watches = 0;
  long Switches = 0;
  double OneFileSeconds = 0;
  double BurstSeconds = 0;
  double BurstMadeSeconds = 0;
};

TFigures Measure(const TBenchLibrary& Library, int QuietSeconds) {
  TFigures Figures;
  Library.RemovePlayLists(Suffix);
  const auto Start = TClock::now();
  TWatcher Watcher(Library.Root());
  Watcher.UpToDate();
  Figures.StartSeconds = SecondsSince(Start);
  Figures.ResidentBytes = StatusField(Watcher.Pid(), "VmRSS", false) * 1024;
  Figures.Watches = 1;
  for (const auto& Entry : fs::recursive_directory_iterator(Library.Root()))
    if (Entry.is_directory()) ++Figures.Watches;

  const long SwitchesBefore = StatusField(Watcher.Pid(), "voluntary_ctxt_switches", true);
  std::this_thread::sleep_for(std::chrono::seconds(QuietSeconds));
  Figures.Switches = StatusField(Watcher.Pid(), "voluntary_ctxt_switches", true) - SwitchesBefore;

  const fs::path Deep = DeepFolder(Library.Root());
  const fs::path OneFile = Deep / "watch bench.mp3";
  const auto Created = TClock::now();
  Touch(OneFile);
  Watcher.UpToDate();
  Figures.OneFileSeconds = SecondsSince(Created);
  if (FileText(Deep / (Deep.filename().string() + Suffix)).find("watch bench.mp3") == std::string::npos)
    throw std::runtime_error("the new file is not in its folder's playlist");

  std::vector<fs::path> Burst;
  const auto BurstStart = TClock::now();
  for (int Folder = 0; Folder < 100; ++Folder) {
    Burst.push_back(Library.Root() / ("watch burst " + std::to_string(Folder)));
    fs::create_directory(Burst.back());
    for (int File = 0; File < 100; ++File) Touch(Burst.back() / (std::to_string(File) + ".mp3"));
  }
  Figures.BurstMadeSeconds = SecondsSince(BurstStart);
  const auto AllWritten = [&] {
    for (const fs::path& Folder : Burst)
      if (!fs::exists(Folder / (Folder.filename().string() + Suffix))) return false;
    return true;
  };
  do Watcher.UpToDate();
  while (!AllWritten());
  Figures.BurstSeconds = SecondsSince(BurstStart);

  fs::remove(OneFile);
  for (const fs::path& Folder : Burst) fs::remove_all(Folder);
  return Figures;
}

void PrintFigures(const std::string& Name, const TBenchLibrary& Library, const TFigures& Figures, int QuietSeconds) {
  std::printf("\ncantrel-cli --watch, settle %.0f s, on %s (%d files, %d folders)\n", SettleSeconds, Name.c_str(),
              Library.Files(), Library.Folders());
  std::printf("    %-52s | %-22s | goal\n", "figure", "measured");
  std::printf("    %-52s | %8.3f s             |\n", "start: Find, watches and every playlist", Figures.StartSeconds);
  std::printf("    %-52s | %8ld B/file        | <= 300 B/file (kernel: %ld watches, ~%ld MiB more)\n",
              "resident memory once up to date", Figures.ResidentBytes / Library.Files(), Figures.Watches,
              Figures.Watches * KernelBytesPerWatch >> 20);
  std::printf("    %-52s | %8ld               | 0\n",
              ("voluntary context switches in " + std::to_string(QuietSeconds) + " quiet seconds").c_str(),
              Figures.Switches);
  std::printf("    %-52s | %8.3f s             | <= %.1f s\n", "one new file 3 levels down, until written",
              Figures.OneFileSeconds, SettleSeconds + 0.5);
  std::printf("    %-52s | %8.3f s             | <= %.1f s (the files made in %.3f s)\n",
              "10 000 files in 100 new folders, until written", Figures.BurstSeconds, SettleSeconds + 5,
              Figures.BurstMadeSeconds);
}

}  // namespace

int main(int Argc, char** Argv) {
  const TBenchSettings Settings = ParseBenchSettings(Argc, Argv);
  try {
    std::vector<std::pair<std::string, TBenchLibrary>> Libraries;
    Libraries.emplace_back("the first library", TBenchLibrary(Settings.Base, Settings.Files, Settings.Folders));
    if (Settings.Large) Libraries.emplace_back("the large library", TBenchLibrary(Settings.Base, 1000000, 50000));
    for (auto& [Name, Library] : Libraries) {
      Library.Prepare();
      PrintFigures(Name, Library, Measure(Library, Settings.QuietSeconds), Settings.QuietSeconds);
    }
    return 0;
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "cantrel-watch-bench: %s\n", Error.what());
    return 1;
  }
}
