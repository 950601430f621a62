// TThread, its priority and the hand-over of calls to the main thread.
#pragma once

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

#include "runtime/Exceptions.h"

namespace cantrel {

CANTREL_EXCEPTION(EThread, Exception);

// tpLower: a normal time-sharing thread ten nice steps below its creator, so
// the window stays quick while the thread still gets its share of a busy
// machine (never SCHED_IDLE, which starves it as long as anything else runs).
enum class TThreadPriority : std::uint8_t { tpLower, tpNormal };

// SIGINT and SIGTERM blocked for as long as it lives, and the mask as it
// was restored when it goes: a thread started meanwhile inherits the block,
// so stop signals reach the main thread alone.
class TStopSignalsBlocked {
public:
  TStopSignalsBlocked();
  ~TStopSignalsBlocked();
  TStopSignalsBlocked(const TStopSignalsBlocked&) = delete;
  TStopSignalsBlocked& operator=(const TStopSignalsBlocked&) = delete;

private:
  sigset_t FPrevious;
};

// A worker thread. It is created suspended and runs Execute once started,
// with SIGINT and SIGTERM blocked, so that they reach the main thread.
// The main thread is the one that runs main(); it alone runs the calls that
// workers hand over with Synchronize, whenever it calls CheckSynchronize.
// A thread held by shared owners keeps itself alive while it runs: once
// they let it go, it frees itself on its own thread when it ends. One that
// is not shared is waited for by its owner; a derived class whose Execute
// uses its own members waits in its own destructor, before they go.
class TThread : public std::enable_shared_from_this<TThread> {
public:
  using TThreadNotify = std::function<void(TThread& Sender)>;

  TThread();
  // Stops and waits for the thread, unless it is its own last owner.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();
  // Sets the stop flag, which Execute polls; it is never cleared.
  void Terminate() {
    FTerminated.store(true, std::memory_order_release);
    TerminateRequested();
  }
  bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }

  // Applied when the thread starts.
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority Value) { FPriority = Value; }

  bool Started() const { return FStarted; }
  bool Finished() const { return FFinished.load(std::memory_order_acquire); }
  // Waits for the end; on the main thread, handed-over calls run meanwhile.
  void WaitFor();
  // The error that ended Execute, if any.
  std::exception_ptr FatalException() const { return FFatalException; }

  // Runs on the main thread once Execute has ended.
  TThreadNotify OnTerminate;

  // Runs Call on the main thread and waits until it has run; an error it
  // raises is raised here again. On the main thread Call runs at once.
  // Once the thread's group has stopped, Call is dropped unrun and
  // Synchronize returns.
  void Synchronize(const std::function<void()>& Call) { Synchronize(this, Call); }
  // The same for any thread; Thread may be null.
  static void Synchronize(TThread* Thread, const std::function<void()>& Call);
  // Hands Call to the main thread without waiting for it to run, so the
  // thread can go on meanwhile. Its calls run in the order they were handed
  // over, together with its Synchronize calls. While Limit of its calls
  // wait or run, Queue waits for the first of them. An error raised by a
  // queued call drops the thread's later queued calls, and its next Queue or
  // WaitForQueue raises the error here. On the main thread Call runs at once.
  void Queue(std::function<void()> Call, std::size_t Limit);
  // Waits until every call this thread queued has run or was dropped, and
  // raises the error of one that failed.
  void WaitForQueue();

  // Whether the thread's group has stopped: a handed-over call that runs
  // many reports checks it before each.
  bool ReportsDropped() const { return FReports.stop_requested(); }

  static bool IsMainThread();

protected:
  virtual void Execute() = 0;
  // Called by Terminate on the calling thread, for a thread that waits on
  // something of its own to wake up.
  virtual void TerminateRequested() {}

private:
  friend struct TSyncQueue;
  friend class TThreadGroup;

  void Run();
  // Waits without running handed-over calls, at most until Deadline; once
  // the thread has ended, its handle is joined. Answers whether it ended.
  bool WaitUntil(std::chrono::steady_clock::time_point Deadline);
  // Whether a call this thread handed over runs on the calling thread now:
  // then the thread cannot end before that call returns.
  bool ReportRunsHere() const;

  std::thread FHandle;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  bool FStarted = false;
  TThreadPriority FPriority = TThreadPriority::tpNormal;
  std::exception_ptr FFatalException;
  // The token of the thread's group, set before it starts; without a group
  // its calls are never dropped.
  std::stop_token FReports;
  // Guarded by the hand-over queue's lock.
  std::size_t FQueued = 0;
  std::exception_ptr FQueueError;
};

// The threads that work for one job (a search: its walker, and any readers
// or watchers it adds) and the one token that every call they hand over
// checks before it runs. Stop sets the token and asks every thread to stop;
// Join waits for them until a deadline and lets go of any still running
// then (one stuck in the kernel on a hung mount), which ends on its own
// later, touching only itself and what it holds a share of. Main thread
// only.
class TThreadGroup {
public:
  // How long the owner of a stopped group waits for its threads.
  static constexpr std::chrono::milliseconds Patience{2000};

  TThreadGroup() = default;
  // Stops the group and joins it with the default patience.
  ~TThreadGroup();
  TThreadGroup(const TThreadGroup&) = delete;
  TThreadGroup& operator=(const TThreadGroup&) = delete;

  // Takes a thread that has not started yet into the group: from now on
  // its hand-overs carry the group's token.
  void Add(std::shared_ptr<TThread> Thread);
  // Asks every thread to stop; their calls still run, end notifications
  // included.
  void Terminate();
  // Drops every call the group's threads handed over and have still to
  // hand over, releasing a thread that waits in Synchronize or Queue, and
  // asks every thread to stop. It is never undone.
  void Stop();
  // Waits for every started thread to end, at most until Deadline, and
  // lets go of all of them; one whose handed-over call runs on this thread
  // now is not waited for, since it cannot end before that call returns.
  // Answers whether every thread waited for ended.
  bool Join(std::chrono::steady_clock::time_point Deadline);

private:
  std::stop_source FReports;
  std::vector<std::shared_ptr<TThread>> FThreads;
};

// Runs the calls that wait for the main thread, waiting up to Timeout
// milliseconds for one to come when none waits yet. Answers whether any ran.
// Raises EThread on any other thread.
bool CheckSynchronize(int Timeout = 0);

// Called on the handing thread whenever a call starts to wait for the main
// thread, so that an event loop can wake up and call CheckSynchronize.
// Answers the hook it replaces.
using TWakeMainThread = std::function<void()>;
TWakeMainThread SetWakeMainThread(TWakeMainThread Hook);

// How often the calling thread has given up its processor to wait (for a
// disk, a network, a lock) rather than being preempted: work that made it
// wait is worth doing on more threads than there are processors.
long ThreadWaits();

}  // namespace cantrel
