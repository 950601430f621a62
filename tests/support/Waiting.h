#pragma once

#include <functional>

namespace cantrel::test {

// Both give up after a minute, a guard against a hang: no test relies on
// the limit for its result. Both answer whether Done came to hold.

// Runs the main thread's hand-over until Done holds.
bool PumpUntil(const std::function<bool()>& Done);
// Waits without running the hand-over.
bool WaitUntil(const std::function<bool()>& Done);

}  // namespace cantrel::test
