// Times the window's Find, from the click to the end report, on a generated
// media library against cantrel-cli --list on the same tree in the same run,
// and measures how long the window leaves input waiting while the search
// reports: a timer posts a synthetic input event every millisecond, and the
// longest time between two of them being handled is the figure. Runs on
// Qt's offscreen platform; prints the figures, decides nothing.
#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "BenchLibrary.h"
#include "BenchRun.h"
#include "BenchSettings.h"
#include "app/MainForm.h"
#include "i18n/Gettext.h"
#include "runtime/Paths.h"
#include "widgets/Application.h"

using namespace cantrel;
using namespace cantrel::bench;

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

// Input as the window system would deliver it, handled between the
// window's other events; Done is asked after each.
class TInputProbe : public QObject {
public:
  explicit TInputProbe(std::function<bool()> Done) : FDone(std::move(Done)) {
    FTimer.callOnTimeout([this] {
      QCoreApplication::postEvent(this, new QMouseEvent(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton,
                                                        Qt::NoButton, Qt::NoModifier));
    });
  }

  // Runs the event loop until Done, from Start on; answers the seconds it
  // took and the longest gap between two handled input events.
  std::pair<double, double> Measure(TClock::time_point Start) {
    FLastHandled = Start;
    FLongestGap = 0;
    FTimer.start(1);
    QEventLoop Loop;
    FLoop = &Loop;
    Loop.exec();
    FTimer.stop();
    return {std::chrono::duration<double>(FEnd - Start).count(), FLongestGap};
  }

protected:
  bool event(QEvent* Event) override {
    if (Event->type() != QEvent::MouseMove) return QObject::event(Event);
    const TClock::time_point Now = TClock::now();
    FLongestGap = std::max(FLongestGap, std::chrono::duration<double>(Now - FLastHandled).count());
    FLastHandled = Now;
    if (FLoop && FDone()) {
      FEnd = Now;
      FLoop->quit();
      FLoop = nullptr;
    }
    return true;
  }

private:
  std::function<bool()> FDone;
  QTimer FTimer;
  QEventLoop* FLoop = nullptr;
  TClock::time_point FLastHandled;
  TClock::time_point FEnd;
  double FLongestGap = 0;
};

}  // namespace

int main(int Argc, char** Argv) {
  const TBenchSettings Settings = ParseBenchSettings(Argc, Argv);
  const std::string Cli = ProgramBeside("cantrel-cli");
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::setlocale(LC_ALL, "");
  TApplication App(Argc, Argv);
  App.Initialize();
  TGettextLayer Localization;
  App.SetTitle(gettext(u"Cantrel"));

  TBenchLibrary Library(Settings.Base, Settings.Files, Settings.Folders);
  Library.Prepare();
  char Template[] = "/tmp/cantrel-window-bench-XXXXXX";
  const fs::path Home = mkdtemp(Template);
  std::ofstream(Home / "cantrel.ini") << "[Path]\nLastFolder=" << Library.Root().string() << "\n";

  // The two in turns, so that both meet the same load of the machine; the
  // best of each counts.
  const std::vector<std::string> ListCommand = {Cli, "--list", "--quiet", Library.Root().string()};
  SpawnProgram(ListCommand);  // warms the cache
  TRun List;
  double Seconds = 0;
  double LongestGap = 0;
  int Lines = 0;
  {
    TMainForm Form(FromSystemFileName((Home / "cantrel.ini").string()));
    Form.show();
    TInputProbe Probe([&] { return !Form.Searching(); });
    for (int I = 0; I < Settings.Runs; ++I) {
      const TRun Next = SpawnProgram(ListCommand);
      if (I == 0 || Next.Seconds < List.Seconds) List = Next;
      const TClock::time_point Start = TClock::now();
      Form.btnFind->click();
      const auto [Took, Gap] = Probe.Measure(Start);
      Seconds = I == 0 ? Took : std::min(Seconds, Took);
      LongestGap = std::max(LongestGap, Gap);
    }
    Lines = Form.mmoFiles->Lines()->Count();
  }

  std::printf("%-46s %9s %9s\n", "", "seconds", "x cli");
  std::printf("%-46s %9.3f %9.2f%s\n", "cantrel-cli --list", List.Seconds, 1.0, List.Succeeded() ? "" : "  (failed)");
  std::printf("%-46s %9.3f %9.2f  (%d files listed)\n", "window: Find, click to end report", Seconds,
              Seconds / List.Seconds, Lines);
  std::printf("%-46s %9.1f ms\n", "window: longest wait of input during Find", LongestGap * 1000);
  if (!Settings.Figures.empty())
    std::ofstream(Settings.Figures) << Seconds << ' ' << List.Seconds << ' ' << LongestGap << ' ' << Lines << '\n';

  std::error_code Error;
  fs::remove_all(Home, Error);
  return List.Succeeded() && Lines == Library.MediaFiles() ? 0 : 1;
}
