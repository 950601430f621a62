#include "CliRunner.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <thread>

#include "RunProgram.h"
#include "Unprivileged.h"

extern char** environ;

namespace cantrel::test {

namespace {

// The child's environment: this one, with the call's language and changes.
std::vector<std::string> ChildEnvironment(const TCliCall& Call) {
  std::vector<std::string> Changes = {"LC_MESSAGES", "LC_ALL=" + Call.Language, "LANG=" + Call.Language};
  Changes.insert(Changes.end(), Call.Environment.begin(), Call.Environment.end());
  std::vector<std::string> Variables;
  for (char** Variable = environ; *Variable; ++Variable) Variables.emplace_back(*Variable);
  for (const std::string& Change : Changes) {
    const std::string Name = Change.substr(0, Change.find('='));
    std::erase_if(Variables, [&](const std::string& Variable) { return Variable.starts_with(Name + "="); });
    if (Change.size() > Name.size()) Variables.push_back(Change);
  }
  return Variables;
}

std::vector<char*> Pointers(std::vector<std::string>& Texts) {
  std::vector<char*> Result;
  for (std::string& Text : Texts) Result.push_back(Text.data());
  Result.push_back(nullptr);
  return Result;
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
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

}  // namespace

TCliProcess::TCliProcess(const TTempDir& Scratch, TCliCall Call)
    : FOutPath(Call.Output.empty() ? Scratch.Path() + "stdout" : Call.Output),
      FErrPath(Scratch.Path() + "stderr"),
      FKeepOutput(Call.Output.empty()) {
  // Everything is made before the fork; the program is opened while still
  // privileged, for a checkout the unprivileged user cannot pass through.
  std::vector<std::string> Arguments{Call.Program};
  Arguments.insert(Arguments.end(), Call.Arguments.begin(), Call.Arguments.end());
  std::vector<std::string> Environment = ChildEnvironment(Call);
  const std::vector<char*> Argv = Pointers(Arguments);
  const std::vector<char*> Envp = Pointers(Environment);
  // The way into the folder, a piece at a time.
  std::vector<std::string> Pieces;
  for (std::size_t Start = 0; Start < Call.Directory.size();) {
    const std::size_t End = std::min(Call.Directory.find('/', Start), Call.Directory.size());
    Pieces.push_back(End == 0 ? "/" : Call.Directory.substr(Start, End - Start));
    Start = End + 1;
  }
  const int Program = open(Call.Program.c_str(), O_RDONLY | O_CLOEXEC);
  const int Out = open(FOutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int Err = open(FErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  FChild = fork();
  if (FChild == 0) {
    dup2(Out, STDOUT_FILENO);
    dup2(Err, STDERR_FILENO);
    for (const std::string& Piece : Pieces)
      if (!Piece.empty() && chdir(Piece.c_str()) != 0) _exit(125);
    if (Call.Unprivileged && !DropToNobody()) _exit(126);
    const rlimit OpenFiles{static_cast<rlim_t>(Call.OpenFiles), static_cast<rlim_t>(Call.OpenFiles)};
    if (Call.OpenFiles > 0 && setrlimit(RLIMIT_NOFILE, &OpenFiles) != 0) _exit(124);
    fexecve(Program, Argv.data(), Envp.data());
    _exit(127);
  }
  for (const int Handle : {Program, Out, Err}) close(Handle);
}

TCliResult TCliProcess::Wait() {
  TCliResult Result;
  Result.Status = WaitWithPatience(FChild);
  if (FKeepOutput) Result.Out = ReadFileBytes(FOutPath);
  Result.Err = ReadFileBytes(FErrPath);
  return Result;
}

TCliResult RunCli(const TTempDir& Scratch, TCliCall Call) { return TCliProcess(Scratch, std::move(Call)).Wait(); }

void OpenToEveryone(const TTempDir& Dir) { chmod(Dir.Path().c_str(), 0755); }

std::vector<TCLibrary> CLibraries(const TTempDir& Scratch) {
  const std::string Locales = Scratch.Path() + "loc/";
  std::filesystem::create_directories(Locales);
  RunProgram({"localedef", "-i", "de_DE", "-f", "UTF-8", Locales + "de_DE.UTF-8"});
  return {{"the machine's", {}}, {"with German built in", {"LOCPATH=" + Locales}}};
}

std::string SystemText(int Error, const std::string& Language, const TCLibrary& Library) {
  // Asked in a child: the C library keeps for good what LOCPATH made it load.
  int Pipe[2];
  if (pipe2(Pipe, O_CLOEXEC) != 0) return strerror(Error);
  const pid_t Child = fork();
  if (Child == 0) {
    for (const std::string& Setting : Library.Environment) putenv(const_cast<char*>(Setting.c_str()));
    const locale_t Locale = newlocale(LC_ALL_MASK, Language.c_str(), nullptr);
    const char* Text = Locale ? strerror_l(Error, Locale) : strerror(Error);
    _exit(write(Pipe[1], Text, std::strlen(Text)) < 0);
  }
  close(Pipe[1]);
  std::string Text;
  char Buffer[256];
  for (ssize_t Read; (Read = read(Pipe[0], Buffer, sizeof Buffer)) > 0;) Text.append(Buffer, static_cast<std::size_t>(Read));
  close(Pipe[0]);
  waitpid(Child, nullptr, 0);
  return Text;
}

}  // namespace cantrel::test
