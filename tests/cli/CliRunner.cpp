#include "CliRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace cantrel::test {

namespace {

void SetEnvironment(const TCliCall& Call) {
  unsetenv("LC_MESSAGES");
  setenv("LC_ALL", Call.Language.c_str(), 1);
  setenv("LANG", Call.Language.c_str(), 1);
  for (const std::string& Variable : Call.Environment) {
    const auto Equals = Variable.find('=');
    if (Equals == std::string::npos)
      unsetenv(Variable.c_str());
    else
      setenv(Variable.substr(0, Equals).c_str(), Variable.substr(Equals + 1).c_str(), 1);
  }
}

int WaitWithPatience(pid_t Child) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  int Status = 0;
  while (waitpid(Child, &Status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > Deadline) {
      kill(Child, SIGKILL);
      waitpid(Child, &Status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

}  // namespace

TCliResult RunCli(const TTempDir& Scratch, TCliCall Call) {
  const std::string OutPath = Call.Output.empty() ? Scratch.Path() + "stdout" : Call.Output;
  const std::string ErrPath = Scratch.Path() + "stderr";
  std::vector<std::string> Arguments;
  if (Call.Unprivileged) Arguments = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  Arguments.push_back(Call.Program);
  Arguments.insert(Arguments.end(), Call.Arguments.begin(), Call.Arguments.end());
  const pid_t Child = fork();
  if (Child == 0) {
    dup2(open(OutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
    dup2(open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
    SetEnvironment(Call);
    std::vector<char*> Argv;
    for (std::string& Argument : Arguments) Argv.push_back(Argument.data());
    Argv.push_back(nullptr);
    execv(Argv[0], Argv.data());
    _exit(127);
  }
  TCliResult Result;
  Result.Status = WaitWithPatience(Child);
  if (Call.Output.empty()) Result.Out = ReadFileBytes(OutPath);
  Result.Err = ReadFileBytes(ErrPath);
  return Result;
}

void OpenToEveryone(const TTempDir& Dir) { chmod(Dir.Path().c_str(), 0755); }

}  // namespace cantrel::test
