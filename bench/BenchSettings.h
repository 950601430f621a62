#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace cantrel::bench {

// The command line shared by the benchmarks.
struct TBenchSettings {
  // Also the library of 1 000 000 files in 50 000 folders.
  bool Large = false;
  int Files = 100000;
  int Folders = 5000;
  int Runs = 5;
  int LargeRuns = 3;
  // For the slow rows: through the latency mirror, and with a cold cache.
  int SlowRuns = 2;
  // With --nas: the mirror's delay on each call, in milliseconds.
  std::optional<double> NasDelay;
  // Where the libraries are made and kept for later runs.
  std::filesystem::path Base = "/tmp";
  // The watcher's quiet period, in which its context switches are counted.
  int QuietSeconds = 60;
  // Where the window's benchmark leaves its figures for the table.
  std::filesystem::path Figures;
};

// Reads --large, --files N, --folders N, --runs N, --nas [MS], --library DIR
// and --figures FILE; prints the usage and exits 2 on anything else.
TBenchSettings ParseBenchSettings(int Argc, char** Argv);

// The program of that name beside the running benchmark.
std::string ProgramBeside(const char* Name);

}  // namespace cantrel::bench
