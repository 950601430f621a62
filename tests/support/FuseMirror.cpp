#include "FuseMirror.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "RunProgram.h"
#include "Waiting.h"

namespace cantrel::test {

TFuseMirror::TFuseMirror(const std::string& Source, const std::string& Mount, double DelayMs)
    : FMount(Mount), FBusiest(std::filesystem::temp_directory_path() / "cantrel-busiest-XXXXXX") {
  close(mkstemp(FBusiest.data()));
  const std::string Delay = std::to_string(DelayMs);
  FServer = fork();
  if (FServer == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int Null = open("/dev/null", O_WRONLY);
    dup2(Null, STDOUT_FILENO);
    dup2(Null, STDERR_FILENO);
    execl(CANTREL_LATENCYFS_PATH, CANTREL_LATENCYFS_PATH, "--delay", Delay.c_str(), "--busiest", FBusiest.c_str(),
          Source.c_str(), Mount.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  WaitUntil([this] { return Mounted() || waitpid(FServer, nullptr, WNOHANG) != 0; });
}

TFuseMirror::~TFuseMirror() {
  kill(FServer, SIGTERM);
  waitpid(FServer, nullptr, 0);
  if (Mounted()) RunProgram({"fusermount3", "-u", "-z", FMount});
  if (Mounted()) RunProgram({"umount", "-l", FMount});
  unlink(FBusiest.c_str());
}

bool TFuseMirror::Mounted() const {
  struct stat Folder {}, Mount {};
  return stat((FMount + "/..").c_str(), &Folder) == 0 && stat(FMount.c_str(), &Mount) == 0 &&
         Mount.st_dev != Folder.st_dev;
}

unsigned TFuseMirror::MostCallsAtOnce() const {
  unsigned Most = 0;
  std::ifstream(FBusiest) >> Most;
  return Most;
}

}  // namespace cantrel::test
