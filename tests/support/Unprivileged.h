#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace cantrel::test {

struct TChildResult {
  // The exit status, or -1 when the child did not exit.
  int Status = -1;
  // Its standard output and error together.
  std::string Output;
};

// Runs Program with Arguments, and with Environment added to this process's
// environment, so that permission bits hold for it: run as root (as CI is),
// the child drops to the user and group 65534 without supplementary groups
// and so loses every capability; otherwise it runs as this user.
TChildResult RunUnprivileged(const std::string& Program, const std::vector<std::string>& Arguments,
                             const std::vector<std::pair<std::string, std::string>>& Environment = {});

// In a forked child about to exec: as root, drops to the user and group
// 65534 without supplementary groups, losing every capability; as any other
// user, stays. Only system calls, so it is safe after a fork. Answers false
// when the drop failed.
bool DropToNobody();

// Runs Body in a forked child that permission bits bind even when the tests
// run as root: the child drops CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and
// CAP_FOWNER, so the owner's bits of root's own files count. For a process
// without other threads. Answers the text Body answered (by convention
// empty for success), or one telling how the child failed.
std::string RunWithoutOverride(const std::function<std::string()>& Body);

}  // namespace cantrel::test
