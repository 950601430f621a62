#include "BenchSettings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace cantrel::bench {

namespace {

// A count of milliseconds, fractions allowed, or nothing.
std::optional<double> Milliseconds(const char* Text) {
  char* End = nullptr;
  const double Value = std::strtod(Text, &End);
  if (End == Text || *End != '\0' || !(Value >= 0)) return std::nullopt;
  return Value;
}

}  // namespace

TBenchSettings ParseBenchSettings(int Argc, char** Argv) {
  TBenchSettings Settings;
  for (int I = 1; I < Argc; ++I) {
    const std::string Argument = Argv[I];
    const bool HasValue = I + 1 < Argc;
    if (Argument == "--large")
      Settings.Large = true;
    else if (Argument == "--files" && HasValue)
      Settings.Files = std::atoi(Argv[++I]);
    else if (Argument == "--folders" && HasValue)
      Settings.Folders = std::atoi(Argv[++I]);
    else if (Argument == "--runs" && HasValue) {
      Settings.Runs = Settings.LargeRuns = std::atoi(Argv[++I]);
      Settings.SlowRuns = std::min(Settings.SlowRuns, Settings.Runs);
    } else if (Argument == "--nas") {
      const std::optional<double> Delay = HasValue ? Milliseconds(Argv[I + 1]) : std::nullopt;
      I += Delay ? 1 : 0;
      Settings.NasDelay = Delay.value_or(1);
    } else if (Argument == "--library" && HasValue)
      Settings.Base = Argv[++I];
    else if (Argument == "--quiet" && HasValue)
      Settings.QuietSeconds = std::atoi(Argv[++I]);
    else if (Argument == "--figures" && HasValue)
      Settings.Figures = Argv[++I];
    else {
      std::fprintf(stderr,
                   "usage: %s [--large] [--files N --folders M] [--runs N] [--nas [MS]] [--library DIR] [--quiet S]\n"
                   "  --large        also a library of 1 000 000 files in 50 000 folders\n"
                   "  --nas [MS]     also rows through cantrel-latencyfs, MS milliseconds a call (1)\n"
                   "  --library DIR  where the libraries are made and kept for later runs (/tmp)\n"
                   "  --quiet S      the watcher's quiet period for its context switches (60 seconds)\n",
                   Argv[0]);
      std::exit(2);
    }
  }
  return Settings;
}

std::string ProgramBeside(const char* Name) {
  return (std::filesystem::canonical("/proc/self/exe").parent_path() / Name).string();
}

}  // namespace cantrel::bench
