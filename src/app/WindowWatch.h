// TWindowWatch: the window's folder kept up to date after a Make, on the window's event loop.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>

#include "watch/LibraryWatcher.h"

namespace cantrel {

// Drives a TLibraryWatcher from the window's event loop: its inotify
// descriptor wakes the loop, and a timer its settle and rescan times, so
// the window stays responsive and nothing runs while nothing changes.
// OnGone runs once the folder itself is gone; the watch is over then.
class TWindowWatch : public QObject {
public:
  TWindowWatch(TPlayListFile& Root, TSharedFolder Folder, const TFileSearchCriteria& Criteria, TWatchSettings Settings,
               std::function<void()> OnGone);

  // Watches every folder of the tree; false when the folder can no longer
  // be read.
  bool Attach() { return FWatcher.Attach(); }
  TLibraryWatcher& Watcher() { return FWatcher; }
  // From now on changes are followed.
  void Start();

private:
  void Drive(bool EventsWaiting);
  void ArmTimer();

  TLibraryWatcher FWatcher;
  std::function<void()> FOnGone;
  std::unique_ptr<QSocketNotifier> FNotifier;
  QTimer FTimer;
};

}  // namespace cantrel
