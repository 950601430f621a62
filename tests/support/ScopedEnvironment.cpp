#include "ScopedEnvironment.h"

#include <cstdlib>

namespace cantrel::test {

TScopedEnvironment::TScopedEnvironment(
    std::initializer_list<std::pair<const char*, std::optional<std::string>>> Variables) {
  for (const auto& [Name, Value] : Variables) {
    const char* Old = std::getenv(Name);
    FSaved.emplace_back(Name, Old ? std::optional<std::string>(Old) : std::nullopt);
    if (Value)
      setenv(Name, Value->c_str(), 1);
    else
      unsetenv(Name);
  }
}

TScopedEnvironment::~TScopedEnvironment() {
  for (auto It = FSaved.rbegin(); It != FSaved.rend(); ++It) {
    if (It->second)
      setenv(It->first.c_str(), It->second->c_str(), 1);
    else
      unsetenv(It->first.c_str());
  }
}

}  // namespace cantrel::test
