// Files the program writes, replaced whole, reached by descriptors from the folder searched.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/FileHandle.h"
#include "runtime/String.h"

namespace cantrel {

// Where a file that the user may have set up lies, reached by descriptors
// from the folder searched.
struct TUserFile {
  // The folder searched, and how messages name it.
  int Root = -1;
  String RootName;
  // The folder the file's name is taken in, and its path below Root: empty
  // for Root itself, else ending in "/".
  int Folder = -1;
  std::string FolderBelowRoot;
  // The file's name in Folder; it may hold "/".
  std::string Name;
};

// Replaces a file with bytes given piece by piece, as one step: once they
// differ from the old file's, the bytes go to a temporary file with a short
// name (".cantrel-" and six characters) in the same folder, which Commit
// renames over the old one, so a failure part-way leaves the old file whole
// and no temporary file behind. The new file keeps the old one's owner and
// group where the process may set them, and its permission bits 0777, never
// set-user-ID, set-group-ID or sticky. A file that already holds exactly
// these bytes is left untouched, time stamp included; the bytes are compared
// as they come, so none of them is held whole. Any failure raises
// EFCreateError "Cannot create file "%s". %s" naming the file and the
// reason; a replacement dropped without Commit leaves the file as it was.
//
// A symbolic link is written through, not replaced by a file: for any file
// wherever the link leads, unless to something other than a regular file,
// which is left alone and the replacement fails. For a file the user may
// have set up by hand (TUserFile, or UserFolder given), it does what the
// user expects where a rename would quietly change it:
// - a symbolic link whose target lies inside the folder searched is written
//   through (the link stays, the temporary file goes beside the target); a
//   link that leads outside is left alone and the replacement fails, as for
//   a name that leads outside through "..";
// - a file without any write bit is left alone and the replacement fails,
//   also for a user whom permissions do not stop, unless it already holds
//   the bytes;
// - where no temporary file can be made in the folder, an existing writable
//   file is overwritten in place (the bytes from the first difference on
//   are then held until Commit), after its new length was reserved, so a
//   full disk leaves it as it was; only a crash during that write can leave
//   it part-written. A file with other hard links is never overwritten in
//   place: their names may lie anywhere.
class TFileReplacement {
public:
  // The link rules are settled here and may raise already. FileName names
  // the file in messages.
  TFileReplacement(const String& FileName, const TUserFile& Location);
  // By path; UserFolder, when given, is the folder searched, opened here.
  TFileReplacement(const String& FileName, const String* UserFolder);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  void Write(std::string_view Bytes);
  void Commit();

private:
  [[noreturn]] void Fail(int ErrorCode) const;
  [[noreturn]] void Refuse(const String& Reason) const;
  void LocateUserFile(const TUserFile& Location);
  void LocateFile(const std::string& Path);
  void RefuseOddTarget() const;
  void OpenOld();
  void Differ(off_t Offset);
  void CopyOldBytes(off_t Count);
  void Put(std::string_view Bytes);
  void KeepOwnerAndMode();
  void OverwriteInPlace();
  void CloseOld();

  String FFileName;
  bool FUserFile;
  // The folder searched, when opened here.
  TFileHandle FRoot;
  // The folder the file lies in: its descriptor (owned when opened here),
  // and the file's name there.
  TFileHandle FOwnedFolder;
  int FFolder = -1;
  std::string FName;
  bool FExists = false;
  struct stat FPresent {};
  // The old file, read while the new bytes are still the same.
  int FOld = -1;
  bool FSame = false;
  // Bytes handed so far.
  off_t FOffset = 0;
  std::string FTemporary;
  int FNew = -1;
  bool FInPlace = false;
  // Overwriting in place: where the bytes first differ, and those after.
  off_t FInPlaceFrom = 0;
  std::string FInPlaceBytes;
  std::string FOldBytes;
};

// Whether Name is one that a replacement gives its temporary file.
bool IsReplacementTemporary(StringView Name);
// Removes, from the folder open at Folder, those of Names that are
// temporary files of replacements last written more than an hour ago: a
// process killed while it replaced a file left them. A younger one may
// belong to a replacement still going on.
void RemoveStaleTemporaries(int Folder, const std::vector<String>& Names);

// Replaces the file with Bytes by the rules above, as no user's file.
void WriteFileAtomically(const String& FileName, std::string_view Bytes);

}  // namespace cantrel
