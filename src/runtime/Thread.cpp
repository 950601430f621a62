// TThread, its priority and the hand-over of calls to the main thread.
#include "runtime/Thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "runtime/RuntimeConsts.h"

namespace cantrel {

// A call for the main thread. One that its thread waits for lives on that
// thread's stack; a queued one belongs to the queue, which frees it.
struct TSyncRequest {
  TSyncRequest(TThread* Thread, const std::function<void()>& Call) : Thread(Thread), Call(Call) {}
  TSyncRequest(TThread* Thread, std::function<void()>&& Function)
      : Thread(Thread), Owned(std::move(Function)), Call(Owned), Queued(true) {}

  TThread* const Thread;
  const std::function<void()> Owned;
  const std::function<void()>& Call;
  const bool Queued = false;
  std::condition_variable Wake;
  std::exception_ptr Error;
  bool Done = false;
};

// The calls waiting for the main thread, oldest first.
struct TSyncQueue {
  std::mutex Lock;
  std::condition_variable MainWake;
  // Wakes threads that wait for their queued calls.
  std::condition_variable QueueWake;
  // Wakes owners that wait for threads to end.
  std::condition_variable EndWake;
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

  static bool Dropped(const TSyncRequest& Request) { return Request.Thread && Request.Thread->ReportsDropped(); }

  void WakeEventLoop() {
    TWakeMainThread Current;
    {
      std::lock_guard Guard(HookLock);
      Current = Hook;
    }
    if (Current) Current();
  }

  void SignalThreadEnd(TThread& Thread) {
    {
      std::lock_guard Guard(Lock);
      Thread.FFinished.store(true, std::memory_order_release);
      Signalled = true;
    }
    MainWake.notify_one();
    EndWake.notify_all();
  }

  bool WaitEnd(const TThread& Thread, std::chrono::steady_clock::time_point Deadline) {
    std::unique_lock Guard(Lock);
    return EndWake.wait_until(Guard, Deadline, [&Thread] { return Thread.Finished(); });
  }

  // Called with the lock held, for a call that will not run.
  void Drop(TSyncRequest* Request) {
    if (!Request->Queued) {
      Request->Done = true;
      Request->Wake.notify_one();
      return;
    }
    --Request->Thread->FQueued;
    delete Request;
  }

  // Drops the waiting calls of every thread whose group stopped, and wakes
  // the threads that wait for room.
  void DropStopped() {
    {
      std::lock_guard Guard(Lock);
      for (auto It = Pending.begin(); It != Pending.end();) {
        if (!Dropped(**It)) {
          ++It;
          continue;
        }
        Drop(*It);
        It = Pending.erase(It);
      }
    }
    QueueWake.notify_all();
  }

  // False when the thread's group stopped and nothing was queued.
  bool Enqueue(TSyncRequest& Request) {
    {
      std::lock_guard Guard(Lock);
      if (Dropped(Request)) return false;
      Pending.push_back(&Request);
    }
    MainWake.notify_one();
    return true;
  }

  // Waits while the thread has Limit calls queued; false when its group
  // stopped. Raises the error of a queued call that failed.
  bool WaitForRoom(TThread& Thread, std::size_t Limit) {
    std::unique_lock Guard(Lock);
    QueueWake.wait(Guard,
                   [&] { return Thread.FQueued < Limit || Thread.ReportsDropped() || Thread.FQueueError; });
    if (Thread.FQueueError) std::rethrow_exception(Thread.FQueueError);
    return !Thread.ReportsDropped();
  }

  void EnqueueOwned(TThread& Thread, std::function<void()>&& Call) {
    {
      std::lock_guard Guard(Lock);
      if (Thread.ReportsDropped()) return;
      Pending.push_back(new TSyncRequest(&Thread, std::move(Call)));
      ++Thread.FQueued;
    }
    MainWake.notify_one();
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
    // One at a time: a call may stop the group of the calls queued behind
    // it. Calls that come meanwhile wait for the next round, so the event
    // loop gets its turn.
    for (std::size_t Left = Pending.size(); Left > 0 && !Pending.empty(); --Left) {
      TSyncRequest* Request = Pending.front();
      Pending.pop_front();
      // Nothing of a stopped group runs, nor, after a queued call of its
      // thread failed, the thread's later ones.
      if (Dropped(*Request) || (Request->Queued && Request->Thread->FQueueError)) {
        Drop(Request);
        QueueWake.notify_all();
        continue;
      }
      Guard.unlock();
      Run(*Request);
      Guard.lock();
      Ran = true;
      if (Request->Queued) {
        // The thread may end as soon as the lock is given back.
        TThread& Thread = *Request->Thread;
        if (Request->Error && !Thread.FQueueError) Thread.FQueueError = Request->Error;
        --Thread.FQueued;
        delete Request;
        QueueWake.notify_all();
        continue;
      }
      Request->Done = true;
      Request->Wake.notify_one();
    }
    return Ran;
  }

  // The threads whose calls run on this thread now, innermost last: a call
  // may run a nested round.
  static inline thread_local std::vector<const TThread*> Running;

  static void Run(TSyncRequest& Request) {
    Running.push_back(Request.Thread);
    try {
      Request.Call();
    } catch (...) {
      Request.Error = std::current_exception();
    }
    Running.pop_back();
  }

  // Waits until no queued call of the thread waits or runs.
  void WaitQueueEmpty(TThread& Thread) {
    std::unique_lock Guard(Lock);
    QueueWake.wait(Guard, [&] { return Thread.FQueued == 0; });
  }

  std::exception_ptr QueueError(TThread& Thread) {
    std::lock_guard Guard(Lock);
    return Thread.FQueueError;
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

TStopSignalsBlocked::TStopSignalsBlocked() {
  sigset_t Stop;
  sigemptyset(&Stop);
  sigaddset(&Stop, SIGINT);
  sigaddset(&Stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &Stop, &FPrevious);
}

TStopSignalsBlocked::~TStopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &FPrevious, nullptr); }

TThread::TThread() = default;

TThread::~TThread() {
  if (!FHandle.joinable()) return;
  // The last owner of a thread that was let go is the thread itself, at
  // its end.
  if (FHandle.get_id() == std::this_thread::get_id()) {
    FHandle.detach();
    return;
  }
  Terminate();
  WaitFor();
}

void TThread::Start() {
  if (FStarted) throw EThread(&SThreadStartTwice, {});
  FStarted = true;
  // A shared thread holds a share of itself until it ends, so its owners
  // may let it go at any time.
  std::shared_ptr<TThread> Self = weak_from_this().lock();
  // Stop signals go to the main thread, whose blocking calls (output to a
  // reader that stopped reading) they interrupt; a worker never takes one.
  const TStopSignalsBlocked Blocked;
  FHandle = std::thread([this, Self = std::move(Self)] { Run(); });
}

void TThread::WaitFor() {
  if (!FStarted) return;
  if (IsMainThread())
    while (!Finished()) CheckSynchronize(1000);
  if (FHandle.joinable()) FHandle.join();
}

bool TThread::WaitUntil(std::chrono::steady_clock::time_point Deadline) {
  if (!TSyncQueue::Instance().WaitEnd(*this, Deadline)) return false;
  if (FHandle.joinable()) FHandle.join();
  return true;
}

bool TThread::ReportRunsHere() const {
  const std::vector<const TThread*>& Running = TSyncQueue::Running;
  return std::find(Running.begin(), Running.end(), this) != Running.end();
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
  // A queued call that the main thread runs at this moment still uses the
  // thread's objects.
  TSyncQueue::Instance().WaitQueueEmpty(*this);
  TSyncQueue::Instance().SignalThreadEnd(*this);
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

void TThread::Queue(std::function<void()> Call, std::size_t Limit) {
  if (IsMainThread()) {
    Call();
    return;
  }
  TSyncQueue& Queue = TSyncQueue::Instance();
  if (!Queue.WaitForRoom(*this, Limit)) return;
  Queue.EnqueueOwned(*this, std::move(Call));
  Queue.WakeEventLoop();
}

void TThread::WaitForQueue() {
  TSyncQueue& Queue = TSyncQueue::Instance();
  Queue.WaitQueueEmpty(*this);
  if (const std::exception_ptr Error = Queue.QueueError(*this)) std::rethrow_exception(Error);
}

bool TThread::IsMainThread() { return gettid() == getpid(); }

bool CheckSynchronize(int Timeout) {
  if (!TThread::IsMainThread()) throw EThread(&SCheckSynchronizeError, {});
  return TSyncQueue::Instance().RunPending(Timeout);
}

TThreadGroup::~TThreadGroup() {
  Stop();
  Join(std::chrono::steady_clock::now() + Patience);
}

void TThreadGroup::Add(std::shared_ptr<TThread> Thread) {
  Thread->FReports = FReports.get_token();
  FThreads.push_back(std::move(Thread));
}

void TThreadGroup::Terminate() {
  for (const std::shared_ptr<TThread>& Thread : FThreads) Thread->Terminate();
}

void TThreadGroup::Stop() {
  if (!FReports.request_stop()) return;
  TSyncQueue::Instance().DropStopped();
  Terminate();
}

// Stopped threads need nothing more of the main thread, so none runs here.
bool TThreadGroup::Join(std::chrono::steady_clock::time_point Deadline) {
  bool Ended = true;
  for (const std::shared_ptr<TThread>& Thread : FThreads)
    if (Thread->Started() && !Thread->ReportRunsHere()) Ended = Thread->WaitUntil(Deadline) && Ended;
  FThreads.clear();
  return Ended;
}

TWakeMainThread SetWakeMainThread(TWakeMainThread Hook) {
  TSyncQueue& Queue = TSyncQueue::Instance();
  std::lock_guard Guard(Queue.HookLock);
  std::swap(Queue.Hook, Hook);
  return Hook;
}

long ThreadWaits() {
  struct rusage Usage {};
  getrusage(RUSAGE_THREAD, &Usage);
  return Usage.ru_nvcsw;
}

}  // namespace cantrel
