// TApplication: Qt's application object, its event loop and the main-thread wake-up.
#include "widgets/Application.h"

#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "runtime/Exceptions.h"
#include "runtime/Locale.h"
#include "widgets/MessageDialog.h"

namespace cantrel {

namespace {

TApplication* Instance = nullptr;

const QEvent::Type WakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

String ErrorText(const std::exception& Error) {
  if (const auto* Own = dynamic_cast<const Exception*>(&Error)) return Own->Message();
  return Utf8ToString(Error.what());
}

// Catches what an event handler of the program raises, so that it reaches
// the error handler instead of unwinding through the event loop.
class TQtApplication : public QApplication {
public:
  using QApplication::QApplication;

  bool notify(QObject* Receiver, QEvent* Event) override {
    try {
      return QApplication::notify(Receiver, Event);
    } catch (const std::exception& Error) {
      HandleException(Error);
      return false;
    }
  }
};

void ShowQtMessageBox(const String& Text, const String& Caption, TMessageBoxIcon Icon) {
  // A dialog belongs to the main thread; a worker waits for it there.
  TThread::Synchronize(nullptr, [&] {
    MakeMessageDialog(Text, Caption, Icon)->exec();
  });
}

}  // namespace

TApplication::TApplication(int& Argc, char** Argv) : FQtApplication(std::make_unique<TQtApplication>(Argc, Argv)) {
  Instance = this;
}

TApplication::~TApplication() {
  if (FInitialized) {
    SetWakeMainThread(std::move(FPreviousWake));
    SetMessageBoxHook(std::move(FPreviousMessageBox));
  }
  Instance = nullptr;
}

void TApplication::Initialize() {
  if (FInitialized) return;
  FInitialized = true;
  // Posting is safe from any thread; the event runs the waiting calls.
  FPreviousWake = SetWakeMainThread([this] {
    auto* Wake = new QEvent(WakeEvent);
    FWakesPosted.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(this, Wake);
  });
  FPreviousMessageBox = SetMessageBoxHook(ShowQtMessageBox);
  InstallQtTexts();
}

// Qt's dialogs name their buttons ("OK", "Show Details...") from Qt's own
// catalogs, in the language the program's texts follow.
void TApplication::InstallQtTexts() {
  FQtTexts.reset();
  const std::string Language = UserLocaleName(TLocaleCategory::lcMessages);
  if (Language == "C") return;
  auto Texts = std::make_unique<QTranslator>();
  if (!Texts->load(QLocale(QString::fromStdString(Language)), u"qtbase"_qs, u"_"_qs,
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return;
  QCoreApplication::installTranslator(Texts.get());
  FQtTexts = std::move(Texts);
}

int TApplication::Run() {
  if (FMainForm) FMainForm->show();
  return QApplication::exec();
}

void TApplication::HandleException(const std::exception& Error) {
  ShowMessageBox(ErrorText(Error), FTitle, TMessageBoxIcon::miError);
}

bool TApplication::event(QEvent* Event) {
  FWakesPosted.load(std::memory_order_acquire);
  if (Event->type() != WakeEvent) return QObject::event(Event);
  CheckSynchronize();
  return true;
}

TApplication* Application() { return Instance; }

void HandleException(const std::exception& Error) {
  if (Instance)
    Instance->HandleException(Error);
  else
    ShowMessageBox(ErrorText(Error), String(), TMessageBoxIcon::miError);
}

}  // namespace cantrel
