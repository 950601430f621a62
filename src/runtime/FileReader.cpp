// A file read at given offsets.
#include "runtime/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/Exceptions.h"
#include "runtime/Paths.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

TFileReader::TFileReader(const String& FileName) {
  FHandle = open(SystemFileName(FileName).c_str(), O_RDONLY | O_CLOEXEC);
  struct stat Status;
  if (FHandle < 0 || fstat(FHandle, &Status) != 0) {
    const int Error = errno;
    if (FHandle >= 0) close(FHandle);
    throw EFOpenError(&SFOpenErrorEx, {FileName, SysErrorMessage(Error)});
  }
  FSize = static_cast<std::uint64_t>(Status.st_size);
}

TFileReader::~TFileReader() { close(FHandle); }

std::string TFileReader::ReadAt(std::uint64_t Offset, std::size_t Count) const {
  if (Offset > FSize || Count > FSize - Offset) throw EReadError(&SReadError, {});
  std::string Bytes(Count, '\0');
  std::size_t Done = 0;
  while (Done < Count) {
    const ssize_t Read = pread(FHandle, Bytes.data() + Done, Count - Done, static_cast<off_t>(Offset + Done));
    if (Read < 0 && errno == EINTR) continue;
    if (Read <= 0) throw EReadError(&SReadError, {});
    Done += static_cast<std::size_t>(Read);
  }
  return Bytes;
}

}  // namespace cantrel
