// The window program's entry: the localization layer, the application and the main window.
#include <QApplication>
#include <clocale>
#include <optional>

#include "app/MainForm.h"
#include "core/SettingsLocation.h"
#include "app/StopSignalWatch.h"
#include "core/TextDomains.h"
#include "i18n/Gettext.h"
#include "widgets/Application.h"

using namespace cantrel;

int main(int Argc, char** Argv) {
  // Plain M3U is written in the locale's character set.
  std::setlocale(LC_ALL, "");
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
  App.SetMainForm(&MainForm);
  return App.Run();
}
