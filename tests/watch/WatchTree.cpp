// What the watch tests share: a watching cantrel-cli and trees compared whole.
#include "WatchTree.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "Waiting.h"

namespace cantrel::test {

namespace {

std::string FileBytes(const std::filesystem::path& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << File.rdbuf();
  return Bytes.str();
}

std::vector<std::string> UpToDateLines(const std::string& Errors) {
  std::vector<std::string> Lines;
  std::istringstream Text(Errors);
  for (std::string Line; std::getline(Text, Line);)
    if (Line.starts_with("up to date: ")) Lines.push_back(Line);
  return Lines;
}

}  // namespace

std::map<std::string, std::string> TreeContents(const std::string& Root) {
  std::map<std::string, std::string> Contents;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Root)) {
    const std::string Relative = std::filesystem::relative(Entry.path(), Root).string();
    if (Entry.is_symlink())
      Contents[Relative] = "<link>" + std::filesystem::read_symlink(Entry.path()).string();
    else if (Entry.is_directory())
      Contents[Relative] = "<folder>";
    else
      Contents[Relative] = FileBytes(Entry.path());
  }
  return Contents;
}

void CopyWithout(const std::string& From, const std::string& To, const std::string& Extension) {
  std::filesystem::create_directories(To);
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(From)) {
    const std::filesystem::path Target = To / std::filesystem::relative(Entry.path(), From);
    if (Entry.is_directory())
      std::filesystem::create_directories(Target);
    else if (!Entry.path().string().ends_with(Extension))
      std::filesystem::copy_file(Entry.path(), Target);
  }
}

TWatchRun::TWatchRun(const TTempDir& Scratch, std::vector<std::string> Arguments, std::vector<std::string> Environment,
                     std::string Program)
    : FErrPath(Scratch.Path() + "stderr"),
      FProcess(Scratch, {.Arguments = std::move(Arguments), .Program = std::move(Program),
                         .Environment = std::move(Environment)}) {}

TWatchRun::~TWatchRun() {
  if (!FWaited) Stop(SIGKILL);
}

std::string TWatchRun::UpToDate(int Count) {
  std::vector<std::string> Lines;
  WaitUntil([&] {
    Lines = UpToDateLines(Errors());
    siginfo_t Ended{};
    return static_cast<int>(Lines.size()) >= Count ||
           (waitid(P_PID, static_cast<id_t>(FProcess.Pid()), &Ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            Ended.si_pid != 0);
  });
  return static_cast<int>(Lines.size()) >= Count ? Lines[static_cast<std::size_t>(Count - 1)] : std::string();
}

std::string TWatchRun::NextUpToDate() { return UpToDate(static_cast<int>(UpToDateLines(Errors()).size()) + 1); }

std::string TWatchRun::Errors() const { return FileBytes(FErrPath); }

TCliResult TWatchRun::Stop(int Signal) {
  kill(FProcess.Pid(), Signal);
  return Wait();
}

TCliResult TWatchRun::Wait() {
  FWaited = true;
  return FProcess.Wait();
}

}  // namespace cantrel::test
