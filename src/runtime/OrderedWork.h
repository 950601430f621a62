// TOrderedWork: pieces of work done on a few threads and taken back in the order they were given.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace cantrel {

// Pieces of work done on threads of its own, whose ends the giving thread
// takes back in the order it gave them: what it reports of them keeps that
// order, whichever thread finished first. At most Window pieces are given
// and not yet taken back, so whatever each holds stays bounded. An error a
// piece raises is raised again on the giving thread when its turn comes.
// Some threads may wait on standby until the work shows that it waits for
// something (a disk, a network): such work is worth more threads than there
// are processors, other work only contends for them. The threads never take
// SIGINT or SIGTERM.
class TOrderedWork {
public:
  // Worker is the number of the thread the work runs on, from 0.
  using TWork = std::function<void(int Worker)>;
  using TEnd = std::function<void()>;

  // Threads in all, Standby of them on standby.
  TOrderedWork(int Threads, int Standby, std::size_t Window);
  // Waits for the pieces being done; those not started are dropped.
  ~TOrderedWork();
  TOrderedWork(const TOrderedWork&) = delete;
  TOrderedWork& operator=(const TOrderedWork&) = delete;

  // Gives a piece: Work runs on one of the threads, then End on this
  // thread, after the End of every piece given before. While the window is
  // full, waits for the oldest piece and takes it back.
  void Add(TWork Work, TEnd End);
  // Waits for every piece given and takes each back.
  void Finish();

private:
  struct TPiece {
    TWork Work;
    TEnd End;
    std::exception_ptr Error;
    bool Ended = false;
  };

  void Serve(const std::stop_token& Stop, int Worker, bool Standby);
  void Do(TPiece& Piece, int Worker);
  void Engage();
  // Takes back the oldest pieces while they have ended; with Wait, waits
  // for the oldest first.
  void TakeBack(bool Wait);

  const std::size_t FWindow;
  std::mutex FLock;
  std::condition_variable_any FWorkGiven;
  std::condition_variable_any FEngaged;
  std::atomic<bool> FStandbyEngaged{false};
  std::condition_variable FWorkEnded;
  // Every piece not yet taken back, oldest first, and those no thread took.
  std::deque<std::unique_ptr<TPiece>> FGiven;
  std::deque<TPiece*> FWaiting;
  // Last, so that they are joined before anything they use goes.
  std::vector<std::jthread> FThreads;
};

}  // namespace cantrel
