// cantrel-latencyfs: mirrors a folder read-only through FUSE and answers each
// lookup, getattr, opendir and readdir only after a fixed delay, as a network
// share without client caching would. The kernel keeps nothing (timeouts 0,
// no readdir or page cache), so every call pays; calls are served by many
// threads at once, so a client that reads folders in parallel gains as it
// would on a real share.
#define FUSE_USE_VERSION 314
#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TMirror {
  // The mirrored folder, opened once: every path is looked up below it.
  int Source = -1;
  std::chrono::duration<double, std::milli> Delay{1.0};
  // Where the most calls ever waited at once is written, when asked: how a
  // test sees that a client reads in parallel.
  int Busiest = -1;
  std::mutex BusiestLock;
  int Waiting = 0;
  int MostWaiting = 0;
};

TMirror& Mirror() { return *static_cast<TMirror*>(fuse_get_context()->private_data); }

// A path as FUSE hands it ("/", "/a/b") relative to the source folder.
const char* Relative(const char* Path) { return Path[1] == '\0' ? "." : Path + 1; }

void CountWaiting(TMirror& State, int Change) {
  std::lock_guard Guard(State.BusiestLock);
  State.Waiting += Change;
  if (State.Waiting <= State.MostWaiting) return;
  State.MostWaiting = State.Waiting;
  const std::string Figure = std::to_string(State.MostWaiting) + "\n";
  if (pwrite(State.Busiest, Figure.data(), Figure.size(), 0) < 0) std::perror("--busiest");
}

// The round trip a share would take for one call.
void Wait() {
  TMirror& State = Mirror();
  if (State.Busiest >= 0) CountWaiting(State, 1);
  std::this_thread::sleep_for(State.Delay);
  if (State.Busiest >= 0) CountWaiting(State, -1);
}

int Result(int Status) { return Status < 0 ? -errno : 0; }

DIR* Directory(const fuse_file_info* File) { return reinterpret_cast<DIR*>(static_cast<std::uintptr_t>(File->fh)); }

void* Init(fuse_conn_info* Connection, fuse_config* Config) {
  Config->entry_timeout = 0;
  Config->attr_timeout = 0;
  Config->negative_timeout = 0;
  Config->use_ino = 1;
  Config->kernel_cache = 0;
  Config->auto_cache = 0;
  // Plain readdir: a listing brings no attributes along, each stat is a lookup.
  Connection->want &= ~(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
  return fuse_get_context()->private_data;
}

int GetAttr(const char* Path, struct stat* Info, fuse_file_info*) {
  Wait();
  return Result(fstatat(Mirror().Source, Relative(Path), Info, AT_SYMLINK_NOFOLLOW));
}

int ReadLink(const char* Path, char* Buffer, std::size_t Size) {
  const ssize_t Length = readlinkat(Mirror().Source, Relative(Path), Buffer, Size - 1);
  if (Length < 0) return -errno;
  Buffer[Length] = '\0';
  return 0;
}

int Open(const char* Path, fuse_file_info* File) {
  if ((File->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  const int Handle = openat(Mirror().Source, Relative(Path), O_RDONLY | O_CLOEXEC);
  if (Handle < 0) return -errno;
  File->fh = static_cast<std::uint64_t>(Handle);
  return 0;
}

int Read(const char*, char* Buffer, std::size_t Size, off_t Offset, fuse_file_info* File) {
  const ssize_t Count = pread(static_cast<int>(File->fh), Buffer, Size, Offset);
  return Count < 0 ? -errno : static_cast<int>(Count);
}

int Release(const char*, fuse_file_info* File) { return Result(close(static_cast<int>(File->fh))); }

int StatFs(const char*, struct statvfs* Info) { return Result(fstatvfs(Mirror().Source, Info)); }

int OpenDir(const char* Path, fuse_file_info* File) {
  Wait();
  const int Handle = openat(Mirror().Source, Relative(Path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Handle < 0) return -errno;
  DIR* Listing = fdopendir(Handle);
  if (!Listing) {
    const int Error = errno;
    close(Handle);
    return -Error;
  }
  File->fh = reinterpret_cast<std::uintptr_t>(Listing);
  return 0;
}

// The whole folder in one call, with each entry's inode and type, as a
// share's listing reply carries them.
int ReadDir(const char*, void* Buffer, fuse_fill_dir_t Fill, off_t, fuse_file_info* File, fuse_readdir_flags) {
  Wait();
  DIR* Listing = Directory(File);
  rewinddir(Listing);
  for (;;) {
    errno = 0;
    const dirent* Entry = readdir(Listing);
    if (!Entry) return -errno;
    struct stat Info {};
    Info.st_ino = Entry->d_ino;
    Info.st_mode = DTTOIF(Entry->d_type);
    if (Fill(Buffer, Entry->d_name, &Info, 0, fuse_fill_dir_flags{}) != 0) return -ENOMEM;
  }
}

int ReleaseDir(const char*, fuse_file_info* File) { return Result(closedir(Directory(File))); }

fuse_operations Operations() {
  fuse_operations Result{};
  Result.init = Init;
  Result.getattr = GetAttr;
  Result.readlink = ReadLink;
  Result.open = Open;
  Result.read = Read;
  Result.release = Release;
  Result.statfs = StatFs;
  Result.opendir = OpenDir;
  Result.readdir = ReadDir;
  Result.releasedir = ReleaseDir;
  return Result;
}

[[noreturn]] void Usage(const char* Program) {
  std::fprintf(stderr,
               "usage: %s [--delay MS] [--busiest FILE] SOURCE MOUNTPOINT [FUSE options]\n"
               "  mirrors SOURCE read-only at MOUNTPOINT, each lookup, getattr, opendir and\n"
               "  readdir answered after MS milliseconds (1; fractions allowed); stays in the\n"
               "  foreground and unmounts on SIGINT or SIGTERM; with --busiest, FILE holds\n"
               "  the most calls that ever waited at once\n",
               Program);
  std::exit(2);
}

}  // namespace

int main(int Argc, char** Argv) {
  TMirror State;
  int Next = 1;
  if (Next + 1 < Argc && std::string(Argv[Next]) == "--delay") {
    char* End = nullptr;
    const double Milliseconds = std::strtod(Argv[Next + 1], &End);
    if (*End != '\0' || !(Milliseconds >= 0)) Usage(Argv[0]);
    State.Delay = std::chrono::duration<double, std::milli>(Milliseconds);
    Next += 2;
  }
  if (Next + 1 < Argc && std::string(Argv[Next]) == "--busiest") {
    State.Busiest = open(Argv[Next + 1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (State.Busiest < 0) {
      std::perror(Argv[Next + 1]);
      return 1;
    }
    Next += 2;
  }
  if (Argc - Next < 2) Usage(Argv[0]);
  State.Source = open(Argv[Next], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (State.Source < 0) {
    std::perror(Argv[Next]);
    return 1;
  }
  // Enough threads that a client with many readers never waits for one
  // (libfuse's default is 10).
  std::vector<std::string> Arguments{Argv[0], Argv[Next + 1], "-f", "-o",
                                     "ro,fsname=cantrel-latencyfs,subtype=cantrel-latencyfs,max_threads=64"};
  for (int I = Next + 2; I < Argc; ++I) Arguments.emplace_back(Argv[I]);
  std::vector<char*> FuseArgv;
  for (std::string& Argument : Arguments) FuseArgv.push_back(Argument.data());
  // libfuse unmounts on these only where they are not ignored, as they are
  // in a job a shell put in the background.
  for (const int Signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(Signal, SIG_DFL);
  const fuse_operations Calls = Operations();
  return fuse_main(static_cast<int>(FuseArgv.size()), FuseArgv.data(), &Calls, &State);
}
