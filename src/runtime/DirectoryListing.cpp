#include "runtime/DirectoryListing.h"

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

}  // namespace

TDirectoryListing::~TDirectoryListing() { Close(); }

bool TDirectoryListing::Open(const std::string& Directory) {
  Close();
  FEntries.clear();
  FDirectory = Directory;
  FHandle = opendir(Directory.empty() ? "." : Directory.c_str());
  if (!FHandle) return Failed(errno);
  // Looking up "." needs the search permission that every entry's stat
  // needs too; without it the names could be read but not one entry.
  struct stat Info;
  if (fstatat(dirfd(FHandle), ".", &Info, 0) != 0) return Failed(errno);
  FDevice = Info.st_dev;
  FInode = Info.st_ino;
  for (;;) {
    errno = 0;
    const dirent* Entry = readdir(FHandle);
    if (!Entry) break;
    if (IsDotOrDotDot(Entry->d_name)) continue;
    FEntries.push_back(TEntry{FromSystemFileName(Entry->d_name), Entry->d_type});
    TEntry& Added = FEntries.back();
    Added.Attr = TypeBitsOfEntryType(Added.Type) | (Added.Name[0] == u'.' ? faHidden : 0);
  }
  // Half a listing is no listing.
  if (errno != 0) return Failed(errno);
  FError = 0;
  return true;
}

bool TDirectoryListing::Failed(int Error) {
  Close();
  FEntries.clear();
  FError = Error;
  return false;
}

void TDirectoryListing::Close() {
  if (FHandle) closedir(FHandle);
  FHandle = nullptr;
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

int TDirectoryListing::StatAt(const TEntry& Entry, struct stat& Info, int Flags) const {
  const std::string Name = SystemFileName(Entry.Name);
  if (FHandle) return fstatat(dirfd(FHandle), Name.c_str(), &Info, Flags);
  std::string Path = FDirectory;
  if (!Path.empty() && Path.back() != '/') Path += '/';
  return fstatat(AT_FDCWD, (Path + Name).c_str(), &Info, Flags);
}

void TDirectoryListing::Stat(TEntry& Entry) {
  Entry.Stated = true;
  struct stat Own;
  if (StatAt(Entry, Own, AT_SYMLINK_NOFOLLOW) != 0) {
    Entry.Vanished = true;
    return;
  }
  const bool Link = S_ISLNK(Own.st_mode);
  const std::uint32_t Base = (Entry.Attr & faHidden) | (Link ? faReparsePoint : 0);
  struct stat Target;
  if (Link && StatAt(Entry, Target, 0) != 0) {
    // A link that leads nowhere.
    Entry.Attr = Base | faSysFile;
    Entry.Time = Own.st_mtim;
    return;
  }
  const struct stat& Info = Link ? Target : Own;
  Entry.Attr = Base | TypeBitsOfMode(Info.st_mode) | ((Info.st_mode & S_IWUSR) ? 0 : faReadOnly);
  Entry.Size = S_ISREG(Info.st_mode) ? static_cast<std::int64_t>(Info.st_size) : 0;
  Entry.Time = Info.st_mtim;
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

bool TDirectoryListing::GetSearchRec(std::size_t Index, TSearchRec& Rec) {
  TEntry& Entry = FEntries[Index];
  if (!Entry.Stated) Stat(Entry);
  if (Entry.Vanished) return false;
  Rec.Name = Entry.Name;
  Rec.Attr = Entry.Attr;
  Rec.Size = Entry.Size;
  Rec.Time = UnixTimeToDateTime(Entry.Time);
  return true;
}

void TDirectoryListing::SortByName(std::vector<std::size_t>& Indexes) const {
  std::sort(Indexes.begin(), Indexes.end(), [this](std::size_t A, std::size_t B) {
    return AnsiCompareText(FEntries[A].Name, FEntries[B].Name) < 0;
  });
}

}  // namespace cantrel
