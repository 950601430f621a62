// TOrderedWork: pieces of work done on a few threads and taken back in the order they were given.
#include "runtime/OrderedWork.h"

#include <algorithm>

#include "runtime/Thread.h"

namespace cantrel {

namespace {

// A thread whose pieces waited this often within so many pieces calls those
// on standby; a stray wait (a page fault, a busy machine) does not.
constexpr long WaitsToEngage = 8;
constexpr int PiecesCounted = 16;

}  // namespace

TOrderedWork::TOrderedWork(int Threads, int Standby, std::size_t Window) : FWindow(std::max<std::size_t>(Window, 1)) {
  const TStopSignalsBlocked Blocked;
  const int Count = std::max(Threads, 1);
  const int AtOnce = std::clamp(Count - Standby, 1, Count);
  for (int I = 0; I < Count; ++I)
    FThreads.emplace_back([this, I, AtOnce](const std::stop_token& Stop) { Serve(Stop, I, I >= AtOnce); });
}

TOrderedWork::~TOrderedWork() {
  for (std::jthread& Thread : FThreads) Thread.request_stop();
}

void TOrderedWork::Add(TWork Work, TEnd End) {
  TakeBack(false);
  while (FGiven.size() >= FWindow) TakeBack(true);
  auto Piece = std::make_unique<TPiece>(TPiece{std::move(Work), std::move(End), {}, false});
  {
    const std::lock_guard Guard(FLock);
    FWaiting.push_back(Piece.get());
    FGiven.push_back(std::move(Piece));
  }
  FWorkGiven.notify_one();
}

void TOrderedWork::Finish() {
  while (!FGiven.empty()) TakeBack(true);
}

void TOrderedWork::TakeBack(bool Wait) {
  while (!FGiven.empty()) {
    std::unique_ptr<TPiece> Piece;
    {
      std::unique_lock Lock(FLock);
      if (Wait) FWorkEnded.wait(Lock, [this] { return FGiven.front()->Ended; });
      if (!FGiven.front()->Ended) return;
      Piece = std::move(FGiven.front());
      FGiven.pop_front();
    }
    if (Piece->Error) std::rethrow_exception(Piece->Error);
    Piece->End();
    Wait = false;
  }
}

void TOrderedWork::Serve(const std::stop_token& Stop, int Worker, bool Standby) {
  std::unique_lock Lock(FLock);
  if (Standby && !FEngaged.wait(Lock, Stop, [this] { return FStandbyEngaged.load(); })) return;
  long Waits = 0;
  int Pieces = 0;
  while (FWorkGiven.wait(Lock, Stop, [this] { return !FWaiting.empty(); }) && !Stop.stop_requested()) {
    TPiece& Piece = *FWaiting.front();
    FWaiting.pop_front();
    Lock.unlock();
    const long Before = ThreadWaits();
    Do(Piece, Worker);
    Waits += ThreadWaits() - Before;
    if (Waits >= WaitsToEngage)
      Engage();
    else if (++Pieces == PiecesCounted)
      Pieces = Waits = 0;
    Lock.lock();
    Piece.Ended = true;
    FWorkEnded.notify_one();
  }
}

void TOrderedWork::Do(TPiece& Piece, int Worker) {
  try {
    Piece.Work(Worker);
  } catch (...) {
    Piece.Error = std::current_exception();
  }
  // What the work held goes now, not when the piece is taken back.
  Piece.Work = nullptr;
}

void TOrderedWork::Engage() {
  if (FStandbyEngaged.exchange(true)) return;
  // Taken once, so that no thread on standby is between its look and its sleep.
  { const std::lock_guard Guard(FLock); }
  FEngaged.notify_all();
}

}  // namespace cantrel
