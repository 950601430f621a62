#include "Unprivileged.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>

namespace cantrel::test {

namespace {

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

void WriteAll(int Handle, const std::string& Text) {
  for (std::size_t Done = 0; Done < Text.size();) {
    const ssize_t Written = write(Handle, Text.data() + Done, Text.size() - Done);
    if (Written <= 0) return;
    Done += static_cast<std::size_t>(Written);
  }
}

}  // namespace

std::string RunWithoutOverride(const std::function<std::string()>& Body) {
  int Pipe[2];
  if (pipe(Pipe) != 0) return "no pipe";
  const pid_t Child = fork();
  if (Child < 0) return "no child";
  if (Child == 0) {
    close(Pipe[0]);
    std::string Result;
    try {
      Result = DropOverride() ? Body() : "cannot drop the capabilities";
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

}  // namespace cantrel::test
