#include "runtime/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

[[noreturn]] void RaiseCreateError(const String& FileName, const String& Reason) {
  throw EFCreateError(&SFCreateErrorEx, {FileName, Reason});
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

// Reads up to Count bytes at Offset; fewer at the end of the file or on an
// error.
std::size_t ReadAt(int Handle, char* Buffer, std::size_t Count, off_t Offset) {
  std::size_t Done = 0;
  while (Done < Count) {
    const ssize_t Read = pread(Handle, Buffer + Done, Count - Done, Offset + static_cast<off_t>(Done));
    if (Read < 0 && errno == EINTR) continue;
    if (Read <= 0) break;
    Done += static_cast<std::size_t>(Read);
  }
  return Done;
}

}  // namespace

TFileReplacement::TFileReplacement(const String& FileName, const String* UserFolder)
    : FFileName(FileName), FPath(SystemFileName(FileName)), FUserFile(UserFolder != nullptr) {
  if (FUserFile && lstat(FPath.c_str(), &FPresent) == 0 && S_ISLNK(FPresent.st_mode)) {
    int ErrorCode = 0;
    FPath = LinkTarget(FPath, ErrorCode);
    if (FPath.empty()) Fail(ErrorCode);
    if (!LiesInside(FPath, RealPath(SystemFileName(*UserFolder))))
      RaiseCreateError(FileName, Format(LoadResString(&SLinkLeadsOutside), {*UserFolder}));
  }
  FExists = stat(FPath.c_str(), &FPresent) == 0;
  // Only a regular file is read: opening a FIFO would wait for a writer.
  if (FExists && S_ISREG(FPresent.st_mode)) FOld = open(FPath.c_str(), O_RDONLY | O_CLOEXEC);
  FSame = FOld >= 0;
}

TFileReplacement::~TFileReplacement() {
  CloseOld();
  if (FNew >= 0) close(FNew);
  if (!FTemporary.empty()) unlink(FTemporary.c_str());
}

void TFileReplacement::Fail(int ErrorCode) const { RaiseCreateError(FFileName, SysErrorMessage(ErrorCode)); }

void TFileReplacement::CloseOld() {
  if (FOld >= 0) close(FOld);
  FOld = -1;
}

void TFileReplacement::Write(std::string_view Bytes) {
  if (Bytes.empty()) return;
  if (FSame) {
    FOldBytes.resize(Bytes.size());
    const std::size_t Read = ReadAt(FOld, FOldBytes.data(), Bytes.size(), FOffset);
    const std::size_t Same = static_cast<std::size_t>(
        std::mismatch(Bytes.begin(), Bytes.begin() + static_cast<std::ptrdiff_t>(Read), FOldBytes.begin()).first -
        Bytes.begin());
    FOffset += static_cast<off_t>(Same);
    if (Same == Bytes.size()) return;
    Bytes.remove_prefix(Same);
    Differ(FOffset);
  } else if (FNew < 0 && !FInPlace) {
    Differ(FOffset);
  }
  Put(Bytes);
  FOffset += static_cast<off_t>(Bytes.size());
}

// The new bytes differ from the old ones from Offset on: the file is
// replaced, the same bytes before Offset taken over from the old file.
void TFileReplacement::Differ(off_t Offset) {
  FSame = false;
  const bool Regular = FExists && S_ISREG(FPresent.st_mode);
  if (FUserFile && Regular && (FPresent.st_mode & 0222) == 0)
    RaiseCreateError(FFileName, LoadResString(&SFileWriteProtected));
  FNew = CreateTemporary(FPath, FTemporary);
  if (FNew < 0) {
    const int ErrorCode = errno;
    FTemporary.clear();
    const bool FolderRefuses = ErrorCode == EACCES || ErrorCode == EPERM;
    if (!(FUserFile && FolderRefuses && Regular)) Fail(ErrorCode);
    FInPlace = true;
    FInPlaceFrom = Offset;
  } else {
    CopyOldBytes(Offset);
  }
  CloseOld();
}

void TFileReplacement::CopyOldBytes(off_t Count) {
  char Buffer[65536];
  for (off_t Done = 0; Done < Count;) {
    const std::size_t Read =
        ReadAt(FOld, Buffer, static_cast<std::size_t>(std::min<off_t>(Count - Done, sizeof Buffer)), Done);
    if (Read == 0) Fail(EIO);
    Put(std::string_view(Buffer, Read));
    Done += static_cast<off_t>(Read);
  }
}

void TFileReplacement::Put(std::string_view Bytes) {
  if (FInPlace) {
    FInPlaceBytes.append(Bytes);
    return;
  }
  if (const int ErrorCode = WriteAll(FNew, Bytes); ErrorCode != 0) Fail(ErrorCode);
}

void TFileReplacement::Commit() {
  if (FSame) {
    // Every byte was the same: so is the file, unless it holds more.
    char More;
    if (ReadAt(FOld, &More, 1, FOffset) == 0) {
      CloseOld();
      return;
    }
    Differ(FOffset);
  } else if (FNew < 0 && !FInPlace) {
    Differ(FOffset);
  }
  if (FInPlace) return OverwriteInPlace();
  if (FExists && fchmod(FNew, FPresent.st_mode & 07777) != 0) Fail(errno);
  const int Handle = FNew;
  FNew = -1;
  if (close(Handle) != 0) Fail(errno);
  if (rename(FTemporary.c_str(), FPath.c_str()) != 0) Fail(errno);
  FTemporary.clear();
}

// Writes the bytes from the first difference on into the existing file
// itself, for a folder where no new file may be made.
void TFileReplacement::OverwriteInPlace() {
  const int Handle = open(FPath.c_str(), O_WRONLY | O_CLOEXEC);
  if (Handle < 0) Fail(errno);
  int ErrorCode = 0;
  for (std::string_view Rest = FInPlaceBytes; ErrorCode == 0 && !Rest.empty();) {
    const ssize_t Written = pwrite(Handle, Rest.data(), Rest.size(), FInPlaceFrom);
    if (Written < 0 && errno == EINTR) continue;
    if (Written < 0) {
      ErrorCode = errno;
      break;
    }
    Rest.remove_prefix(static_cast<std::size_t>(Written));
    FInPlaceFrom += Written;
  }
  if (ErrorCode == 0 && ftruncate(Handle, FInPlaceFrom) != 0) ErrorCode = errno;
  if (close(Handle) != 0 && ErrorCode == 0) ErrorCode = errno;
  if (ErrorCode != 0) Fail(ErrorCode);
}

void WriteFileAtomically(const String& FileName, std::string_view Bytes) {
  TFileReplacement File(FileName, nullptr);
  File.Write(Bytes);
  File.Commit();
}

}  // namespace cantrel
