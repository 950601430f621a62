#include "runtime/Thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "runtime/RuntimeConsts.h"

namespace cantrel {

// A call waiting for the main thread; it lives on the waiting thread's stack.
struct TSyncRequest {
  TSyncRequest(TThread* Thread, const std::function<void()>& Call) : Thread(Thread), Call(Call) {}

  TThread* const Thread;
  const std::function<void()>& Call;
  std::condition_variable Wake;
  std::exception_ptr Error;
  bool Done = false;
};

// The calls waiting for the main thread, oldest first.
struct TSyncQueue {
  std::mutex Lock;
  std::condition_variable MainWake;
  std::deque<TSyncRequest*> Pending;
  // Set when a thread ends, so that a main thread waiting for it wakes up.
  bool Signalled = false;

  std::mutex HookLock;
  TWakeMainThread Hook;

  // Never freed: workers may still hand over while the program exits.
  static TSyncQueue& Instance() {
    static TSyncQueue* const Queue = new TSyncQueue;
    return *Queue;
  }

  void WakeEventLoop() {
    TWakeMainThread Current;
    {
      std::lock_guard Guard(HookLock);
      Current = Hook;
    }
    if (Current) Current();
  }

  void SignalThreadEnd() {
    {
      std::lock_guard Guard(Lock);
      Signalled = true;
    }
    MainWake.notify_one();
  }

  void Cancel(TThread& Thread) {
    std::lock_guard Guard(Lock);
    Thread.FSyncCancelled = true;
    for (auto It = Pending.begin(); It != Pending.end();) {
      if ((*It)->Thread != &Thread) {
        ++It;
        continue;
      }
      (*It)->Done = true;
      (*It)->Wake.notify_one();
      It = Pending.erase(It);
    }
  }

  // False when the thread's hand-over was cancelled and nothing was queued.
  bool Enqueue(TSyncRequest& Request) {
    {
      std::lock_guard Guard(Lock);
      if (Request.Thread && Request.Thread->FSyncCancelled) return false;
      Pending.push_back(&Request);
    }
    MainWake.notify_one();
    return true;
  }

  void WaitDone(TSyncRequest& Request) {
    std::unique_lock Guard(Lock);
    Request.Wake.wait(Guard, [&Request] { return Request.Done; });
  }

  bool RunPending(int Timeout) {
    std::unique_lock Guard(Lock);
    if (Pending.empty() && Timeout > 0)
      MainWake.wait_for(Guard, std::chrono::milliseconds(Timeout),
                        [this] { return !Pending.empty() || Signalled; });
    Signalled = false;
    bool Ran = false;
    // One at a time: a call may cancel the calls queued behind it. Calls that
    // come meanwhile wait for the next round, so the event loop gets its turn.
    for (std::size_t Left = Pending.size(); Left > 0 && !Pending.empty(); --Left) {
      TSyncRequest* Request = Pending.front();
      Pending.pop_front();
      Guard.unlock();
      try {
        Request->Call();
      } catch (...) {
        Request->Error = std::current_exception();
      }
      Guard.lock();
      Request->Done = true;
      Request->Wake.notify_one();
      Ran = true;
    }
    return Ran;
  }
};

namespace {

// On Linux the nice value belongs to each thread, and a new thread starts
// with its creator's. Raising it needs no privilege; where that fails the
// thread simply runs at its creator's priority.
void LowerOwnPriority() {
  constexpr int Steps = 10;
  constexpr int Lowest = 19;
  errno = 0;
  const int Current = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  if (Current == -1 && errno != 0) return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), std::min(Current + Steps, Lowest));
}

}  // namespace

TThread::TThread() = default;

TThread::~TThread() {
  if (FHandle.joinable()) {
    Terminate();
    WaitFor();
  }
}

void TThread::Start() {
  if (FStarted) throw EThread(&SThreadStartTwice, {});
  FStarted = true;
  std::thread Handle([this] { Run(); });
  // A thread that frees itself may be gone at once: touch nothing of it.
  if (FFreeOnTerminate)
    Handle.detach();
  else
    FHandle = std::move(Handle);
}

void TThread::WaitFor() {
  if (FFreeOnTerminate) throw EThread(&SThreadWaitForSelfFree, {});
  if (!FStarted) return;
  if (IsMainThread())
    while (!Finished()) CheckSynchronize(1000);
  if (FHandle.joinable()) FHandle.join();
}

void TThread::Run() {
  if (FPriority == TThreadPriority::tpLower) LowerOwnPriority();
  try {
    Execute();
  } catch (...) {
    FFatalException = std::current_exception();
  }
  if (OnTerminate) {
    try {
      Synchronize([this] { OnTerminate(*this); });
    } catch (...) {
      // The thread is over; an error of its end notification has nowhere to go.
    }
  }
  const bool FreeSelf = FFreeOnTerminate;
  FFinished.store(true, std::memory_order_release);
  TSyncQueue::Instance().SignalThreadEnd();
  if (FreeSelf) delete this;
}

void TThread::Synchronize(TThread* Thread, const std::function<void()>& Call) {
  if (IsMainThread()) {
    Call();
    return;
  }
  TSyncQueue& Queue = TSyncQueue::Instance();
  TSyncRequest Request(Thread, Call);
  if (!Queue.Enqueue(Request)) return;
  Queue.WakeEventLoop();
  Queue.WaitDone(Request);
  if (Request.Error) std::rethrow_exception(Request.Error);
}

void TThread::CancelSynchronize() { TSyncQueue::Instance().Cancel(*this); }

bool TThread::IsMainThread() { return gettid() == getpid(); }

bool CheckSynchronize(int Timeout) {
  if (!TThread::IsMainThread()) throw EThread(&SCheckSynchronizeError, {});
  return TSyncQueue::Instance().RunPending(Timeout);
}

TWakeMainThread SetWakeMainThread(TWakeMainThread Hook) {
  TSyncQueue& Queue = TSyncQueue::Instance();
  std::lock_guard Guard(Queue.HookLock);
  std::swap(Queue.Hook, Hook);
  return Hook;
}

}  // namespace cantrel
