#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <stdexcept>
#include <thread>
#include <vector>

#include "runtime/OrderedWork.h"

using namespace cantrel;

// The order of the ends is checked where Make relies on it
// (PlayListOutputTest); what Make cannot reach is checked here.
TEST(OrderedWorkTest, AnErrorComesAtItsTurnAndTheRestStops) {
  std::vector<int> Ends;
  std::latch Started(1), Released(1);
  std::atomic<bool> SlowEnded = false;
  std::jthread Release;
  {
    TOrderedWork Work(2, 0, 8);
    Work.Add([](int) {}, [&] { Ends.push_back(0); });
    // Raised only once the next piece runs, so that it comes out of Finish,
    // not out of the Add after it.
    Work.Add(
        [&](int) {
          Started.wait();
          throw std::runtime_error("piece 1");
        },
        [&] { Ends.push_back(1); });
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
