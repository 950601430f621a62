#pragma once

#include <functional>
#include <string>
#include <vector>

namespace cantrel::bench {

// One run of a program: wall time, processor time, peak resident memory
// (wait4's rusage) and how it ended.
struct TRun {
  double Seconds = 0;
  double CpuSeconds = 0;
  long PeakKiB = 0;
  int Status = 0;
  // For an interrupted run: from SIGINT to the end of the program.
  double StopSeconds = 0;

  bool Succeeded() const;
};

// Runs the program with its output thrown away and Environment ("NAME=value")
// added. With InterruptAfter > 0, sends SIGINT after that many seconds. With
// Stalled, standard output is a pipe nobody reads, so the program soon waits
// for its reader.
TRun RunProgram(const std::vector<std::string>& Arguments, const std::vector<std::string>& Environment = {},
                double InterruptAfter = 0, bool Stalled = false);

// The same without environment or interruption, the child spawned rather
// than forked: a fork marks every page of this process copy-on-write, and
// each page it writes next faults once, which a benchmark of this process
// (the window's) would count as its own time. Its peak memory is not
// measured: until its exec a spawned child counts this process's.
TRun SpawnProgram(const std::vector<std::string>& Arguments);

// The fastest of Runs runs: the one least disturbed by the rest of the machine.
// BeforeEach, if given, is called before each run, untimed.
TRun BestOf(int Runs, const std::vector<std::string>& Arguments, const std::vector<std::string>& Environment = {},
            const std::function<void()>& BeforeEach = {});

}  // namespace cantrel::bench
