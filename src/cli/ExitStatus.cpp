// cantrel-cli's exit statuses.
#include "cli/ExitStatus.h"

namespace cantrel {

namespace {

int Rank(int Status) {
  switch (Status) {
    case esUsage: return 4;
    case esFailed: return 2;
    case esIncomplete: return 1;
    case esDone: return 0;
    default: return 3;
  }
}

}  // namespace

int WorseStatus(int First, int Second) { return Rank(Second) > Rank(First) ? Second : First; }

}  // namespace cantrel
