#include "cli/CliOutput.h"

#include <cerrno>
#include <cstdio>

#include "i18n/Gettext.h"
#include "runtime/Exceptions.h"

namespace cantrel {

namespace {

int OutputError = 0;
bool Written = false;

void KeepOutputError() {
  if (OutputError == 0) OutputError = errno != 0 ? errno : EIO;
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

void WriteErr(StringView Text) {
  const std::string Bytes = StringToUtf8(Text);
  std::fwrite(Bytes.data(), 1, Bytes.size(), stderr);
}

void Report(StringView Text) { WriteErr(u"cantrel-cli: " + TerminalSafe(Text) + u"\n"); }

void WriteOut(std::string_view Bytes) {
  if (OutputError != 0) return;
  Written = true;
  errno = 0;
  if (std::fwrite(Bytes.data(), 1, Bytes.size(), stdout) != Bytes.size()) KeepOutputError();
}

bool OutputFailed() { return OutputError != 0; }

void FlushOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) KeepOutputError();
}

bool CloseOutput() {
  FlushOutput();
  errno = 0;
  // A closed standard output is no error for a run that printed nothing.
  if (std::fclose(stdout) != 0 && (errno != EBADF || Written)) KeepOutputError();
  if (OutputError == 0) return true;
  Report(Format(gettext(u"write error: %s"), {SysErrorMessage(OutputError)}));
  return false;
}

}  // namespace cantrel
