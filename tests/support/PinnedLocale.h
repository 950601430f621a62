#pragma once

#include <string>

#include "runtime/Locale.h"

namespace cantrel::test {

// Pins the user's locale for a test, whatever the environment says, and
// gives it back to the environment afterwards.
class TPinnedLocale {
public:
  explicit TPinnedLocale(const std::string& Name) { SetUserLocaleName(Name); }
  ~TPinnedLocale() { SetUserLocaleName(""); }
  TPinnedLocale(const TPinnedLocale&) = delete;
  TPinnedLocale& operator=(const TPinnedLocale&) = delete;
};

}  // namespace cantrel::test
