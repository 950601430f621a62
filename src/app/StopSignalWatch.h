// SIGINT and SIGTERM delivered to the window's event loop.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace cantrel {

// SIGINT and SIGTERM (Ctrl-C in the terminal, the session ending) as events
// of the loop: from its creation to its end, each such signal runs OnSignal
// on the main thread, between other events, instead of ending the process.
// One exists at a time.
class TStopSignalWatch : public QObject {
  Q_OBJECT

public:
  explicit TStopSignalWatch(std::function<void()> OnSignal);
  // The signals' default actions again.
  ~TStopSignalWatch() override;
  TStopSignalWatch(const TStopSignalWatch&) = delete;
  TStopSignalWatch& operator=(const TStopSignalWatch&) = delete;

private:
  void Signalled();

  std::function<void()> FOnSignal;
  int FPipe[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> FNotifier;
};

}  // namespace cantrel
