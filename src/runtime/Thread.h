#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <thread>

#include "runtime/Exceptions.h"

namespace cantrel {

CANTREL_EXCEPTION(EThread, Exception);

// tpLower: a normal time-sharing thread ten nice steps below its creator, so
// the window stays quick while the thread still gets its share of a busy
// machine (never SCHED_IDLE, which starves it as long as anything else runs).
enum class TThreadPriority : std::uint8_t { tpLower, tpNormal };

// A worker thread. It is created suspended and runs Execute once started,
// with SIGINT and SIGTERM blocked, so that they reach the main thread.
// The main thread is the one that runs main(); it alone runs the calls that
// workers hand over with Synchronize, whenever it calls CheckSynchronize.
// A thread that frees itself is deleted on its own thread. One that does not
// is waited for by its owner; a derived class whose Execute uses its own
// members waits in its own destructor, before they go.
class TThread {
public:
  using TThreadNotify = std::function<void(TThread& Sender)>;

  TThread();
  // Stops and waits for a thread that does not free itself.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();
  // Sets the stop flag, which Execute polls; it is never cleared.
  void Terminate() { FTerminated.store(true, std::memory_order_release); }
  bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }

  // A thread that frees itself deletes its object once its end notification
  // has run; it is set before Start and never waited for.
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
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

  // Drops this thread's hand-over for good: a call that waits for the main
  // thread is taken back without running and its Synchronize returns; later
  // calls, the end notification included, return at once without running.
  // Queued calls that have not run are dropped. For an owner that goes
  // away while its workers still run.
  void CancelSynchronize();
  // Whether CancelSynchronize was called: a queued call that runs on
  // regardless should stop.
  bool SynchronizeCancelled() const { return FSyncCancelled.load(std::memory_order_acquire); }

  static bool IsMainThread();

protected:
  virtual void Execute() = 0;

private:
  friend struct TSyncQueue;

  void Run();

  std::thread FHandle;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  bool FStarted = false;
  bool FFreeOnTerminate = false;
  TThreadPriority FPriority = TThreadPriority::tpNormal;
  std::exception_ptr FFatalException;
  // Set under the hand-over queue's lock, which guards the fields below.
  std::atomic<bool> FSyncCancelled{false};
  std::size_t FQueued = 0;
  std::exception_ptr FQueueError;
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

}  // namespace cantrel
