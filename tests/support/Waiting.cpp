#include "Waiting.h"

#include <chrono>
#include <thread>

#include "runtime/Thread.h"

namespace cantrel::test {

namespace {

constexpr auto Patience = std::chrono::seconds(60);

bool Until(const std::function<bool()>& Done, const std::function<void()>& Step) {
  const auto Deadline = std::chrono::steady_clock::now() + Patience;
  while (!Done()) {
    if (std::chrono::steady_clock::now() > Deadline) return false;
    Step();
  }
  return true;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& Done) {
  return Until(Done, [] { CheckSynchronize(50); });
}

bool WaitUntil(const std::function<bool()>& Done) {
  return Until(Done, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
}

}  // namespace cantrel::test
