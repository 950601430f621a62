// Directory listing: TSearchRec, attribute bits and the entries of one folder.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/DateTime.h"
#include "runtime/FileHandle.h"
#include "runtime/String.h"

namespace cantrel {

// File attribute bits. An entry is a directory (also behind a link), a
// regular file (Archive) or something else (System: FIFO, socket, device,
// dangling link); Hidden marks a name that begins with "."; ReadOnly an entry
// whose owner may not write; ReparsePoint a symbolic link.
constexpr std::uint32_t faReadOnly = 0x0001;
constexpr std::uint32_t faHidden = 0x0002;
constexpr std::uint32_t faSysFile = 0x0004;
constexpr std::uint32_t faDirectory = 0x0010;
constexpr std::uint32_t faArchive = 0x0020;
constexpr std::uint32_t faNormal = 0x0080;
constexpr std::uint32_t faTemporary = 0x0100;
constexpr std::uint32_t faSparseFile = 0x0200;
constexpr std::uint32_t faReparsePoint = 0x0400;
constexpr std::uint32_t faCompressed = 0x0800;
constexpr std::uint32_t faOffline = 0x1000;
constexpr std::uint32_t faNotContentIndexed = 0x2000;
constexpr std::uint32_t faEncrypted = 0x4000;
constexpr std::uint32_t faAnyFile = 0x01FF;

// One directory entry: bare name, attribute bits, size in bytes (0 for
// anything but a regular file) and last-write time as local date-time.
// Size, Time and the ReadOnly bit take a stat; a listing that needed none of
// them leaves them unread (0) and says so with Stated false.
struct TSearchRec {
  TDateTime Time = 0;
  std::int64_t Size = 0;
  std::uint32_t Attr = 0;
  String Name;
  bool Stated = true;
};

// Reads what a record left unread, for the entry Rec.Name in Directory (a
// path ending in "/", or the empty path for the current directory). False
// when the entry vanished; the record is then as it was.
bool FillSearchRec(const String& Directory, TSearchRec& Rec);

// The entries of one directory, read at once. Names are decoded as UTF-8
// with undecodable bytes kept. An entry is stat-ed only when a caller asks
// for something its directory entry type cannot tell, and then once; no file
// is ever opened.
class TDirectoryListing {
public:
  TDirectoryListing() = default;
  ~TDirectoryListing();
  TDirectoryListing(const TDirectoryListing&) = delete;
  TDirectoryListing& operator=(const TDirectoryListing&) = delete;

  // Reads every entry of Directory but "." and ".."; the empty path is the
  // current directory. A directory that cannot be listed (also one whose
  // entries cannot be looked at: no search permission) has no entries and
  // answers false, with the reason in Error.
  bool Open(const std::string& Directory);
  // The same for the entry Name of the folder open at Folder ("." for that
  // folder itself), not through a symbolic link unless FollowLink.
  bool Open(int Folder, const std::string& Name, bool FollowLink);
  // The errno value of the last Open that failed; 0 after one that worked.
  int Error() const { return FError; }
  // The open directory's descriptor, to reach the entries by; -1 when closed.
  int Handle() const { return FHandle.Get(); }
  // Gives the directory handle back; entries stay readable, those of a
  // listing opened by path also where they were not yet looked at.
  void Close();
  // Hands the directory's descriptor over; the listing is then closed.
  TFileHandle TakeHandle() { return std::move(FHandle); }

  // The directory's own identity, known after a successful Open.
  dev_t Device() const { return FDevice; }
  ino_t Inode() const { return FInode; }

  std::size_t Count() const { return FEntries.size(); }
  StringView Name(std::size_t Index) const;
  // The name's bytes as the file system keeps them.
  const char* SystemName(std::size_t Index) const { return FSystemNames.data() + FEntries[Index].SystemNameAt; }

  // The entry's attribute bits; bits outside Interest may be missing.
  std::uint32_t Attributes(std::size_t Index, std::uint32_t Interest);
  // Whether a listing with the Requested attribute set yields the entry:
  // Hidden, System and Directory entries only when Requested holds their bit.
  bool Lists(std::size_t Index, std::uint32_t Requested);
  // The entry's record; false when it vanished since it was read. Without
  // Details it holds only what is known so far (see TSearchRec::Stated).
  bool GetSearchRec(std::size_t Index, TSearchRec& Rec, bool Details = true);

  // Orders entry positions by name: ignoring case, digits as numbers, then
  // exactly (AnsiCompareText).
  void SortByName(std::vector<std::size_t>& Indexes) const;

private:
  // Names live in two buffers for the whole listing, not one allocation
  // each: a folder of many files is read in few.
  struct TEntry {
    std::size_t NameAt;
    std::size_t NameLength;
    std::size_t SystemNameAt;
    unsigned char Type;
    bool Stated = false;
    bool Vanished = false;
    std::uint32_t Attr = 0;
    std::int64_t Size = 0;
    timespec Time{};
  };

  bool Read(int Handle);
  bool Failed(int Error);
  void ReserveFor(std::size_t Bytes);
  void Add(std::string_view SystemName, unsigned char Type);
  void Clear();
  std::uint32_t UnknownBits(const TEntry& Entry) const;
  void Stat(TEntry& Entry);

  // The path of a listing opened by path; looked at again once closed.
  std::optional<std::string> FDirectory;
  TFileHandle FHandle;
  dev_t FDevice = 0;
  ino_t FInode = 0;
  int FError = 0;
  std::vector<TEntry> FEntries;
  // The decoded names one after another, and the file system's own, each
  // ended by a NUL.
  String FNames;
  std::string FSystemNames;
};

}  // namespace cantrel
