#include "BenchRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace cantrel::bench {

namespace {

using TClock = std::chrono::steady_clock;

double SecondsOf(const timeval& Time) { return static_cast<double>(Time.tv_sec) + Time.tv_usec / 1e6; }

// The argument vector exec and spawn take, ended by a null pointer.
std::vector<char*> ArgvOf(const std::vector<std::string>& Arguments) {
  std::vector<char*> Result;
  for (const std::string& Argument : Arguments) Result.push_back(const_cast<char*>(Argument.c_str()));
  Result.push_back(nullptr);
  return Result;
}

}  // namespace

bool TRun::Succeeded() const { return WIFEXITED(Status) && WEXITSTATUS(Status) == 0; }

TRun RunProgram(const std::vector<std::string>& Arguments, const std::vector<std::string>& Environment,
                double InterruptAfter, bool Stalled) {
  int Unread[2] = {-1, -1};
  if (Stalled && pipe2(Unread, O_CLOEXEC) != 0) return {};
  const auto Start = TClock::now();
  const pid_t Child = fork();
  if (Child == 0) {
    const int Null = open("/dev/null", O_WRONLY);
    dup2(Stalled ? Unread[1] : Null, STDOUT_FILENO);
    dup2(Null, STDERR_FILENO);
    for (const std::string& Setting : Environment) putenv(const_cast<char*>(Setting.c_str()));
    std::vector<char*> Argv = ArgvOf(Arguments);
    execvp(Argv[0], Argv.data());
    _exit(127);
  }
  if (Stalled) close(Unread[1]);
  TRun Result;
  TClock::time_point Interrupted{};
  if (InterruptAfter > 0) {
    std::this_thread::sleep_for(std::chrono::duration<double>(InterruptAfter));
    Interrupted = TClock::now();
    kill(Child, SIGINT);
  }
  struct rusage Usage {};
  wait4(Child, &Result.Status, 0, &Usage);
  const auto End = TClock::now();
  if (Stalled) close(Unread[0]);
  Result.Seconds = std::chrono::duration<double>(End - Start).count();
  if (InterruptAfter > 0) Result.StopSeconds = std::chrono::duration<double>(End - Interrupted).count();
  Result.CpuSeconds = SecondsOf(Usage.ru_utime) + SecondsOf(Usage.ru_stime);
  Result.PeakKiB = Usage.ru_maxrss;
  return Result;
}

TRun SpawnProgram(const std::vector<std::string>& Arguments) {
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> Argv = ArgvOf(Arguments);
  TRun Result;
  const auto Start = TClock::now();
  pid_t Child = -1;
  const int Failed = posix_spawnp(&Child, Argv[0], &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  if (Failed != 0) {
    Result.Status = 127 << 8;
    return Result;
  }
  struct rusage Usage {};
  wait4(Child, &Result.Status, 0, &Usage);
  Result.Seconds = std::chrono::duration<double>(TClock::now() - Start).count();
  Result.CpuSeconds = SecondsOf(Usage.ru_utime) + SecondsOf(Usage.ru_stime);
  return Result;
}

TRun BestOf(int Runs, const std::vector<std::string>& Arguments, const std::vector<std::string>& Environment,
            const std::function<void()>& BeforeEach) {
  TRun Best;
  for (int I = 0; I < Runs; ++I) {
    if (BeforeEach) BeforeEach();
    const TRun Next = RunProgram(Arguments, Environment);
    if (I == 0 || Next.Seconds < Best.Seconds) Best = Next;
  }
  return Best;
}

}  // namespace cantrel::bench
