// TApplication: Qt's application object, its event loop and the main-thread wake-up.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <exception>
#include <memory>

#include "runtime/MessageBox.h"
#include "runtime/String.h"
#include "runtime/Thread.h"
#include "widgets/Form.h"

class QApplication;
class QTranslator;

namespace cantrel {

// The program's application object: Qt's application and event loop, the
// wake-up of the loop for calls that worker threads hand to the main thread,
// the default error handler and the message box. One exists at a time.
class TApplication : public QObject {
  Q_OBJECT

public:
  TApplication(int& Argc, char** Argv);
  // Gives the hand-over wake-up and the message box back; the program's
  // worker threads have ended by then.
  ~TApplication() override;

  // Installs the wake-up of the event loop for hand-overs, the message box
  // (a real dialog, shown on the main thread) and Qt's own texts (the
  // dialogs' buttons) in the user's language.
  void Initialize();

  String Title() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }

  // The window whose closing ends Run.
  void SetMainForm(TForm* Value) { FMainForm = Value; }
  // Shows the main form and runs the event loop until it closes; answers
  // the loop's exit code.
  int Run();

  // The default error handler: a message box titled with the application
  // title, showing the error's text. The program goes on.
  void HandleException(const std::exception& Error);

  // Loads Qt's own texts for the user's language of messages anew, after
  // the language changed.
  void InstallQtTexts();

protected:
  bool event(QEvent* Event) override;

private:
  std::unique_ptr<QApplication> FQtApplication;
  String FTitle;
  QPointer<TForm> FMainForm;
  bool FInitialized = false;
  // Counts the wake-up events posted. Qt's queue orders them with locks
  // the thread sanitizer cannot see; reading this count before an event
  // shows it that the event was made before it is read.
  std::atomic<unsigned> FWakesPosted{0};
  TWakeMainThread FPreviousWake;
  TMessageBoxHook FPreviousMessageBox;
  std::unique_ptr<QTranslator> FQtTexts;
};

// The application object, or nullptr while there is none.
TApplication* Application();

// Hands an error to the application's error handler; without an
// application object the message box has no title.
void HandleException(const std::exception& Error);

}  // namespace cantrel
