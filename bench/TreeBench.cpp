// Builds a media library in a temporary folder and times cantrel-cli on it
// against find(1) with the same masks: the listing, and the writing of a
// playlist into every folder. Prints the figures; decides nothing.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "MediaLibrary.h"

using namespace cantrel::bench;

namespace {

namespace fs = std::filesystem;

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

}  // namespace

int main(int Argc, char** Argv) {
  const auto [Files, Folders, Runs, Cli] = BenchOptions(Argc, Argv);

  char Template[] = "/tmp/cantrel-bench-XXXXXX";
  const fs::path Root = mkdtemp(Template);
  std::printf("Building %d files in %d folders below %s ...\n", Files, Folders, Root.c_str());
  MakeMediaLibrary(Root, Files, Folders);

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
