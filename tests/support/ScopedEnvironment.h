#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cantrel::test {

// Sets environment variables for its lifetime; nullopt unsets one.
class TScopedEnvironment {
public:
  TScopedEnvironment(std::initializer_list<std::pair<const char*, std::optional<std::string>>> Variables);
  ~TScopedEnvironment();
  TScopedEnvironment(const TScopedEnvironment&) = delete;
  TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
  std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

}  // namespace cantrel::test
