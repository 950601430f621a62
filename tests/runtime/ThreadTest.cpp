#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "Waiting.h"
#include "runtime/Thread.h"

using namespace cantrel;

using cantrel::test::PumpUntil;
using cantrel::test::WaitUntil;

namespace {

class TLambdaThread : public TThread {
public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> Body) : FBody(std::move(Body)) {}
  ~TLambdaThread() override {
    if (!Finished()) WaitFor();
    // Where first: a test that sees Destroyed reads it at once.
    if (DestroyedOnMain) DestroyedOnMain->store(IsMainThread());
    if (Destroyed) Destroyed->store(true);
  }

  using TThread::Synchronize;
  std::atomic<bool>* Destroyed = nullptr;
  std::atomic<bool>* DestroyedOnMain = nullptr;

protected:
  void Execute() override { FBody(*this); }

private:
  std::function<void(TLambdaThread&)> FBody;
};

class ThreadTest : public ::testing::Test {
protected:
  void TearDown() override { SetWakeMainThread(nullptr); }
};

}  // namespace

TEST_F(ThreadTest, SynchronizeRunsOnTheMainThreadAndWaitsForIt) {
  const pthread_t Main = pthread_self();
  bool RanOnMain = false;
  int Steps = 0;
  bool SawStep = false;
  int Policy = -1;
  int Nice = -100;
  TLambdaThread Thread([&](TLambdaThread& Self) {
    sched_param Param;
    pthread_getschedparam(pthread_self(), &Policy, &Param);
    Nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    Self.Synchronize([&] {
      RanOnMain = pthread_equal(pthread_self(), Main);
      ++Steps;
    });
    // The call has run by the time Synchronize returns.
    SawStep = Steps == 1;
  });
  Thread.SetPriority(TThreadPriority::tpLower);
  EXPECT_FALSE(Thread.Started());
  Thread.Start();
  EXPECT_THROW(Thread.Start(), EThread);
  Thread.WaitFor();
  EXPECT_TRUE(Thread.Finished());
  EXPECT_TRUE(RanOnMain);
  EXPECT_TRUE(SawStep);
  // A lower share of a busy machine, never none at all.
  EXPECT_EQ(Policy, SCHED_OTHER);
  EXPECT_EQ(Nice, std::min(getpriority(PRIO_PROCESS, 0) + 10, 19));

  // On the main thread the call runs at once.
  bool Direct = false;
  TThread::Synchronize(nullptr, [&] { Direct = true; });
  EXPECT_TRUE(Direct);
  EXPECT_FALSE(CheckSynchronize());
}

TEST_F(ThreadTest, ErrorsOfTheCallAreRaisedInTheWorker) {
  String Caught;
  TLambdaThread Thread([&](TLambdaThread& Self) {
    try {
      Self.Synchronize([] { throw EConvertError(String(u"bad value")); });
    } catch (const EConvertError& Error) {
      Caught = Error.Message();
    }
    Self.Synchronize([] { throw EListError(String(u"kept")); });
  });
  Thread.Start();
  Thread.WaitFor();
  EXPECT_EQ(Caught, u"bad value");
  ASSERT_TRUE(Thread.FatalException());
  try {
    std::rethrow_exception(Thread.FatalException());
  } catch (const EListError& Error) {
    EXPECT_EQ(Error.Message(), u"kept");
  }
}

TEST_F(ThreadTest, StopFlagEndNotificationAndAThreadLetGoFreesItself) {
  std::atomic<bool> Destroyed{false};
  std::atomic<bool> DestroyedOnMain{true};
  std::atomic<bool> Running{false};
  bool EndedOnMain = false;
  bool SawStop = false;
  auto Thread = std::make_shared<TLambdaThread>([&](TLambdaThread& Self) {
    Running = true;
    while (!Self.Terminated()) std::this_thread::yield();
    SawStop = true;
  });
  const TThread* const Started = Thread.get();
  Thread->Destroyed = &Destroyed;
  Thread->DestroyedOnMain = &DestroyedOnMain;
  Thread->OnTerminate = [&](TThread& Sender) {
    EndedOnMain = TThread::IsMainThread();
    EXPECT_EQ(&Sender, Started);
  };
  Thread->Start();
  ASSERT_TRUE(WaitUntil([&] { return Running.load(); }));
  Thread->Terminate();
  Thread.reset();
  ASSERT_TRUE(PumpUntil([&] { return Destroyed.load(); }));
  EXPECT_TRUE(SawStop);
  EXPECT_TRUE(EndedOnMain);
  EXPECT_FALSE(DestroyedOnMain.load());
}

TEST_F(ThreadTest, WorkersBlockTheStopSignalsAndTheirCreatorKeepsItsMask) {
  const auto Blocked = [] {
    sigset_t Mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &Mask);
    return sigismember(&Mask, SIGINT) + sigismember(&Mask, SIGTERM);
  };
  int InWorker = 0;
  TLambdaThread Thread([&](TLambdaThread&) { InWorker = Blocked(); });
  Thread.Start();
  Thread.WaitFor();
  EXPECT_EQ(InWorker, 2);
  EXPECT_EQ(Blocked(), 0);
}

TEST_F(ThreadTest, WakeHookAnnouncesWaitingCalls) {
  std::atomic<int> Wakes{0};
  SetWakeMainThread([&] { ++Wakes; });
  std::atomic<bool> Ran{false};
  TLambdaThread Thread([&](TLambdaThread& Self) { Self.Synchronize([&] { Ran = true; }); });
  Thread.Start();
  ASSERT_TRUE(WaitUntil([&] { return Wakes.load() == 1; }));
  EXPECT_FALSE(Ran.load());
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_TRUE(Ran.load());
  Thread.WaitFor();

  // Only the main thread may run the calls.
  bool Refused = false;
  std::thread Other([&] {
    try {
      CheckSynchronize();
    } catch (const EThread&) {
      Refused = true;
    }
  });
  Other.join();
  EXPECT_TRUE(Refused);
}

TEST_F(ThreadTest, AStoppedGroupReleasesItsWorkersWithoutRunningAnythingOfTheirs) {
  std::atomic<int> Waiting{0};
  SetWakeMainThread([&] { ++Waiting; });
  std::atomic<int> CallsRun{0};
  std::atomic<bool> Returned{false};
  std::atomic<bool> Gone[2];
  TThreadGroup Group;
  const auto AddWorker = [&](std::atomic<bool>& Flag, std::function<void(TLambdaThread&)> Body) {
    auto Thread = std::make_shared<TLambdaThread>(std::move(Body));
    Thread->Destroyed = &Flag;
    Thread->OnTerminate = [&](TThread&) { ++CallsRun; };
    Group.Add(Thread);
    Thread->Start();
  };
  // One waits for its call, the other for room for its next.
  AddWorker(Gone[0], [&](TLambdaThread& Self) {
    Self.Synchronize([&] { ++CallsRun; });
    Returned = true;
    Self.Synchronize([&] { ++CallsRun; });
  });
  AddWorker(Gone[1], [&](TLambdaThread& Self) {
    for (int I = 0; I < 3; ++I) Self.Queue([&] { ++CallsRun; }, 1);
    Self.WaitForQueue();
  });
  ASSERT_TRUE(WaitUntil([&] { return Waiting.load() == 2; }));
  Group.Stop();
  // Both end without the main thread running anything; joining them frees
  // them.
  EXPECT_TRUE(Group.Join(std::chrono::steady_clock::now() + std::chrono::minutes(1)));
  EXPECT_TRUE(Gone[0].load() && Gone[1].load());
  EXPECT_TRUE(Returned.load());
  EXPECT_FALSE(CheckSynchronize(20));
  EXPECT_EQ(CallsRun.load(), 0);
}

TEST_F(ThreadTest, AWorkerStuckPastTheDeadlineIsLetGoAndEndsOnItsOwnTouchingNothing) {
  // What the worker uses it holds a share of; what its owner has it may
  // not touch once let go.
  struct TShared {
    std::promise<void> Release;
    std::shared_future<void> Released = Release.get_future().share();
    std::atomic<bool> Stuck{false};
    std::atomic<int> CallsRun{0};
  };
  auto Shared = std::make_shared<TShared>();
  auto Report = std::make_unique<int>(0);
  std::atomic<bool> Destroyed{false};
  std::weak_ptr<TThread> Watch;
  const auto Patience = std::chrono::milliseconds(200);
  std::chrono::steady_clock::duration Waited{};
  {
    TThreadGroup Group;
    int* const Target = Report.get();
    auto Thread = std::make_shared<TLambdaThread>([Shared, Target](TLambdaThread& Self) {
      // A handler that blocks as a read on a hung mount does.
      const auto Handler = [&] {
        Shared->Stuck = true;
        Shared->Released.wait();
      };
      Handler();
      Self.Synchronize([Shared, Target] {
        ++Shared->CallsRun;
        ++*Target;
      });
    });
    Thread->Destroyed = &Destroyed;
    Thread->OnTerminate = [Shared, Target](TThread&) {
      ++Shared->CallsRun;
      ++*Target;
    };
    Watch = Thread;
    Group.Add(std::move(Thread));
    Watch.lock()->Start();
    ASSERT_TRUE(WaitUntil([&] { return Shared->Stuck.load(); }));
    Group.Stop();
    const auto Begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(Group.Join(Begin + Patience));
    Waited = std::chrono::steady_clock::now() - Begin;
  }
  EXPECT_GE(Waited, Patience);
  Report.reset();
  EXPECT_FALSE(Watch.expired()) << "the worker keeps itself";
  Shared->Release.set_value();
  // Its last calls would reach the freed report: they are dropped.
  ASSERT_TRUE(PumpUntil([&] { return Destroyed.load(); }));
  EXPECT_TRUE(Watch.expired());
  EXPECT_FALSE(CheckSynchronize(20));
  EXPECT_EQ(Shared->CallsRun.load(), 0);
}

TEST_F(ThreadTest, QueuedCallsRunInOrderWithoutTheWorkerWaitingAndAFailureDropsTheRest) {
  std::vector<int> Ran;
  std::atomic<int> Queued{0};
  String Failure;
  TLambdaThread Thread([&](TLambdaThread& Self) {
    try {
      for (int I = 1; I <= 5; ++I) {
        Self.Queue(
            [&Ran, I] {
              Ran.push_back(I);
              if (I == 3) throw EListError(String(u"third"));
            },
            2);
        Queued = I;
      }
      Self.WaitForQueue();
    } catch (const EListError& Error) {
      Failure = Error.Message();
    }
  });
  Thread.Start();
  // Two calls wait for the main thread; the worker does not wait for them,
  // but for room before a third.
  ASSERT_TRUE(WaitUntil([&] { return Queued.load() == 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Queued.load(), 2);
  EXPECT_TRUE(Ran.empty());
  Thread.WaitFor();
  EXPECT_EQ(Ran, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Failure, u"third");
}
