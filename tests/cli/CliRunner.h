#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "TempDir.h"

namespace cantrel::test {

// One run of cantrel-cli as a child process, without a terminal.
struct TCliCall {
  std::vector<std::string> Arguments{};
  // LC_ALL and LANG of the child.
  std::string Language = "C";
  std::string Program = CANTREL_CLI_PATH;
  // Standard output goes here when set (such as /dev/full), else to a file.
  std::string Output{};
  // Runs as user and group 65534, to whom permission bits apply (when the
  // tests run as root).
  bool Unprivileged = false;
  // "NAME=value" sets a variable, "NAME" removes it.
  std::vector<std::string> Environment{};
  // The folder it runs in, when not this one; it may lie deeper than a
  // path can name.
  std::string Directory{};
  // The child's limit on open files, soft and hard; 0 leaves it as it is.
  int OpenFiles = 0;
};

struct TCliResult {
  // The exit status; -1 for a run killed by a signal or after two minutes.
  int Status = -1;
  std::string Out;
  std::string Err;
};

// A run started and not yet waited for, for a test that acts on it meanwhile.
class TCliProcess {
public:
  TCliProcess(const TTempDir& Scratch, TCliCall Call);
  TCliProcess(const TCliProcess&) = delete;
  TCliProcess& operator=(const TCliProcess&) = delete;

  pid_t Pid() const { return FChild; }
  TCliResult Wait();

private:
  std::string FOutPath;
  std::string FErrPath;
  bool FKeepOutput;
  pid_t FChild = -1;
};

TCliResult RunCli(const TTempDir& Scratch, TCliCall Call);
inline TCliResult RunCli(const TTempDir& Scratch, std::vector<std::string> Arguments, std::string Language = "C") {
  return RunCli(Scratch, TCliCall{.Arguments = std::move(Arguments), .Language = std::move(Language)});
}

// Opens a test folder to the unprivileged user: mkdtemp makes it 0700.
void OpenToEveryone(const TTempDir& Dir);

// A C library the programs may meet: its locales, and so the language of
// the system's error texts, differ from machine to machine.
struct TCLibrary {
  const char* Name;
  // Added to a child's environment ("LOCPATH=...").
  std::vector<std::string> Environment;
};
// The machine's own C library, and the same with a German locale the test
// builds in Scratch (localedef), so that a test of messages sees German
// system texts whatever locales the machine has.
std::vector<TCLibrary> CLibraries(const TTempDir& Scratch);
// The system's text for Error (strerror) as a program running under
// Language with Library shows it.
std::string SystemText(int Error, const std::string& Language, const TCLibrary& Library);

}  // namespace cantrel::test
