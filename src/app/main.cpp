// The window program's entry: the localization layer, the application and the main window.
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <optional>

#include "app/MainForm.h"
#include "core/SettingsLocation.h"
#include "app/StopSignalWatch.h"
#include "app/WindowArguments.h"
#include "core/TextDomains.h"
#include "i18n/Gettext.h"
#include "widgets/Application.h"

using namespace cantrel;

namespace {

// Shows the window program's help or version, or what is wrong with its
// arguments, on the terminal: no window, no display needed.
int AnswerWithoutWindow(const TWindowArguments& Arguments) {
  std::optional<TGettextLayer> Localization;
  try {
    Localization.emplace();
  } catch (const Exception& Error) {
    ShowMessageBox(Error.Message(), u"cantrel", TMessageBoxIcon::miWarning);
  }
  StartTextDomains();
  if (Arguments.Problem != TWindowArguments::apNone) {
    std::fputs(("cantrel: " + StringToUtf8(WindowArgumentProblem(Arguments)) + "\n").c_str(), stderr);
    return 2;
  }
  const String Text = Arguments.Help ? WindowUsageText() : String(u"cantrel " CANTREL_VERSION u"\n");
  std::fputs(StringToUtf8(Text).c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int Argc, char** Argv) {
  // Plain M3U is written in the locale's character set.
  std::setlocale(LC_ALL, "");
  const TWindowArguments Arguments = ParseWindowArguments(Argc, Argv);
  if (!Arguments.OpensWindow()) return AnswerWithoutWindow(Arguments);
  TApplication App(Argc, Argv);
  // A session that ends, or Ctrl-C in the terminal, closes the window as
  // its close button does.
  const TStopSignalWatch StopSignals([] { QApplication::closeAllWindows(); });
  // Before anything is translated, so that a refused catalog is told in a
  // real message box.
  App.Initialize();
  // A localization layer that cannot start leaves every text in English.
  std::optional<TGettextLayer> Localization;
  try {
    Localization.emplace();
  } catch (const Exception& Error) {
    ShowMessageBox(Error.Message(), u"Cantrel", TMessageBoxIcon::miWarning);
  }
  StartTextDomains();
  App.SetTitle(gettext(u"Cantrel"));
  TMainForm MainForm(SettingsFileName());
  // As if the user chose it in the folder list; no search starts.
  if (!Arguments.Folder.empty()) MainForm.OpenFolder(Arguments.Folder);
  App.SetMainForm(&MainForm);
  return App.Run();
}
