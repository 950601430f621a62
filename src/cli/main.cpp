#include <cstdio>

#include "cli/CliErrors.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "i18n/Gettext.h"
#include "runtime/Paths.h"

using namespace cantrel;

namespace {

void Print(std::FILE* Stream, const String& Text) {
  const std::string Bytes = StringToUtf8(Text);
  std::fwrite(Bytes.data(), 1, Bytes.size(), Stream);
}

}  // namespace

int main(int Argc, char** Argv) {
  TGettextLayer Localization;
  // The text domain is the program's name, as for the window.
  const String BaseName = ChangeFileExt(ExtractFileName(ModuleFileName()), u"");
  textdomain(BaseName);
  AddResourceStringDomain(BaseName);
  try {
    const TCliOptions Options = ParseCommandLine(Argc, Argv);
    if (Options.Help) {
      Print(stdout, UsageText());
      return 0;
    }
    if (Options.Version) {
      Print(stdout, u"cantrel-cli " CANTREL_VERSION u"\n");
      return 0;
    }
    TCliRun Run(Options);
    return Run.Execute();
  } catch (const EUsageError& Error) {
    Print(stderr, u"cantrel-cli: " + Error.Message() + u"\n\n" + UsageText());
    return 2;
  } catch (const Exception& Error) {
    Print(stderr, u"cantrel-cli: " + Error.Message() + u"\n");
    return 1;
  }
}
