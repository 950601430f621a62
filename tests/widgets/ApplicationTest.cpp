#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "I18nTestSupport.h"
#include "runtime/Exceptions.h"
#include "runtime/Locale.h"
#include "runtime/Thread.h"
#include "widgets/Application.h"
#include "widgets/StdControls.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

// Hands calls to the main thread until the form has answered a click, and
// a few more after it.
class THandingWorker : public TThread {
public:
  ~THandingWorker() override { WaitFor(); }

  std::atomic<bool> Clicked{false};
  std::atomic<int> Calls{0};
  int CallsOutsideTheLoop = 0;
  String CarriedBack;

protected:
  void Execute() override {
    const auto Call = [this] {
      if (!TThread::IsMainThread() || QThread::currentThread()->loopLevel() == 0) ++CallsOutsideTheLoop;
      ++Calls;
    };
    // Bounded, so that a loop that never answers fails instead of hanging.
    while (!Clicked && Calls < 100000) Synchronize(Call);
    for (int I = 0; I < 20; ++I) Synchronize(Call);
    try {
      Synchronize([] { throw Exception(String(u"handed over")); });
    } catch (const Exception& Error) {
      CarriedBack = Error.Message();
    }
  }
};

// An object whose event handler fails.
class TFailingObject : public QObject {
protected:
  bool event(QEvent* Event) override {
    if (Event->type() == QEvent::User) throw Exception(String(u"event failed"));
    return QObject::event(Event);
  }
};

}  // namespace

TEST(ApplicationTest, HandOversRunInTheEventLoopAndErrorsLeaveItRunning) {
  TApplication& App = *Application();
  App.SetTitle(u"Cantrel test");
  TMessageBoxRecorder Boxes;
  TForm Form;
  auto* Button = new TButton(&Form);
  TFailingObject Failing;
  THandingWorker Worker;
  int CallsAtClick = -1;
  Button->OnClick = [&](QObject&) {
    CallsAtClick = Worker.Calls;
    Worker.Clicked = true;
    throw Exception(String(u"disk full"));
  };
  Worker.OnTerminate = [&](TThread&) { Form.close(); };
  // The user clicks while the worker is busy handing calls over.
  QTimer Clicker;
  Clicker.callOnTimeout([&] {
    if (Worker.Calls < 10 || Worker.Clicked) return;
    Button->click();
    QCoreApplication::postEvent(&Failing, new QEvent(QEvent::User));
  });
  Clicker.start(1);
  // A guard against a loop that never serves the worker: no result relies on it.
  QTimer::singleShot(60000, &Form, &QWidget::close);

  App.SetMainForm(&Form);
  Worker.Start();
  EXPECT_EQ(App.Run(), 0);
  Worker.WaitFor();

  EXPECT_GE(CallsAtClick, 10);
  EXPECT_GE(Worker.Calls, CallsAtClick + 20);  // the loop went on serving the worker
  EXPECT_EQ(Worker.CallsOutsideTheLoop, 0);
  EXPECT_EQ(Worker.CarriedBack, u"handed over");
  ASSERT_EQ(Boxes.Shown.size(), 2u);
  EXPECT_EQ(Boxes.Shown[0].Caption, u"Cantrel test");
  EXPECT_EQ(Boxes.Shown[0].Text, u"disk full");
  EXPECT_EQ(Boxes.Shown[1].Caption, u"Cantrel test");
  EXPECT_EQ(Boxes.Shown[1].Text, u"event failed");
}

TEST(ApplicationTest, QtsOwnButtonsSpeakTheUsersLanguage) {
  TApplication& App = *Application();
  SetUserLocaleName("fr_FR");
  App.InstallQtTexts();
  const QString French = QCoreApplication::translate("QPlatformTheme", "Cancel");
  SetUserLocaleName("C");
  App.InstallQtTexts();
  EXPECT_EQ(French.toStdU16String(), u"Annuler");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdU16String(), u"Cancel");
  SetUserLocaleName("");
}
