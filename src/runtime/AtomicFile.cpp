// Files the program writes, replaced whole, reached by descriptors from the folder searched.
#include "runtime/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <random>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/Paths.h"
#include "runtime/PathBeneath.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

constexpr std::string_view TemporaryPrefix = ".cantrel-";
constexpr std::string_view TemporaryLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t TemporaryLetterCount = 6;
// A temporary file older than this belongs to no replacement going on.
constexpr time_t StaleAfter = 3600;

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

// A new file in Folder with a short name that cannot collide with the
// longest name the folder may hold; the kernel applies the umask to 0666.
int CreateTemporary(int Folder, std::string& Temporary) {
  thread_local std::mt19937 Random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> Pick(0, TemporaryLetters.size() - 1);
  for (int Attempt = 0;; ++Attempt) {
    Temporary = TemporaryPrefix;
    for (std::size_t I = 0; I < TemporaryLetterCount; ++I) Temporary += TemporaryLetters[Pick(Random)];
    const int Handle = openat(Folder, Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

bool HasFolderPart(std::string_view Name) { return Name.find('/') != std::string_view::npos; }

}  // namespace

TFileReplacement::TFileReplacement(const String& FileName, const TUserFile& Location)
    : FFileName(FileName), FUserFile(true) {
  LocateUserFile(Location);
  OpenOld();
}

TFileReplacement::TFileReplacement(const String& FileName, const String* UserFolder)
    : FFileName(FileName), FUserFile(UserFolder != nullptr) {
  const std::string Path = SystemFileName(FileName);
  if (!UserFolder) {
    LocateFile(Path);
    OpenOld();
    return;
  }
  FRoot = OpenFolder(SystemFileName(*UserFolder));
  if (!FRoot.Valid()) Fail(errno);
  const std::string Root = SystemFileName(IncludeTrailingPathDelimiter(*UserFolder));
  if (!Path.starts_with(Root)) Refuse(Format(LoadResString(&SFileOutside), {*UserFolder}));
  LocateUserFile({FRoot.Get(), *UserFolder, FRoot.Get(), {}, Path.substr(Root.size())});
  OpenOld();
}

TFileReplacement::~TFileReplacement() {
  CloseOld();
  if (FNew >= 0) close(FNew);
  if (!FTemporary.empty()) unlinkat(FFolder, FTemporary.c_str(), 0);
}

void TFileReplacement::Fail(int ErrorCode) const { RaiseCreateError(FFileName, SysErrorMessage(ErrorCode)); }

void TFileReplacement::Refuse(const String& Reason) const { RaiseCreateError(FFileName, Reason); }

// The file's folder and name, through links that lead inside the folder
// searched; its name may hold "/".
void TFileReplacement::LocateUserFile(const TUserFile& Location) {
  FFolder = Location.Folder;
  FName = Location.Name;
  const bool Path = HasFolderPart(FName);
  FExists = !Path && fstatat(FFolder, FName.c_str(), &FPresent, AT_SYMLINK_NOFOLLOW) == 0;
  const bool Link = FExists && S_ISLNK(FPresent.st_mode);
  if (!Path && !Link) return;
  TBeneathPlace Place;
  switch (ResolveBeneath(Location.Root, Location.FolderBelowRoot + FName, Place)) {
    case TBeneath::bnOutside:
      Refuse(Format(LoadResString(Link ? &SLinkLeadsOutside : &SFileOutside), {Location.RootName}));
    case TBeneath::bnFailed:
      Fail(errno);
    case TBeneath::bnInside:
      break;
  }
  FOwnedFolder = std::move(Place.Folder);
  FFolder = FOwnedFolder.Valid() ? FOwnedFolder.Get() : Location.Root;
  FName = std::move(Place.Name);
  FExists = fstatat(FFolder, FName.c_str(), &FPresent, AT_SYMLINK_NOFOLLOW) == 0;
  if (Link) RefuseOddTarget();
}

// The file's folder and name at the end of a chain of links, wherever it
// leads; the chain is followed as the kernel follows it.
void TFileReplacement::LocateFile(const std::string& Path) {
  std::string Current = Path;
  for (int Links = 0;; ++Links) {
    const std::size_t Slash = Current.rfind('/');
    const std::string Folder = Slash == std::string::npos ? std::string() : Current.substr(0, Slash + 1);
    FName = Current.substr(Folder.size());
    FOwnedFolder.Reset(open(Folder.empty() ? "." : Folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!FOwnedFolder.Valid()) Fail(errno);
    FFolder = FOwnedFolder.Get();
    FExists = fstatat(FFolder, FName.c_str(), &FPresent, AT_SYMLINK_NOFOLLOW) == 0;
    if (!FExists || !S_ISLNK(FPresent.st_mode)) break;
    if (Links == MaxSymbolicLinks) Fail(ELOOP);
    const std::string Target = ReadLinkAt(FFolder, FName);
    if (Target.empty()) Fail(errno);
    Current = Target.starts_with('/') ? Target : Folder + Target;
  }
  if (Current != Path) RefuseOddTarget();
}

// Behind a link, only a regular file or none is written: a link to a
// folder, a FIFO or a device is left as it is.
void TFileReplacement::RefuseOddTarget() const {
  if (FExists && !S_ISREG(FPresent.st_mode)) Fail(EPERM);
}

// Only a regular file is read: opening a FIFO would wait for a writer.
void TFileReplacement::OpenOld() {
  if (FExists && S_ISREG(FPresent.st_mode)) FOld = openat(FFolder, FName.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  FSame = FOld >= 0;
}

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
  if (FUserFile && Regular && (FPresent.st_mode & 0222) == 0) Refuse(LoadResString(&SFileWriteProtected));
  FNew = CreateTemporary(FFolder, FTemporary);
  if (FNew < 0) {
    const int ErrorCode = errno;
    FTemporary.clear();
    const bool FolderRefuses = ErrorCode == EACCES || ErrorCode == EPERM;
    if (!(FUserFile && FolderRefuses && Regular)) Fail(ErrorCode);
    // Its other names would change with it, wherever they lie.
    if (FPresent.st_nlink > 1) Refuse(LoadResString(&SFileHardLinked));
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
  if (FExists) KeepOwnerAndMode();
  const int Handle = FNew;
  FNew = -1;
  if (close(Handle) != 0) Fail(errno);
  if (renameat(FFolder, FTemporary.c_str(), FFolder, FName.c_str()) != 0) Fail(errno);
  FTemporary.clear();
}

// The owner first, since a change of owner clears set-ID bits. Root keeps
// a user's file theirs; a user who may not give a file away keeps it as
// their own, in the old group where they belong to it, as editors do. Only
// the permission bits are carried: a set-ID bit would hand the old owner's
// rights to whoever runs the new bytes.
void TFileReplacement::KeepOwnerAndMode() {
  [[maybe_unused]] const bool OwnerKept = fchown(FNew, FPresent.st_uid, FPresent.st_gid) == 0 ||
                                          fchown(FNew, static_cast<uid_t>(-1), FPresent.st_gid) == 0;
  if (fchmod(FNew, FPresent.st_mode & 0777) != 0) Fail(errno);
}

// Writes the bytes from the first difference on into the existing file
// itself, for a folder where no new file may be made. The whole new length
// is reserved first: a full disk then fails before a byte is changed.
void TFileReplacement::OverwriteInPlace() {
  TFileHandle Handle(openat(FFolder, FName.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!Handle.Valid()) Fail(errno);
  struct stat Opened;
  if (fstat(Handle.Get(), &Opened) != 0) Fail(errno);
  if (Opened.st_nlink > 1) Refuse(LoadResString(&SFileHardLinked));
  const off_t Length = FInPlaceFrom + static_cast<off_t>(FInPlaceBytes.size());
  if (Length > 0 && fallocate(Handle.Get(), FALLOC_FL_KEEP_SIZE, 0, Length) != 0) Fail(errno);
  int ErrorCode = 0;
  for (std::string_view Rest = FInPlaceBytes; ErrorCode == 0 && !Rest.empty();) {
    const ssize_t Written = pwrite(Handle.Get(), Rest.data(), Rest.size(), FInPlaceFrom);
    if (Written < 0 && errno == EINTR) continue;
    if (Written < 0) {
      ErrorCode = errno;
      break;
    }
    Rest.remove_prefix(static_cast<std::size_t>(Written));
    FInPlaceFrom += Written;
  }
  if (ErrorCode == 0 && ftruncate(Handle.Get(), FInPlaceFrom) != 0) ErrorCode = errno;
  if (close(Handle.Release()) != 0 && ErrorCode == 0) ErrorCode = errno;
  if (ErrorCode != 0) Fail(ErrorCode);
}

void WriteFileAtomically(const String& FileName, std::string_view Bytes) {
  TFileReplacement File(FileName, nullptr);
  File.Write(Bytes);
  File.Commit();
}

bool IsReplacementTemporary(StringView Name) {
  if (Name.size() != TemporaryPrefix.size() + TemporaryLetterCount) return false;
  for (std::size_t I = 0; I < TemporaryPrefix.size(); ++I)
    if (Name[I] != static_cast<char16_t>(TemporaryPrefix[I])) return false;
  const auto IsLetter = [](char16_t C) {
    return C < 0x80 && TemporaryLetters.find(static_cast<char>(C)) != std::string_view::npos;
  };
  return std::all_of(Name.begin() + static_cast<std::ptrdiff_t>(TemporaryPrefix.size()), Name.end(), IsLetter);
}

void RemoveStaleTemporaries(int Folder, const std::vector<String>& Names) {
  const time_t Before = time(nullptr) - StaleAfter;
  for (const String& Name : Names) {
    if (!IsReplacementTemporary(Name)) continue;
    const std::string Entry = SystemFileName(Name);
    struct stat Info;
    if (fstatat(Folder, Entry.c_str(), &Info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(Info.st_mode) &&
        Info.st_mtime < Before)
      unlinkat(Folder, Entry.c_str(), 0);
  }
}

}  // namespace cantrel
