#pragma once

#include <string>
#include <vector>

namespace cantrel::test {

// Runs a program found on PATH with these arguments (the first is its
// name), its output and errors thrown away, and answers its exit status, or
// -1 when it could not be run or did not exit.
int RunProgram(const std::vector<std::string>& Arguments);

}  // namespace cantrel::test
