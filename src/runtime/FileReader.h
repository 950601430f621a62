// A file read at given offsets.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/String.h"

namespace cantrel {

// A file opened for reading at given offsets, shared with other readers and
// writers.
class TFileReader {
public:
  // Raises EFOpenError "Cannot open file "%s". %s" with the system's reason.
  explicit TFileReader(const String& FileName);
  ~TFileReader();
  TFileReader(const TFileReader&) = delete;
  TFileReader& operator=(const TFileReader&) = delete;

  std::uint64_t Size() const { return FSize; }
  // Exactly Count bytes from Offset; EReadError "Stream read error" when the
  // file ends sooner or cannot be read.
  std::string ReadAt(std::uint64_t Offset, std::size_t Count) const;

private:
  int FHandle;
  std::uint64_t FSize;
};

}  // namespace cantrel
