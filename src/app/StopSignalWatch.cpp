// SIGINT and SIGTERM delivered to the window's event loop.
#include "app/StopSignalWatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace cantrel {

namespace {

constexpr int StopSignals[] = {SIGINT, SIGTERM};

// The handler's end of the pipe; a write is all a handler may safely do.
int SignalPipe = -1;

void OnStopSignal(int Signal) {
  const int Saved = errno;
  const char Byte = static_cast<char>(Signal);
  [[maybe_unused]] const ssize_t Written = write(SignalPipe, &Byte, 1);
  errno = Saved;
}

void SetHandler(void (*Handler)(int)) {
  struct sigaction Action {};
  Action.sa_handler = Handler;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;
  for (int Signal : StopSignals) sigaction(Signal, &Action, nullptr);
}

}  // namespace

TStopSignalWatch::TStopSignalWatch(std::function<void()> OnSignal) : FOnSignal(std::move(OnSignal)) {
  // Without a pipe the signals keep their default actions.
  if (pipe2(FPipe, O_NONBLOCK | O_CLOEXEC) != 0) return;
  SignalPipe = FPipe[1];
  FNotifier = std::make_unique<QSocketNotifier>(FPipe[0], QSocketNotifier::Read);
  connect(FNotifier.get(), &QSocketNotifier::activated, this, &TStopSignalWatch::Signalled);
  SetHandler(OnStopSignal);
}

TStopSignalWatch::~TStopSignalWatch() {
  if (FPipe[0] < 0) return;
  SetHandler(SIG_DFL);
  SignalPipe = -1;
  FNotifier.reset();
  close(FPipe[0]);
  close(FPipe[1]);
}

void TStopSignalWatch::Signalled() {
  char Bytes[16];
  while (read(FPipe[0], Bytes, sizeof Bytes) > 0) {
  }
  if (FOnSignal) FOnSignal();
}

}  // namespace cantrel
