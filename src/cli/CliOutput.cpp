// cantrel-cli's output: names made safe for the terminal, standard output and standard error.
#include "cli/CliOutput.h"

#include <limits.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "cli/StopSignals.h"
#include "i18n/Gettext.h"
#include "runtime/Exceptions.h"

namespace cantrel {

namespace {

// Standard output goes to the system in pieces this large, or line by line
// to a terminal.
constexpr std::size_t OutputBufferSize = 64 * 1024;
// How long a write waits for room before it looks for a stop signal again;
// the signal itself ends the wait at once.
constexpr int StopCheckMs = 100;

std::string OutputBuffer;
int OutputError = 0;
bool Written = false;

// Writes Bytes whole, waiting for room as long as no stop signal came.
// Answers 0, the system's error, or EINTR when a stop signal ended a wait:
// a reader that stopped reading must not keep the run from ending.
int WriteAll(int Handle, std::string_view Bytes) {
  while (!Bytes.empty()) {
    pollfd Room{Handle, POLLOUT, 0};
    const int Ready = poll(&Room, 1, StopCheckMs);
    if (Ready < 0 && errno != EINTR) return errno;
    if (Ready <= 0) {
      if (StopSignal() != 0) return EINTR;
      continue;
    }
    // A pipe with room takes this much without blocking.
    const ssize_t Count = write(Handle, Bytes.data(), std::min<std::size_t>(Bytes.size(), PIPE_BUF));
    if (Count >= 0)
      Bytes.remove_prefix(static_cast<std::size_t>(Count));
    else if (errno != EINTR && errno != EAGAIN)
      return errno;
  }
  return 0;
}

bool ToTerminal() {
  static const bool Terminal = isatty(STDOUT_FILENO) == 1;
  return Terminal;
}

}  // namespace

String TerminalSafe(StringView Text) {
  String Result;
  Result.reserve(Text.size());
  for (std::size_t Pos = 0, Length = 0; Pos < Text.size(); Pos += Length) {
    char32_t CodePoint;
    const bool Character = ReadTextUnit(Text, Pos, CodePoint, Length) == TTextUnit::tuCharacter;
    const bool Control = CodePoint < 0x20 || (CodePoint >= 0x7F && CodePoint <= 0x9F);
    if (Character && !Control)
      Result.append(Text.substr(Pos, Length));
    else
      Result += u'?';
  }
  return Result;
}

void WriteErr(StringView Text) { WriteAll(STDERR_FILENO, StringToUtf8(Text)); }

void Report(StringView Text) { WriteErr(u"cantrel-cli: " + TerminalSafe(Text) + u"\n"); }

void WriteOut(std::string_view Bytes) {
  if (OutputError != 0) return;
  Written = true;
  OutputBuffer.append(Bytes);
  if (OutputBuffer.size() >= OutputBufferSize || ToTerminal()) FlushOutput();
}

bool OutputFailed() { return OutputError != 0 && OutputError != EINTR; }

void FlushOutput() {
  if (OutputError == 0) OutputError = WriteAll(STDOUT_FILENO, OutputBuffer);
  OutputBuffer.clear();
}

bool CloseOutput() {
  FlushOutput();
  // A closed standard output is no error for a run that printed nothing.
  if (close(STDOUT_FILENO) != 0 && (errno != EBADF || Written) && OutputError == 0) OutputError = errno;
  // Output cut short by a stop signal is no failure: the run was stopped.
  if (OutputError == 0 || OutputError == EINTR) return true;
  Report(Format(gettext(u"write error: %s"), {SysErrorMessage(OutputError)}));
  return false;
}

}  // namespace cantrel
