#pragma once

#include <functional>
#include <string>

namespace cantrel::test {

// Runs Body in a child process that permission bits bind even when the
// tests run as root: the child drops CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH
// and CAP_FOWNER, so the owner's bits of root's own files count. Answers
// the text Body answered (by convention empty for success), or one telling
// how the child failed.
std::string RunWithoutOverride(const std::function<std::string()>& Body);

}  // namespace cantrel::test
