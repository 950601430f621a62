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

// What RunInOwnMounts answers when the machine gives a test no mount
// namespace of its own.
inline constexpr const char* NoOwnMounts = "no mount namespace of its own";

// Runs Body in a forked child with a mount namespace of its own, as root
// there: real root, or root of a new user namespace that maps this user.
// Whatever Body mounts (a small tmpfs) goes with the child. Body may call
// DropOverride to be bound by permission bits there. For a process without
// other threads. Answers what Body answered, or NoOwnMounts.
std::string RunInOwnMounts(const std::function<std::string()>& Body);

// Drops CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and CAP_FOWNER from this
// process; false when it cannot.
bool DropOverride();

}  // namespace cantrel::test
