// TWindowWatch: the window's folder kept up to date after a Make, on the window's event loop.
#include "app/WindowWatch.h"

#include <algorithm>
#include <chrono>

namespace cantrel {

TWindowWatch::TWindowWatch(TPlayListFile& Root, TSharedFolder Folder, const TFileSearchCriteria& Criteria,
                           TWatchSettings Settings, std::function<void()> OnGone)
    : FWatcher(Root, std::move(Folder), Criteria, std::move(Settings), {}), FOnGone(std::move(OnGone)) {
  FTimer.setSingleShot(true);
  connect(&FTimer, &QTimer::timeout, this, [this] { Drive(false); });
}

void TWindowWatch::Start() {
  FWatcher.Begin([] { return false; });
  if (FWatcher.Handle() >= 0) {
    FNotifier = std::make_unique<QSocketNotifier>(FWatcher.Handle(), QSocketNotifier::Read);
    connect(FNotifier.get(), &QSocketNotifier::activated, this, [this] { Drive(true); });
  }
  ArmTimer();
}

void TWindowWatch::Drive(bool EventsWaiting) {
  if (FWatcher.Step(EventsWaiting)) {
    ArmTimer();
    return;
  }
  FNotifier.reset();
  FTimer.stop();
  if (FOnGone) FOnGone();
}

void TWindowWatch::ArmTimer() {
  const auto Wake = FWatcher.NextWake();
  if (!Wake) {
    FTimer.stop();
    return;
  }
  const auto Left = std::chrono::ceil<std::chrono::milliseconds>(*Wake - std::chrono::steady_clock::now());
  FTimer.start(std::max<std::chrono::milliseconds>(Left, std::chrono::milliseconds(0)));
}

}  // namespace cantrel
