// Directory listing: TSearchRec, attribute bits and the entries of one folder.
#include "runtime/DirectoryListing.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>

#include "runtime/Locale.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

constexpr std::uint32_t TypeBits = faDirectory | faArchive | faSysFile;

bool IsDotOrDotDot(const char* Name) {
  return Name[0] == '.' && (Name[1] == 0 || (Name[1] == '.' && Name[2] == 0));
}

std::uint32_t TypeBitsOfMode(mode_t Mode) {
  if (S_ISDIR(Mode)) return faDirectory;
  if (S_ISREG(Mode)) return faArchive;
  return faSysFile;
}

std::uint32_t TypeBitsOfEntryType(unsigned char Type) {
  switch (Type) {
    case DT_DIR:
      return faDirectory;
    case DT_REG:
      return faArchive;
    case DT_LNK:
      return faReparsePoint;
    case DT_UNKNOWN:
      return 0;
    default:
      return faSysFile;
  }
}

// What a stat tells of an entry: its attribute bits beside Hidden, its size
// and its time, for a link those of its target. False when it vanished.
bool StatEntry(int Folder, const char* Name, std::uint32_t& Attr, std::int64_t& Size, timespec& Time) {
  struct stat Own;
  if (fstatat(Folder, Name, &Own, AT_SYMLINK_NOFOLLOW) != 0) return false;
  const bool Link = S_ISLNK(Own.st_mode);
  Attr = Link ? faReparsePoint : 0;
  Size = 0;
  struct stat Target;
  if (Link && fstatat(Folder, Name, &Target, 0) != 0) {
    // A link that leads nowhere.
    Attr |= faSysFile;
    Time = Own.st_mtim;
    return true;
  }
  const struct stat& Info = Link ? Target : Own;
  Attr |= TypeBitsOfMode(Info.st_mode) | ((Info.st_mode & S_IWUSR) ? 0 : faReadOnly);
  if (S_ISREG(Info.st_mode)) Size = static_cast<std::int64_t>(Info.st_size);
  Time = Info.st_mtim;
  return true;
}

std::uint32_t HiddenBit(StringView Name) { return !Name.empty() && Name[0] == u'.' ? faHidden : 0; }

}  // namespace

bool FillSearchRec(const String& Directory, TSearchRec& Rec) {
  std::string Path = SystemFileName(Directory);
  if (!Path.empty() && Path.back() != '/') Path += '/';
  std::uint32_t Attr;
  std::int64_t Size;
  timespec Time;
  if (!StatEntry(AT_FDCWD, (Path + SystemFileName(Rec.Name)).c_str(), Attr, Size, Time)) return false;
  Rec.Attr = HiddenBit(Rec.Name) | Attr;
  Rec.Size = Size;
  Rec.Time = UnixTimeToDateTime(Time);
  Rec.Stated = true;
  return true;
}

TDirectoryListing::~TDirectoryListing() { Close(); }

bool TDirectoryListing::Open(const std::string& Directory) {
  const bool Listed = Open(AT_FDCWD, Directory.empty() ? "." : Directory, true);
  FDirectory = Directory;
  return Listed;
}

bool TDirectoryListing::Open(int Folder, const std::string& Name, bool FollowLink) {
  Close();
  Clear();
  FDirectory.reset();
  const int Handle = openat(Folder, Name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (FollowLink ? 0 : O_NOFOLLOW));
  if (Handle < 0) return Failed(errno);
  return Read(Handle);
}

// The entries straight from the kernel, a buffer at a time: no stream
// to set up, nothing kept once read.
bool TDirectoryListing::Read(int Handle) {
  FHandle.Reset(Handle);
  // Looking up "." needs the search permission that every entry's stat
  // needs too; without it the names could be read but not one entry.
  struct stat Info;
  if (fstatat(Handle, ".", &Info, 0) != 0) return Failed(errno);
  FDevice = Info.st_dev;
  FInode = Info.st_ino;
  alignas(dirent64) char Buffer[32768];
  for (;;) {
    const ssize_t Size = getdents64(Handle, Buffer, sizeof Buffer);
    // Half a listing is no listing.
    if (Size < 0) return Failed(errno);
    if (Size == 0) break;
    ReserveFor(static_cast<std::size_t>(Size));
    for (ssize_t At = 0; At < Size;) {
      const auto* Entry = reinterpret_cast<const dirent64*>(Buffer + At);
      At += Entry->d_reclen;
      if (!IsDotOrDotDot(Entry->d_name)) Add(Entry->d_name, Entry->d_type);
    }
  }
  FError = 0;
  return true;
}

// Room for every entry a buffer of Bytes can hold, so that a folder's
// entries and names are not moved again and again as they come.
void TDirectoryListing::ReserveFor(std::size_t Bytes) {
  constexpr std::size_t SmallestEntry = offsetof(dirent64, d_name) + 2;
  FEntries.reserve(FEntries.size() + Bytes / SmallestEntry);
  FSystemNames.reserve(FSystemNames.size() + Bytes);
  FNames.reserve(FNames.size() + Bytes);
}

void TDirectoryListing::Add(std::string_view SystemName, unsigned char Type) {
  TEntry& Added = FEntries.emplace_back();
  Added.SystemNameAt = FSystemNames.size();
  FSystemNames.append(SystemName).push_back('\0');
  Added.NameAt = FNames.size();
  AppendUtf8AsString(FNames, SystemName);
  Added.NameLength = FNames.size() - Added.NameAt;
  Added.Type = Type;
  Added.Attr = TypeBitsOfEntryType(Type) | HiddenBit(Name(FEntries.size() - 1));
}

StringView TDirectoryListing::Name(std::size_t Index) const {
  const TEntry& Entry = FEntries[Index];
  return StringView(FNames).substr(Entry.NameAt, Entry.NameLength);
}

bool TDirectoryListing::Failed(int Error) {
  Close();
  Clear();
  FError = Error;
  return false;
}

void TDirectoryListing::Close() { FHandle.Reset(); }

void TDirectoryListing::Clear() {
  FEntries.clear();
  FNames.clear();
  FSystemNames.clear();
}

// The bits that only a stat can tell for this entry: ReadOnly always, the
// type behind a link, everything but Hidden without an entry type.
std::uint32_t TDirectoryListing::UnknownBits(const TEntry& Entry) const {
  if (Entry.Stated) return 0;
  switch (Entry.Type) {
    case DT_UNKNOWN:
      return ~static_cast<std::uint32_t>(faHidden);
    case DT_LNK:
      return faReadOnly | TypeBits;
    default:
      return faReadOnly;
  }
}

void TDirectoryListing::Stat(TEntry& Entry) {
  Entry.Stated = true;
  const char* Name = FSystemNames.data() + Entry.SystemNameAt;
  std::string Path;
  int Folder = AT_FDCWD;
  if (FHandle.Valid()) {
    Folder = FHandle.Get();
  } else if (!FDirectory) {
    Entry.Vanished = true;
    return;
  } else if (!FDirectory->empty()) {
    Path = *FDirectory;
    if (Path.back() != '/') Path += '/';
    Name = Path.append(Name).c_str();
  }
  std::uint32_t Attr;
  if (!StatEntry(Folder, Name, Attr, Entry.Size, Entry.Time)) {
    Entry.Vanished = true;
    return;
  }
  Entry.Attr = (Entry.Attr & faHidden) | Attr;
}

std::uint32_t TDirectoryListing::Attributes(std::size_t Index, std::uint32_t Interest) {
  TEntry& Entry = FEntries[Index];
  if (Interest & UnknownBits(Entry)) Stat(Entry);
  return Entry.Attr;
}

bool TDirectoryListing::Lists(std::size_t Index, std::uint32_t Requested) {
  const std::uint32_t Restricting = (faHidden | faSysFile | faDirectory) & ~Requested;
  return (Attributes(Index, Restricting) & Restricting) == 0;
}

bool TDirectoryListing::GetSearchRec(std::size_t Index, TSearchRec& Rec, bool Details) {
  TEntry& Entry = FEntries[Index];
  if (Details && !Entry.Stated) Stat(Entry);
  if (Entry.Vanished) return false;
  Rec.Name = Name(Index);
  Rec.Attr = Entry.Attr;
  Rec.Stated = Entry.Stated;
  Rec.Size = Entry.Stated ? Entry.Size : 0;
  Rec.Time = Entry.Stated ? UnixTimeToDateTime(Entry.Time) : 0;
  return true;
}

void TDirectoryListing::SortByName(std::vector<std::size_t>& Indexes) const {
  if (Indexes.size() < 2) return;
  std::vector<StringView> Names;
  Names.reserve(Indexes.size());
  for (std::size_t Index : Indexes) Names.push_back(Name(Index));
  std::vector<std::size_t> Sorted;
  Sorted.reserve(Indexes.size());
  for (std::size_t I : AnsiSortOrder(Names)) Sorted.push_back(Indexes[I]);
  Indexes.swap(Sorted);
}

}  // namespace cantrel
