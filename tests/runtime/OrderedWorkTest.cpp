#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <stdexcept>
#include <thread>
#include <vector>

#include "runtime/OrderedWork.h"

using namespace cantrel;

TEST(OrderedWorkTest, EndsKeepTheOrderGivenAndAnErrorStopsTheRest) {
  std::vector<int> Ends;
  {
    // The first piece ends last: it waits for the three after it, which
    // could not happen on one thread.
    TOrderedWork Work(4, 0, 8);
    std::latch Later(3);
    Work.Add([&](int) { Later.wait(); }, [&] { Ends.push_back(0); });
    for (int I = 1; I <= 3; ++I) Work.Add([&](int) { Later.count_down(); }, [&, I] { Ends.push_back(I); });
    Work.Finish();
    EXPECT_EQ(Ends, (std::vector<int>{0, 1, 2, 3}));
  }

  Ends.clear();
  std::latch Started(1), Released(1);
  std::atomic<bool> SlowEnded = false;
  std::jthread Release;
  {
    TOrderedWork Work(2, 0, 8);
    Work.Add([](int) {}, [&] { Ends.push_back(0); });
    Work.Add([](int) { throw std::runtime_error("piece 1"); }, [&] { Ends.push_back(1); });
    Work.Add(
        [&](int) {
          Started.count_down();
          Released.wait();
          SlowEnded = true;
        },
        [&] { Ends.push_back(2); });
    Started.wait();
    EXPECT_THROW(Work.Finish(), std::runtime_error);
    EXPECT_EQ(Ends, std::vector<int>{0});
    Release = std::jthread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      Released.count_down();
    });
  }
  // Gone only once the piece being done ended.
  EXPECT_TRUE(SlowEnded);
}
