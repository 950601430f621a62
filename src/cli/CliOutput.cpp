#include "cli/CliOutput.h"

#include <cerrno>
#include <cstdio>

#include "i18n/Gettext.h"
#include "runtime/Exceptions.h"

namespace cantrel {

namespace {

int OutputError = 0;
bool Written = false;

bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLowSurrogate(char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

void KeepOutputError() {
  if (OutputError == 0) OutputError = errno != 0 ? errno : EIO;
}

}  // namespace

String TerminalSafe(StringView Text) {
  String Result;
  Result.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char16_t C = Text[I];
    if (IsHighSurrogate(C) && I + 1 < Text.size() && IsLowSurrogate(Text[I + 1])) {
      Result.append(Text.substr(I++, 2));
      continue;
    }
    const bool Control = C < 0x20 || (C >= 0x7F && C <= 0x9F);
    Result += Control || IsHighSurrogate(C) || IsLowSurrogate(C) ? u'?' : C;
  }
  return Result;
}

String ErrorMessage(const std::exception& Error) {
  if (const auto* Ours = dynamic_cast<const Exception*>(&Error)) return Ours->Message();
  return Utf8ToString(Error.what());
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
