#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "runtime/String.h"

namespace cantrel {

// Replaces a file with bytes given piece by piece, as one step: once they
// differ from the old file's, the bytes go to a temporary file with a short
// name (".cantrel-" and six characters) in the same folder, which Commit
// renames over the old one, so a failure part-way leaves the old file whole
// and no temporary file behind. The old file's mode is kept. A file that
// already holds exactly these bytes is left untouched, time stamp included;
// the bytes are compared as they come, so none of them is held whole. Any
// failure raises EFCreateError "Cannot create file "%s". %s" naming the
// file and the reason; a replacement dropped without Commit leaves the file
// as it was.
//
// For a file the user may have set up by hand (UserFolder given), it does
// what the user expects where a rename would quietly change it:
// - a symbolic link whose target lies inside UserFolder is written through
//   (the link stays, the temporary file goes beside the target); a link that
//   leads outside UserFolder is left alone and the replacement fails;
// - a file without any write bit is left alone and the replacement fails,
//   also for a user whom permissions do not stop, unless it already holds
//   the bytes;
// - where no temporary file can be made in the folder, an existing writable
//   file is overwritten in place (the bytes from the first difference on
//   are then held until Commit).
class TFileReplacement {
public:
  // The link rules are settled here and may raise already.
  TFileReplacement(const String& FileName, const String* UserFolder);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  void Write(std::string_view Bytes);
  void Commit();

private:
  [[noreturn]] void Fail(int ErrorCode) const;
  void Differ(off_t Offset);
  void CopyOldBytes(off_t Count);
  void Put(std::string_view Bytes);
  void OverwriteInPlace();
  void CloseOld();

  String FFileName;
  std::string FPath;
  bool FUserFile;
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

// Replaces the file with Bytes by the rules above, without UserFolder.
void WriteFileAtomically(const String& FileName, std::string_view Bytes);

}  // namespace cantrel
