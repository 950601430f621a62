// SIGINT and SIGTERM noted for cantrel-cli to look at between steps.
#include "cli/StopSignals.h"

#include <csignal>

namespace cantrel {

namespace {

volatile std::sig_atomic_t CaughtSignal = 0;

void OnStopSignal(int Signal) {
  if (CaughtSignal == 0) CaughtSignal = Signal;
}

}  // namespace

void InstallStopHandlers() {
  struct sigaction Action {};
  Action.sa_handler = OnStopSignal;
  sigemptyset(&Action.sa_mask);
  // No SA_RESTART: a write that waits for a reader ends with EINTR.
  Action.sa_flags = 0;
  sigaction(SIGINT, &Action, nullptr);
  sigaction(SIGTERM, &Action, nullptr);
}

int StopSignal() { return CaughtSignal; }

}  // namespace cantrel
