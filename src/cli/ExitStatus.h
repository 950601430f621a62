// cantrel-cli's exit statuses.
#pragma once

namespace cantrel {

// cantrel-cli's exit statuses; an interruption exits with 128 and the
// signal's number (130 for SIGINT, 143 for SIGTERM).
enum TExitStatus : int {
  esDone = 0,
  esFailed = 1,
  esUsage = 2,
  esIncomplete = 3,
  esInterruptedBase = 128,
};

// The status that wins when both apply: bad usage, then an interruption,
// then a failure, then an incomplete run, then done. Between two
// interruptions the first stands.
int WorseStatus(int First, int Second);

}  // namespace cantrel
