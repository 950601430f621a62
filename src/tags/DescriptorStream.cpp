// A read-only TagLib stream over an open file descriptor.
#include "tags/DescriptorStream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

namespace cantrel {

namespace {

// Large enough for a small file whole, or for a tag's header with the
// first frames after it.
constexpr std::size_t BufferSize = 16 * 1024;

}  // namespace

TDescriptorStream::TDescriptorStream(int Handle, std::int64_t Size, std::string Name)
    : FHandle(Handle), FSize(Size), FName(std::move(Name)) {}

TDescriptorStream::~TDescriptorStream() { close(FHandle); }

bool TDescriptorStream::HideExtension() {
  const std::size_t Dot = FName.rfind('.');
  if (Dot == std::string::npos) return false;
  FName.resize(Dot);
  return true;
}

TagLib::FileName TDescriptorStream::name() const { return FName.c_str(); }

TagLib::ByteVector TDescriptorStream::readBlock(TTagLibSize Length) {
  if (FPosition >= FSize) return TagLib::ByteVector();
  const std::uint64_t Count = std::min({static_cast<std::uint64_t>(Length), static_cast<std::uint64_t>(FSize - FPosition),
                                        static_cast<std::uint64_t>(std::numeric_limits<unsigned int>::max())});
  if (!Buffered(Count) && Count < BufferSize) FillBuffer();
  if (Buffered(Count)) {
    const char* Start = FBuffer.data() + (FPosition - FBufferStart);
    FPosition += static_cast<std::int64_t>(Count);
    return TagLib::ByteVector(Start, static_cast<unsigned int>(Count));
  }
  TagLib::ByteVector Block(static_cast<unsigned int>(Count), 0);
  Block.resize(static_cast<unsigned int>(ReadAt(Block.data(), Count, FPosition)));
  FPosition += Block.size();
  return Block;
}

void TDescriptorStream::writeBlock(const TagLib::ByteVector&) {}

void TDescriptorStream::insert(const TagLib::ByteVector&, TTagLibStart, TTagLibSize) {}

void TDescriptorStream::removeBlock(TTagLibStart, TTagLibSize) {}

bool TDescriptorStream::readOnly() const { return true; }

bool TDescriptorStream::isOpen() const { return true; }

void TDescriptorStream::seek(TTagLibOffset Offset, Position From) {
  const std::int64_t Base = From == Beginning ? 0 : From == Current ? FPosition : FSize;
  const std::int64_t Target = Base + static_cast<std::int64_t>(Offset);
  // As fseek, a seek before the start leaves the position where it was.
  if (Target >= 0) FPosition = Target;
}

TTagLibOffset TDescriptorStream::tell() const { return static_cast<TTagLibOffset>(FPosition); }

TTagLibOffset TDescriptorStream::length() { return static_cast<TTagLibOffset>(FSize); }

void TDescriptorStream::truncate(TTagLibOffset) {}

bool TDescriptorStream::Buffered(std::uint64_t Count) const {
  return FPosition >= FBufferStart &&
         static_cast<std::uint64_t>(FPosition - FBufferStart) + Count <= FBufferLength;
}

void TDescriptorStream::FillBuffer() {
  FBuffer.resize(BufferSize);
  FBufferStart = FPosition;
  FBufferLength = ReadAt(FBuffer.data(), BufferSize, FPosition);
}

// Fewer bytes than asked only at the end of the file or on an error.
std::size_t TDescriptorStream::ReadAt(char* Target, std::size_t Count, std::int64_t Offset) const {
  std::size_t Done = 0;
  while (Done < Count) {
    const ssize_t Read = pread(FHandle, Target + Done, Count - Done, static_cast<off_t>(Offset + Done));
    if (Read < 0 && errno == EINTR) continue;
    if (Read <= 0) break;
    Done += static_cast<std::size_t>(Read);
  }
  return Done;
}

}  // namespace cantrel
