// Times cantrel-cli against find(1) and fd on generated media libraries, in
// one run and on the same trees, and prints one table: the listing, the
// whole job (Find and Make into every folder) written first and again
// unchanged, the whole job in every format for its peak memory, and how
// quickly SIGINT ends a walk, also one whose output waits for a reader;
// then the walks with a cold page cache and, with --nas, through a mirror
// that gives every call a network share's latency. Prints the figures;
// decides nothing.

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchLibrary.h"
#include "BenchRun.h"
#include "BenchSettings.h"
#include "LatencyMount.h"

using namespace cantrel::bench;
namespace fs = std::filesystem;

namespace {

const char* const Masks[] = {"aiff", "aifc", "mp3", "mp2", "ogg", "flac", "it", "xm", "s3m", "mod", "spx", "wma", "wav"};
const char* const Formats[] = {"m3u8", "m3u", "xspf", "wpl", "pls", "asx"};
const char* const WalkRowNames[] = {"find -iname, the 13 masks", "fd -HI -t f -i, the 13 extensions",
                                    "cantrel-cli --list"};

// The user's locale for the program's collation and character set.
const std::vector<std::string> CliEnvironment{"LC_ALL=en_US.UTF-8"};

// One row's figure for one library; nothing for a row not measured.
struct TCell {
  std::optional<TRun> Run;
  std::string Note;
};

struct TRow {
  std::string Name;
  std::string Goal;
  std::vector<TCell> Cells;
};

// Rows measured in other conditions than the warm ones, on the first library
// only, their ratios to fd measured in the same conditions.
struct TSection {
  std::string Title;
  std::string Note;
  std::vector<TRow> Rows;
};

// find and fd as users run them: in a UTF-8 locale, where find's -iname
// folds case character by character, not byte by byte.
std::vector<std::string> ToolEnvironment() {
  for (const char* Name : {"en_US.UTF-8", "C.UTF-8"})
    if (const locale_t Locale = newlocale(LC_ALL_MASK, Name, nullptr)) {
      freelocale(Locale);
      return {std::string("LC_ALL=") + Name};
    }
  return {"LC_ALL=C.UTF-8"};
}

// Empties the page cache, as after a reboot; answers whether it could.
bool DropPageCache() {
  sync();
  const int Handle = open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
  const bool Dropped = Handle >= 0 && write(Handle, "3", 1) == 1;
  if (Handle >= 0) close(Handle);
  return Dropped;
}

std::vector<std::string> FindCommand(const fs::path& Root) {
  std::vector<std::string> Command{"find", Root.string(), "-type", "f", "("};
  for (const char* Mask : Masks) {
    if (Command.back() != "(") Command.push_back("-o");
    Command.insert(Command.end(), {"-iname", std::string("*.") + Mask});
  }
  Command.push_back(")");
  return Command;
}

// Hidden folders and ignore files as find and cantrel-cli see them: -H and
// -I (no .gitignore rules); regular files whose name ends in one of the
// extensions, ignoring case; fd's own choice of threads.
std::vector<std::string> FdCommand(const fs::path& Root) {
  std::string Pattern = "\\.(";
  for (const char* Mask : Masks) Pattern += std::string(Mask) + (Mask == Masks[std::size(Masks) - 1] ? "" : "|");
  Pattern += ")$";
  return {"fdfind", "-H", "-I", "-t", "f", "-i", "--color", "never", Pattern, Root.string()};
}

std::string LoadAverage() {
  std::ifstream File("/proc/loadavg");
  std::string One, Five, Fifteen;
  File >> One >> Five >> Fifteen;
  return One + " " + Five + " " + Fifteen;
}

// The modification times of a set of files, to the nanosecond.
std::vector<timespec> ModificationTimes(const std::vector<fs::path>& Files) {
  std::vector<timespec> Result;
  for (const fs::path& File : Files) {
    struct stat Info {};
    Result.push_back(stat(File.c_str(), &Info) == 0 ? Info.st_mtim : timespec{-1, 0});
  }
  return Result;
}

int CountChanged(const std::vector<timespec>& Before, const std::vector<timespec>& After) {
  int Changed = 0;
  for (std::size_t I = 0; I < Before.size(); ++I)
    if (Before[I].tv_sec != After[I].tv_sec || Before[I].tv_nsec != After[I].tv_nsec || Before[I].tv_sec < 0)
      ++Changed;
  return Changed;
}

class TBench {
public:
  explicit TBench(const TBenchSettings& Settings)
      : FSettings(Settings), FCli(ProgramBeside("cantrel-cli")), FToolEnvironment(ToolEnvironment()) {
    if (Settings.Large) {
      FLibraries.emplace_back(Settings.Base, 100000, 5000);
      FLibraries.emplace_back(Settings.Base, 1000000, 50000);
    } else {
      FLibraries.emplace_back(Settings.Base, Settings.Files, Settings.Folders);
    }
    FRows = {
        {WalkRowNames[0], "", {}},
        {WalkRowNames[1], "", {}},
        {WalkRowNames[2], "<= 1.0x find (stretch: fd)", {}},
        {"Find + Make M3U8, first write", "<= 1.5x find (1M)", {}},
        {"Find + Make M3U8, unchanged", "<= 1.2x find", {}},
    };
    for (std::size_t I = 1; I < std::size(Formats); ++I)
      FRows.push_back({std::string("Find + Make ") + Upper(Formats[I]) + ", first write", "<= 250 B/file", {}});
    FRows.push_back({"window Find, offscreen", "<= 1.2x --list", {}});
    FRows.push_back({"window, longest input gap", "< 50 ms", {}});
  }

  int Run() {
    std::printf("cantrel-bench: %ld processors, load %s, best of %d runs (%d on 1M files), warm cache, "
                "find and fd in %s\n",
                sysconf(_SC_NPROCESSORS_ONLN), LoadAverage().c_str(), FSettings.Runs, FSettings.LargeRuns,
                FToolEnvironment.front().c_str());
    for (TBenchLibrary& Library : FLibraries) Measure(Library);
    const TRun Stop = MeasureStop(FLibraries.back(), false);
    const TRun StalledStop = MeasureStop(FLibraries.back(), true);
    if (FSettings.NasDelay) MeasureNas(FLibraries.front(), *FSettings.NasDelay);
    MeasureCold(FLibraries.front());
    Print(Stop, StalledStop);
    return FFailed ? 1 : 0;
  }

private:
  static std::string Upper(std::string Text) {
    for (char& C : Text) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    return Text;
  }

  // What follows a folder's name in the name of each playlist the runs
  // write: the formats' extensions, then one per first write in M3U8.
  static std::vector<std::string> PlayListSuffixes(int Runs) {
    std::vector<std::string> Suffixes;
    for (std::size_t I = 1; I < std::size(Formats); ++I) Suffixes.push_back(std::string(".") + Formats[I]);
    for (int I = 1; I <= Runs; ++I) Suffixes.push_back(std::string(" ").append(std::to_string(I)).append(".m3u8"));
    return Suffixes;
  }

  int RunsFor(const TBenchLibrary& Library) const {
    return Library.Files() >= 1000000 ? FSettings.LargeRuns : FSettings.Runs;
  }

  std::vector<std::string> Cli(const fs::path& Root, const std::vector<std::string>& Options) const {
    std::vector<std::string> Command{FCli, "--quiet"};
    Command.insert(Command.end(), Options.begin(), Options.end());
    Command.push_back(Root.string());
    return Command;
  }

  std::vector<std::string> Cli(const TBenchLibrary& Library, const std::vector<std::string>& Options) const {
    return Cli(Library.Root(), Options);
  }

  std::vector<std::string> WriteM3U8(const fs::path& Root, const std::string& Suffix) const {
    return Cli(Root, {"--format", "m3u8", "--name", std::string("%album%").append(Suffix)});
  }

  void Note(const TRun& Result, const char* What) {
    if (Result.Succeeded()) return;
    std::fprintf(stderr, "cantrel-bench: %s ended with status %d\n", What, WEXITSTATUS(Result.Status));
    FFailed = true;
  }

  void Add(std::size_t Row, std::optional<TRun> Result, std::string Note = {}) {
    FRows[Row].Cells.push_back({Result, std::move(Note)});
  }

  void Measure(TBenchLibrary& Library) {
    Library.Prepare();
    const std::vector<std::string> Suffixes = PlayListSuffixes(RunsFor(Library));
    for (const std::string& Suffix : Suffixes) Library.RemovePlayLists(Suffix);
    std::printf("Library: %s, %d files (%d media) in %d folders\n", Library.Root().c_str(), Library.Files(),
                Library.MediaFiles(), Library.Folders());
    std::fflush(stdout);
    const int Runs = RunsFor(Library);
    // Warms the cache for everyone.
    RunProgram(FindCommand(Library.Root()), FToolEnvironment);
    RunProgram(Cli(Library, {"--list"}), CliEnvironment);

    const TRun Find = BestOf(Runs, FindCommand(Library.Root()), FToolEnvironment);
    Note(Find, "find");
    Add(0, Find);
    const TRun Fd = BestOf(Runs, FdCommand(Library.Root()), FToolEnvironment);
    Note(Fd, "fd");
    Add(1, Fd);
    const TRun List = BestOf(Runs, Cli(Library, {"--list"}), CliEnvironment);
    Note(List, "cantrel-cli --list");
    Add(2, List);

    // Each first write under names of its own, so that no playlist is
    // deleted before a timed run: ext4 without a journal gives no new file an
    // inode freed in the last 30 seconds and scans past every such one, and
    // a run right after 50 000 deletions would measure that scan.
    TRun First;
    std::string Last;
    for (int I = 0; I < Runs; ++I) {
      Last = Suffixes[std::size(Formats) - 1 + static_cast<std::size_t>(I)];
      const TRun Next = RunProgram(WriteM3U8(Library.Root(), Last), CliEnvironment);
      if (I == 0 || Next.Seconds < First.Seconds) First = Next;
    }
    Note(First, "the first write");
    const std::vector<fs::path> PlayLists = Library.PlayLists(Last);
    const std::vector<timespec> Written = ModificationTimes(PlayLists);
    int Missing = 0;
    for (const timespec& Time : Written) Missing += Time.tv_sec < 0 ? 1 : 0;
    Add(3, First, std::to_string(PlayLists.size() - static_cast<std::size_t>(Missing)) + " written");
    const TRun Again = BestOf(Runs, WriteM3U8(Library.Root(), Last), CliEnvironment);
    Note(Again, "the unchanged run");
    Add(4, Again, std::to_string(CountChanged(Written, ModificationTimes(PlayLists))) + " rewritten");

    for (std::size_t I = 1; I < std::size(Formats); ++I) {
      const TRun Job = RunProgram(Cli(Library, {"--format", Formats[I]}), CliEnvironment);
      Note(Job, Formats[I]);
      Add(4 + I, Job);
    }
    for (const std::string& Suffix : Suffixes) Library.RemovePlayLists(Suffix);
    MeasureWindow(Library);
  }

  // The window's Find on the 100k library, by the window's own benchmark,
  // which times --list in turns with it: its ratio is to that --list.
  void MeasureWindow(const TBenchLibrary& Library) {
    const std::size_t FindRow = FRows.size() - 2;
    const std::size_t GapRow = FRows.size() - 1;
    if (Library.Files() != FLibraries.front().Files()) {
      Add(FindRow, std::nullopt, "(measured on the first library)");
      Add(GapRow, std::nullopt, "");
      return;
    }
    const fs::path Figures = Library.Root().parent_path() / "cantrel-window-bench.figures";
    fs::remove(Figures);
    TRun Window = RunProgram({ProgramBeside("cantrel-window-bench"), "--library", FSettings.Base.string(), "--files",
                              std::to_string(Library.Files()), "--folders", std::to_string(Library.Folders()),
                              "--runs", std::to_string(RunsFor(Library)), "--figures", Figures.string()},
                             CliEnvironment);
    Note(Window, "the window's benchmark");
    double Seconds = 0, ListSeconds = 0, LongestGap = 0;
    int Lines = 0;
    std::ifstream(Figures) >> Seconds >> ListSeconds >> LongestGap >> Lines;
    fs::remove(Figures);
    if (!Window.Succeeded() || ListSeconds <= 0) {
      Add(FindRow, std::nullopt, "(failed)");
      Add(GapRow, std::nullopt, "(failed)");
      return;
    }
    char Text[96];
    std::snprintf(Text, sizeof Text, "%.2fx its --list (%.3f s), %d files listed", Seconds / ListSeconds,
                  ListSeconds, Lines);
    Window.Seconds = Seconds;
    Add(FindRow, Window, Text);
    std::snprintf(Text, sizeof Text, "%.1f ms", LongestGap * 1000);
    Add(GapRow, std::nullopt, Text);
  }

  // SIGINT at a quarter, half and three quarters of a listing of the
  // largest library; the slowest stop counts. Stalled: the list goes to a
  // reader that never reads, so the program waits in its output.
  TRun MeasureStop(const TBenchLibrary& Library, bool Stalled) {
    const double Walk = FRows[2].Cells.back().Run->Seconds;
    TRun Worst;
    for (const double Part : {0.25, 0.5, 0.75}) {
      const TRun Stopped = RunProgram(Cli(Library, {"--list"}), CliEnvironment, Walk * Part, Stalled);
      if (!WIFEXITED(Stopped.Status) || WEXITSTATUS(Stopped.Status) != 130) {
        std::fprintf(stderr, "cantrel-bench: the interrupted walk ended with status %d\n", Stopped.Status);
        FFailed = true;
      }
      if (Stopped.StopSeconds > Worst.StopSeconds) Worst = Stopped;
    }
    return Worst;
  }

  // find, fd and --list on Root, each the best of the slow rows' runs; with
  // Empty given, the page cache is dropped before each run and the program's
  // own files read back by a run on that empty folder, so that what is cold
  // is the library.
  void AddWalkRows(TSection& Section, const fs::path& Root, const std::string& ListGoal,
                   const std::optional<fs::path>& Empty = std::nullopt) {
    const auto Measure = [&](const char* Name, const std::string& Goal, const auto& Command,
                             const std::vector<std::string>& Environment) {
      std::function<void()> BeforeEach;
      if (Empty)
        BeforeEach = [&] {
          DropPageCache();
          RunProgram(Command(*Empty), Environment);
        };
      const TRun Result = BestOf(FSettings.SlowRuns, Command(Root), Environment, BeforeEach);
      Note(Result, Name);
      Section.Rows.push_back({Name, Goal, {{Result, ""}}});
    };
    const auto List = [this](const fs::path& Where) { return Cli(Where, {"--list"}); };
    Measure(WalkRowNames[0], "", FindCommand, FToolEnvironment);
    Measure(WalkRowNames[1], "", FdCommand, FToolEnvironment);
    Measure(WalkRowNames[2], ListGoal, List, CliEnvironment);
  }

  std::string SlowRunsNote() const {
    return "best of " + std::to_string(FSettings.SlowRuns) + (FSettings.SlowRuns == 1 ? " run" : " runs");
  }

  // The first library through cantrel-latencyfs. The mirror is read-only:
  // the unchanged job finds its playlists written beforehand on the local
  // disk, and fails should it want to write any.
  void MeasureNas(const TBenchLibrary& Library, double Delay) {
    char Title[64];
    std::snprintf(Title, sizeof Title, "cantrel-latencyfs, %g ms a call", Delay);
    TSection Section{Title,
                     "every lookup, getattr, opendir and readdir waits; " + SlowRunsNote() + ", ratios to fd through it",
                     {}};
    const std::string Suffix = " nas.m3u8";
    Note(RunProgram(WriteM3U8(Library.Root(), Suffix), CliEnvironment), "the playlists for the mirror");
    const std::vector<fs::path> PlayLists = Library.PlayLists(Suffix);
    const std::vector<timespec> Written = ModificationTimes(PlayLists);
    try {
      const TLatencyMount Mount(Library.Root(), Delay);
      AddWalkRows(Section, Mount.Root(), "<= 0.6x fd");
      const TRun Again = BestOf(FSettings.SlowRuns, WriteM3U8(Mount.Root(), Suffix), CliEnvironment);
      Note(Again, "the unchanged run through the mirror");
      Section.Rows.push_back(
          {"Find + Make M3U8, unchanged",
           "",
           {{Again, std::to_string(CountChanged(Written, ModificationTimes(PlayLists))) +
                        " rewritten (read-only mirror, playlists written on the local disk first)"}}});
    } catch (const std::exception& Error) {
      std::fprintf(stderr, "cantrel-bench: %s\n", Error.what());
      Section.Note = "not measured: " + std::string(Error.what());
      FFailed = true;
    }
    Library.RemovePlayLists(Suffix);
    FSections.push_back(std::move(Section));
  }

  // The first library with none of it in the page cache, as after a reboot.
  void MeasureCold(const TBenchLibrary& Library) {
    TSection Section{"guest-cold",
                     "page cache dropped before each run (a virtual machine's host may still cache); " +
                         SlowRunsNote() + ", ratios to fd",
                     {}};
    if (geteuid() != 0 || !DropPageCache()) {
      Section.Note = "not measured: dropping the page cache needs root";
    } else {
      std::string Empty = (FSettings.Base / "cantrel-bench-empty.XXXXXX").string();
      if (!mkdtemp(Empty.data())) throw std::runtime_error("cannot make a folder in " + FSettings.Base.string());
      AddWalkRows(Section, Library.Root(), "", fs::path(Empty));
      fs::remove(Empty);
    }
    FSections.push_back(std::move(Section));
  }

  void PrintCells(const TRow& Row, const TRow& Baseline) const {
    std::printf("%-36s", Row.Name.c_str());
    for (std::size_t I = 0; I < FLibraries.size(); ++I) {
      const TCell* Cell = I < Row.Cells.size() ? &Row.Cells[I] : nullptr;
      if (!Cell || !Cell->Run) {
        std::printf(" | %-31s", Cell ? Cell->Note.c_str() : "");
        continue;
      }
      const TRun& Result = *Cell->Run;
      const std::optional<TRun>& Base = Baseline.Cells[I].Run;
      std::printf(" | %7.3f %6.2f %7.1f %8.0f", Result.Seconds, Base ? Result.Seconds / Base->Seconds : 0.0,
                  Result.PeakKiB / 1024.0, Result.PeakKiB * 1024.0 / FLibraries[I].Files());
    }
    if (FLibraries.size() > 1) {
      const bool Both = Row.Cells.size() == FLibraries.size() && Row.Cells.front().Run && Row.Cells.back().Run;
      if (Both)
        std::printf(" | %5.2f %5.2f", Row.Cells.back().Run->Seconds / Row.Cells.front().Run->Seconds,
                    static_cast<double>(Row.Cells.back().Run->PeakKiB) / Row.Cells.front().Run->PeakKiB);
      else
        std::printf(" | %11s", "");
    }
    std::string Notes;
    for (const TCell& Cell : Row.Cells)
      if (Cell.Run && !Cell.Note.empty()) Notes += (Notes.empty() ? "" : ", ") + Cell.Note;
    std::printf(" | %s%s%s\n", Row.Goal.c_str(), Notes.empty() || Row.Goal.empty() ? "" : "; ", Notes.c_str());
  }

  // A section's title where the warm rows have the libraries', its columns
  // under the first library's.
  void PrintHeading(const TSection& Section) const {
    std::printf("%-36s | %7s %6s %7s %8s", Section.Title.c_str(), "seconds", "x fd", "MiB", "B/file");
    for (std::size_t I = 1; I < FLibraries.size(); ++I) std::printf(" | %-31s", "");
    if (FLibraries.size() > 1) std::printf(" | %11s", "");
    std::printf(" | %s\n", Section.Note.c_str());
  }

  void Print(const TRun& Stop, const TRun& StalledStop) const {
    std::printf("\n%-36s", "");
    for (const TBenchLibrary& Library : FLibraries)
      std::printf(" | %-31s", (std::to_string(Library.Files() / 1000) + "k files, " +
                               std::to_string(Library.Folders() / 1000) + "k folders")
                                  .c_str());
    if (FLibraries.size() > 1) std::printf(" | %-11s", "growth");
    std::printf(" | goal\n%-36s", "figure");
    for (std::size_t I = 0; I < FLibraries.size(); ++I)
      std::printf(" | %7s %6s %7s %8s", "seconds", "x find", "MiB", "B/file");
    if (FLibraries.size() > 1) std::printf(" | %5s %5s", "time", "mem");
    std::printf(" |\n");
    for (const TRow& Row : FRows) PrintCells(Row, FRows.front());
    std::printf("%-36s | %.0f ms from SIGINT to exit, the slowest of 3 during a walk of %dk files | <= 200 ms\n",
                "Ctrl-C during the walk", Stop.StopSeconds * 1000, FLibraries.back().Files() / 1000);
    std::printf("%-36s | %.0f ms from SIGINT to exit, the slowest of 3, the list's reader never reading | <= 200 ms\n",
                "Ctrl-C, output waiting for a reader", StalledStop.StopSeconds * 1000);
    for (const TSection& Section : FSections) {
      PrintHeading(Section);
      for (const TRow& Row : Section.Rows) PrintCells(Row, Section.Rows[1]);
    }
    std::printf("Load average at the end: %s\n", LoadAverage().c_str());
  }

  TBenchSettings FSettings;
  std::string FCli;
  std::vector<std::string> FToolEnvironment;
  std::vector<TBenchLibrary> FLibraries;
  std::vector<TRow> FRows;
  std::vector<TSection> FSections;
  bool FFailed = false;
};

}  // namespace

int main(int Argc, char** Argv) {
  TBench Bench(ParseBenchSettings(Argc, Argv));
  try {
    return Bench.Run();
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "cantrel-bench: %s\n", Error.what());
    return 1;
  }
}
