// cantrel-cli's entry: the localization layer, the options and the run.
#include <clocale>
#include <cstdio>
#include <new>
#include <optional>

#include "core/TextDomains.h"
#include "cli/CliErrors.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/CliRun.h"
#include "cli/ExitStatus.h"
#include "i18n/Gettext.h"
#include "runtime/MessageBox.h"

using namespace cantrel;

namespace {

int Run(int Argc, char** Argv) {
  try {
    const TCliOptions Options = ParseCommandLine(Argc, Argv);
    if (Options.Help) {
      WriteOut(StringToUtf8(UsageText()));
      return esDone;
    }
    if (Options.Version) {
      WriteOut(StringToUtf8(u"cantrel-cli " CANTREL_VERSION u"\n"));
      return esDone;
    }
    TCliRun Run(Options);
    return Run.Execute();
  } catch (const EUsageError& Error) {
    Report(Error.Message());
    WriteErr(gettext(u"Try 'cantrel-cli --help' for more information.") + u"\n");
    return esUsage;
  } catch (const EFolderError& Error) {
    Report(Error.Message());
    return esUsage;
  } catch (const Exception& Error) {
    Report(Error.Message());
    return esFailed;
  }
}

}  // namespace

int main(int Argc, char** Argv) {
  // Plain M3U is written in the locale's character set.
  std::setlocale(LC_ALL, "");
  try {
    // Without a window, messages meant for a box are reports on stderr.
    SetMessageBoxHook([](const String& Text, const String& Caption, TMessageBoxIcon) {
      Report(Caption + u": " + Text);
    });
    // A localization layer that cannot start leaves every text in English.
    std::optional<TGettextLayer> Localization;
    try {
      Localization.emplace();
    } catch (const Exception& Error) {
      Report(Error.Message());
    }
    StartTextDomains();
    const int Status = Run(Argc, Argv);
    return WorseStatus(Status, CloseOutput() ? esDone : esFailed);
  } catch (const std::bad_alloc&) {
    // Nothing that needs memory: no translation, no formatting.
    std::fputs("cantrel-cli: out of memory\n", stderr);
    return esFailed;
  } catch (const std::exception&) {
    Report(ExceptionMessage(std::current_exception()));
    return esFailed;
  }
}
