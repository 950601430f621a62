#pragma once

#include <vector>

#include "runtime/Strings.h"

namespace cantrel::test {

// The lines of a list, for comparing with an expected vector.
inline std::vector<String> LinesOf(const TStrings& List) {
  std::vector<String> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List[I]);
  return Result;
}

}  // namespace cantrel::test
