#include "runtime/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <random>
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

[[noreturn]] void RaiseCreateError(const String& FileName, const String& Reason) {
  throw EFCreateError(&SFCreateErrorEx, {FileName, Reason});
}

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

std::string FolderOf(const std::string& Path) { return Path.substr(0, Path.rfind('/') + 1); }

std::string RealPath(const std::string& Path) {
  const std::unique_ptr<char, decltype(&std::free)> Resolved(realpath(Path.empty() ? "." : Path.c_str(), nullptr),
                                                              &std::free);
  return Resolved ? std::string(Resolved.get()) : std::string();
}

// Follows a chain of symbolic links to the file they name, which need not
// exist; its folder is given without links. Empty when that folder cannot
// be resolved.
std::string LinkTarget(const std::string& Path, int& ErrorCode) {
  std::string Current = Path;
  for (int Hop = 0;; ++Hop) {
    if (Hop == 40) {
      ErrorCode = ELOOP;
      return {};
    }
    char Buffer[PATH_MAX];
    const ssize_t Length = readlink(Current.c_str(), Buffer, sizeof Buffer);
    if (Length < 0) break;
    const std::string Next(Buffer, static_cast<std::size_t>(Length));
    Current = Next.starts_with('/') ? Next : FolderOf(Current) + Next;
  }
  if (std::string Whole = RealPath(Current); !Whole.empty()) return Whole;
  const std::string Folder = RealPath(FolderOf(Current));
  if (Folder.empty()) {
    ErrorCode = errno;
    return {};
  }
  return (Folder == "/" ? Folder : Folder + "/") + Current.substr(FolderOf(Current).size());
}

bool LiesInside(const std::string& Path, const std::string& Folder) {
  return !Folder.empty() && (Folder == "/" || Path.starts_with(Folder + "/"));
}

// A new file beside Path with a short name that cannot collide with the
// longest name the folder may hold; the kernel applies the umask to 0666.
int CreateTemporary(const std::string& Path, std::string& Temporary) {
  static constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 Random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> Pick(0, Letters.size() - 1);
  for (int Attempt = 0;; ++Attempt) {
    Temporary = FolderOf(Path) + ".cantrel-";
    for (int I = 0; I < 6; ++I) Temporary += Letters[Pick(Random)];
    const int Handle = open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Handle >= 0 || errno != EEXIST || Attempt == 100) return Handle;
  }
}

// Writes Bytes into the existing file itself, for a folder where no new file
// may be made.
int OverwriteInPlace(const std::string& Path, std::string_view Bytes) {
  TFileDescriptor File(open(Path.c_str(), O_WRONLY | O_CLOEXEC));
  if (File.Handle() < 0) return errno;
  int ErrorCode = WriteAll(File.Handle(), Bytes);
  if (ErrorCode == 0 && ftruncate(File.Handle(), static_cast<off_t>(Bytes.size())) != 0) ErrorCode = errno;
  const int CloseError = File.Close();
  return ErrorCode != 0 ? ErrorCode : CloseError;
}

// Writes Bytes to a temporary file beside Path, with the present file's
// mode, and renames it over Path; answers the errno of a failure or 0.
int Replace(const std::string& Path, std::string_view Bytes, const struct stat* Present, bool InPlaceFallback) {
  std::string Temporary;
  TFileDescriptor File(CreateTemporary(Path, Temporary));
  if (File.Handle() < 0) {
    const int ErrorCode = errno;
    const bool FolderRefuses = ErrorCode == EACCES || ErrorCode == EPERM;
    if (InPlaceFallback && FolderRefuses && Present && S_ISREG(Present->st_mode))
      return OverwriteInPlace(Path, Bytes);
    return ErrorCode;
  }
  int ErrorCode = WriteAll(File.Handle(), Bytes);
  if (ErrorCode == 0 && Present && fchmod(File.Handle(), Present->st_mode & 07777) != 0) ErrorCode = errno;
  if (const int CloseError = File.Close(); ErrorCode == 0) ErrorCode = CloseError;
  if (ErrorCode == 0 && rename(Temporary.c_str(), Path.c_str()) != 0) ErrorCode = errno;
  if (ErrorCode != 0) unlink(Temporary.c_str());
  return ErrorCode;
}

}  // namespace

void WriteFileAtomically(const String& FileName, std::string_view Bytes) {
  const std::string Path = SystemFileName(FileName);
  struct stat Present {};
  const bool Exists = stat(Path.c_str(), &Present) == 0;
  if (Exists && HoldsExactly(Path, Bytes, Present)) return;
  if (const int ErrorCode = Replace(Path, Bytes, Exists ? &Present : nullptr, false); ErrorCode != 0)
    RaiseCreateError(FileName, SysErrorMessage(ErrorCode));
}

void ReplaceUserFile(const String& FileName, std::string_view Bytes, const String& Folder) {
  std::string Path = SystemFileName(FileName);
  struct stat Present {};
  if (lstat(Path.c_str(), &Present) == 0 && S_ISLNK(Present.st_mode)) {
    int ErrorCode = 0;
    Path = LinkTarget(Path, ErrorCode);
    if (Path.empty()) RaiseCreateError(FileName, SysErrorMessage(ErrorCode));
    if (!LiesInside(Path, RealPath(SystemFileName(Folder))))
      RaiseCreateError(FileName, Format(LoadResString(&SLinkLeadsOutside), {Folder}));
  }
  const bool Exists = stat(Path.c_str(), &Present) == 0;
  if (Exists && HoldsExactly(Path, Bytes, Present)) return;
  if (Exists && S_ISREG(Present.st_mode) && (Present.st_mode & 0222) == 0)
    RaiseCreateError(FileName, LoadResString(&SFileWriteProtected));
  if (const int ErrorCode = Replace(Path, Bytes, Exists ? &Present : nullptr, true); ErrorCode != 0)
    RaiseCreateError(FileName, SysErrorMessage(ErrorCode));
}

}  // namespace cantrel
