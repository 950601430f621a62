#include "runtime/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/Paths.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

class TFileDescriptor {
public:
  explicit TFileDescriptor(int Handle) : FHandle(Handle) {}
  ~TFileDescriptor() {
    if (FHandle >= 0) close(FHandle);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;

  int Handle() const { return FHandle; }
  // Closes now, answering the errno of a failed close or 0.
  int Close() {
    const int Result = close(FHandle) == 0 ? 0 : errno;
    FHandle = -1;
    return Result;
  }

private:
  int FHandle;
};

bool ReadWhole(int Handle, std::string& Bytes, std::size_t Limit) {
  char Buffer[65536];
  for (;;) {
    const ssize_t Read = read(Handle, Buffer, sizeof Buffer);
    if (Read < 0 && errno == EINTR) continue;
    if (Read < 0) return false;
    if (Read == 0) return true;
    Bytes.append(Buffer, static_cast<std::size_t>(Read));
    if (Bytes.size() > Limit) return false;
  }
}

bool HoldsExactly(const std::string& Path, std::string_view Bytes, const struct stat& Info) {
  if (!S_ISREG(Info.st_mode) || static_cast<std::size_t>(Info.st_size) != Bytes.size()) return false;
  TFileDescriptor File(open(Path.c_str(), O_RDONLY | O_CLOEXEC));
  if (File.Handle() < 0) return false;
  std::string Present;
  Present.reserve(Bytes.size());
  return ReadWhole(File.Handle(), Present, Bytes.size()) && Present == Bytes;
}

int WriteAll(int Handle, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t Written = write(Handle, Bytes.data(), Bytes.size());
    if (Written < 0 && errno == EINTR) continue;
    if (Written < 0) return errno;
    Bytes.remove_prefix(static_cast<std::size_t>(Written));
  }
  return 0;
}

// Creates a fresh file beside Path; the kernel applies the umask to 0666.
int CreateTemporary(const std::string& Path, std::string& Temporary) {
  static std::atomic<unsigned> Counter{0};
  const auto Folder = Path.substr(0, Path.rfind('/') + 1);
  const auto Name = Path.substr(Folder.size());
  for (int Attempt = 0;; ++Attempt) {
    Temporary = Folder + "." + Name + "." + std::to_string(getpid()) + "." + std::to_string(Counter++) + ".tmp";
    const int Handle = open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Handle >= 0 || errno != EEXIST || Attempt == 100) return Handle;
  }
}

[[noreturn]] void RaiseCreateError(const String& FileName, int ErrorCode) {
  throw EFCreateError(&SFCreateErrorEx, {FileName, SysErrorMessage(ErrorCode)});
}

}  // namespace

void WriteFileAtomically(const String& FileName, std::string_view Bytes) {
  const std::string Path = SystemFileName(FileName);
  struct stat Present {};
  const bool Exists = stat(Path.c_str(), &Present) == 0;
  if (Exists && HoldsExactly(Path, Bytes, Present)) return;

  std::string Temporary;
  TFileDescriptor File(CreateTemporary(Path, Temporary));
  if (File.Handle() < 0) RaiseCreateError(FileName, errno);

  int ErrorCode = WriteAll(File.Handle(), Bytes);
  if (ErrorCode == 0 && Exists && fchmod(File.Handle(), Present.st_mode & 07777) != 0) ErrorCode = errno;
  if (const int CloseError = File.Close(); ErrorCode == 0) ErrorCode = CloseError;
  if (ErrorCode == 0 && rename(Temporary.c_str(), Path.c_str()) != 0) ErrorCode = errno;
  if (ErrorCode != 0) {
    unlink(Temporary.c_str());
    RaiseCreateError(FileName, ErrorCode);
  }
}

}  // namespace cantrel
