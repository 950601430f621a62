#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace cantrel::bench {

// A media library below Root: Files files, seven in ten of them media
// (mixed-case extensions) and the rest covers and notes, spread over
// Folders folders three levels deep (artists, albums, discs).
void MakeMediaLibrary(const std::filesystem::path& Root, int Files, int Folders);

// One run of a program.
struct TRun {
  double Seconds = 0;
  long PeakKiB = 0;
  int Status = 0;
};

// Runs a program with its output thrown away, and times it.
TRun Run(const std::vector<std::string>& Arguments);
// The best of a few runs: the figure least disturbed by the rest of the machine.
TRun Best(const std::vector<std::string>& Arguments, int Runs);

// The command line of a benchmark: --files N (100 000), --folders N (5 000)
// and --runs N (3); and the cantrel-cli beside the benchmark.
struct TBenchOptions {
  int Files;
  int Folders;
  int Runs;
  std::string Cli;
};
TBenchOptions BenchOptions(int Argc, char** Argv);

}  // namespace cantrel::bench
