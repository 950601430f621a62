#include "Unprivileged.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>

extern char** environ;

namespace cantrel::test {

namespace {

constexpr uid_t Nobody = 65534;

std::vector<char*> Pointers(std::vector<std::string>& Texts) {
  std::vector<char*> Result;
  for (std::string& Text : Texts) Result.push_back(Text.data());
  Result.push_back(nullptr);
  return Result;
}

void WriteAll(int Handle, const std::string& Text) {
  for (std::size_t Done = 0; Done < Text.size();) {
    const ssize_t Written = write(Handle, Text.data() + Done, Text.size() - Done);
    if (Written <= 0) return;
    Done += static_cast<std::size_t>(Written);
  }
}

bool WriteText(const char* Path, const std::string& Text) {
  const int Handle = open(Path, O_WRONLY | O_CLOEXEC);
  if (Handle < 0) return false;
  const bool Written = write(Handle, Text.data(), Text.size()) == static_cast<ssize_t>(Text.size());
  close(Handle);
  return Written;
}

// Runs Body in a forked child and answers the text it answered, or one
// telling how the child failed.
std::string RunInChild(const std::function<std::string()>& Body) {
  int Pipe[2];
  if (pipe(Pipe) != 0) return "no pipe";
  const pid_t Child = fork();
  if (Child < 0) return "no child";
  if (Child == 0) {
    close(Pipe[0]);
    std::string Result;
    try {
      Result = Body();
    } catch (const std::exception& Error) {
      Result = std::string("exception: ") + Error.what();
    }
    WriteAll(Pipe[1], Result);
    _exit(0);
  }
  close(Pipe[1]);
  std::string Result;
  char Buffer[4096];
  for (ssize_t Read; (Read = read(Pipe[0], Buffer, sizeof Buffer)) > 0;) Result.append(Buffer, static_cast<std::size_t>(Read));
  close(Pipe[0]);
  int Status = 0;
  waitpid(Child, &Status, 0);
  if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) return "the child did not finish";
  return Result;
}

}  // namespace

bool DropToNobody() {
  return geteuid() != 0 ||
         (setgroups(0, nullptr) == 0 && setresgid(Nobody, Nobody, Nobody) == 0 && setresuid(Nobody, Nobody, Nobody) == 0);
}

TChildResult RunUnprivileged(const std::string& Program, const std::vector<std::string>& Arguments,
                             const std::vector<std::pair<std::string, std::string>>& Environment) {
  // Everything the child needs is made before the fork: after it, a child of
  // a threaded process may only make system calls.
  std::vector<std::string> Argv{Program};
  Argv.insert(Argv.end(), Arguments.begin(), Arguments.end());
  std::vector<std::string> Envp;
  for (char** Variable = environ; *Variable; ++Variable) Envp.emplace_back(*Variable);
  for (const auto& [Name, Value] : Environment) Envp.push_back(Name + "=" + Value);
  const std::vector<char*> ArgvPointers = Pointers(Argv);
  const std::vector<char*> EnvpPointers = Pointers(Envp);

  TChildResult Result;
  // Opened while still privileged: the checkout may lie below a folder
  // (such as /root) that the unprivileged user cannot pass through.
  const int ProgramFd = open(Program.c_str(), O_RDONLY | O_CLOEXEC);
  int Pipe[2];
  if (ProgramFd < 0 || pipe(Pipe) != 0) return Result;
  const pid_t Child = fork();
  if (Child == 0) {
    close(Pipe[0]);
    dup2(Pipe[1], STDOUT_FILENO);
    dup2(Pipe[1], STDERR_FILENO);
    if (!DropToNobody()) _exit(126);
    fexecve(ProgramFd, ArgvPointers.data(), EnvpPointers.data());
    _exit(127);
  }
  close(ProgramFd);
  close(Pipe[1]);
  char Buffer[4096];
  for (ssize_t Read; (Read = read(Pipe[0], Buffer, sizeof Buffer)) > 0;) Result.Output.append(Buffer, Read);
  close(Pipe[0]);
  int Status = 0;
  if (Child > 0 && waitpid(Child, &Status, 0) == Child && WIFEXITED(Status)) Result.Status = WEXITSTATUS(Status);
  return Result;
}

bool DropOverride() {
  __user_cap_header_struct Header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct Data[_LINUX_CAPABILITY_U32S_3] = {};
  if (syscall(SYS_capget, &Header, Data) != 0) return false;
  const __u32 Mask = ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
  for (auto& Set : Data) {
    Set.effective &= Mask;
    Set.permitted &= Mask;
    Set.inheritable &= Mask;
  }
  return syscall(SYS_capset, &Header, Data) == 0;
}

std::string RunWithoutOverride(const std::function<std::string()>& Body) {
  return RunInChild([&] { return DropOverride() ? Body() : "cannot drop the capabilities"; });
}

std::string RunInOwnMounts(const std::function<std::string()>& Body) {
  // Made before the fork: the child only makes system calls until Body.
  const std::string UserMap = "0 " + std::to_string(geteuid()) + " 1";
  const std::string GroupMap = "0 " + std::to_string(getegid()) + " 1";
  return RunInChild([&] {
    const bool Root = geteuid() == 0;
    const bool Own = Root ? unshare(CLONE_NEWNS) == 0
                          : unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && WriteText("/proc/self/setgroups", "deny") &&
                                WriteText("/proc/self/uid_map", UserMap) && WriteText("/proc/self/gid_map", GroupMap);
    // Nothing mounted here reaches the namespace the tests run in.
    if (!Own || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return std::string(NoOwnMounts);
    return Body();
  });
}

}  // namespace cantrel::test
