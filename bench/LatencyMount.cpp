#include "LatencyMount.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include "BenchRun.h"
#include "BenchSettings.h"

namespace cantrel::bench {

namespace fs = std::filesystem;

namespace {

constexpr auto Pause = std::chrono::milliseconds(10);
// How long the mirror may take to mount, and to end once told to.
constexpr int PatienceSteps = 1000;

// Answers whether the process ended (and reaps it).
bool Ended(pid_t Process) { return waitpid(Process, nullptr, WNOHANG) != 0; }

// The folders of mirrors whose benchmark was killed: rmdir takes only empty
// ones, so a folder another benchmark mounts on now stays.
void RemoveAbandonedFolders(const fs::path& Beside) {
  std::error_code Error;
  for (const fs::directory_entry& Entry : fs::directory_iterator(Beside, Error)) {
    if (Entry.path().filename().string().rfind("cantrel-latencyfs.", 0) != 0) continue;
    for (const fs::directory_entry& Inner : fs::directory_iterator(Entry.path(), Error)) rmdir(Inner.path().c_str());
    rmdir(Entry.path().c_str());
  }
}

}  // namespace

TLatencyMount::TLatencyMount(const fs::path& Source, double DelayMilliseconds) {
  RemoveAbandonedFolders(Source.parent_path());
  std::string Folder = (Source.parent_path() / "cantrel-latencyfs.XXXXXX").string();
  if (!mkdtemp(Folder.data())) throw std::runtime_error("cannot make a folder beside " + Source.string());
  FFolder = Folder;
  FRoot = FFolder / Source.filename();
  try {
    fs::create_directory(FRoot);
    Start(Source, DelayMilliseconds);
    WaitForMount();
  } catch (...) {
    Unmount();
    throw;
  }
}

TLatencyMount::~TLatencyMount() { Unmount(); }

void TLatencyMount::Start(const fs::path& Source, double DelayMilliseconds) {
  const std::string Program = ProgramBeside("cantrel-latencyfs");
  const std::string Delay = std::to_string(DelayMilliseconds);
  const pid_t Parent = getpid();
  FServer = fork();
  if (FServer < 0) throw std::runtime_error("cannot start cantrel-latencyfs");
  if (FServer > 0) return;
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != Parent) _exit(1);
  const int Null = open("/dev/null", O_WRONLY);
  dup2(Null, STDOUT_FILENO);
  dup2(Null, STDERR_FILENO);
  execl(Program.c_str(), Program.c_str(), "--delay", Delay.c_str(), Source.c_str(), FRoot.c_str(),
        static_cast<char*>(nullptr));
  _exit(127);
}

void TLatencyMount::WaitForMount() {
  for (int Step = 0; Step < PatienceSteps; ++Step) {
    if (Ended(FServer)) {
      FServer = -1;
      throw std::runtime_error("cantrel-latencyfs could not mount " + FRoot.string() + " (run it by hand to see why)");
    }
    if (Mounted()) return;
    std::this_thread::sleep_for(Pause);
  }
  throw std::runtime_error("cantrel-latencyfs did not mount " + FRoot.string() + " in time");
}

// A mount has a device of its own, and one whose server is gone cannot even
// be looked at.
bool TLatencyMount::Mounted() const {
  struct stat Folder {}, Mount {};
  if (stat(FFolder.c_str(), &Folder) != 0) return false;
  return stat(FRoot.c_str(), &Mount) != 0 || Mount.st_dev != Folder.st_dev;
}

// SIGTERM, on which the mirror unmounts itself; SIGKILL if it will not end.
void TLatencyMount::StopServer() {
  if (FServer <= 0) return;
  kill(FServer, SIGTERM);
  for (int Step = 0; Step < PatienceSteps; ++Step) {
    if (Ended(FServer)) {
      FServer = -1;
      return;
    }
    std::this_thread::sleep_for(Pause);
  }
  kill(FServer, SIGKILL);
  waitpid(FServer, nullptr, 0);
  FServer = -1;
}

void TLatencyMount::Unmount() {
  StopServer();
  if (Mounted()) RunProgram({"fusermount3", "-u", "-z", FRoot.string()});
  if (Mounted()) RunProgram({"umount", "-l", FRoot.string()});
  if (Mounted()) std::fprintf(stderr, "cantrel-bench: %s is still mounted\n", FRoot.c_str());
  std::error_code Ignored;
  fs::remove(FRoot, Ignored);
  fs::remove(FFolder, Ignored);
}

}  // namespace cantrel::bench
