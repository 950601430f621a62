// A read-only TagLib stream over an open file descriptor.
#pragma once

#include <taglib.h>
#include <tiostream.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cantrel {

// The stream interface's offsets and sizes changed their types in TagLib 2.
#if TAGLIB_MAJOR_VERSION >= 2
using TTagLibOffset = TagLib::offset_t;
using TTagLibSize = std::size_t;
using TTagLibStart = TagLib::offset_t;
#else
using TTagLibOffset = long;
using TTagLibSize = unsigned long;
using TTagLibStart = unsigned long;
#endif

// Serves TagLib's many small reads and seeks from one buffer, so a small
// file costs one read call; larger blocks (pictures, whole tags) are read
// straight into their own vector. Reads only: every write is refused.
class TDescriptorStream : public TagLib::IOStream {
public:
  // Takes over Handle, a regular file of Size bytes; Name is the file's
  // name in bytes, by whose extension TagLib tells the format first.
  TDescriptorStream(int Handle, std::int64_t Size, std::string Name);
  ~TDescriptorStream() override;
  TDescriptorStream(const TDescriptorStream&) = delete;
  TDescriptorStream& operator=(const TDescriptorStream&) = delete;

  // From now on the name has no extension, so TagLib goes by the content
  // alone; false when it had none.
  bool HideExtension();

  TagLib::FileName name() const override;
  TagLib::ByteVector readBlock(TTagLibSize Length) override;
  void writeBlock(const TagLib::ByteVector& Data) override;
  void insert(const TagLib::ByteVector& Data, TTagLibStart Start, TTagLibSize Replace) override;
  void removeBlock(TTagLibStart Start, TTagLibSize Length) override;
  bool readOnly() const override;
  bool isOpen() const override;
  void seek(TTagLibOffset Offset, Position From) override;
  TTagLibOffset tell() const override;
  TTagLibOffset length() override;
  void truncate(TTagLibOffset Length) override;

private:
  bool Buffered(std::uint64_t Count) const;
  void FillBuffer();
  std::size_t ReadAt(char* Target, std::size_t Count, std::int64_t Offset) const;

  int FHandle;
  std::int64_t FSize;
  std::string FName;
  std::int64_t FPosition = 0;
  std::vector<char> FBuffer;
  std::int64_t FBufferStart = 0;
  std::size_t FBufferLength = 0;
};

}  // namespace cantrel
