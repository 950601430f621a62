// Reads one media file's tags and length.
#include "tags/TagReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <exception>
#include <string>

#include <audioproperties.h>
#include <fileref.h>
#include <id3v2header.h>
#include <tag.h>
#include <tfile.h>
#include <tpropertymap.h>
#include <tstring.h>

#include "runtime/Paths.h"
#include "tags/DescriptorStream.h"

namespace cantrel {

namespace {

std::atomic<std::uint64_t> OpenedCount{0};

// A larger number is no place on an album.
constexpr int MaxNumber = 99999;

// TagLib keeps UTF-16 code units (TagLib 1 and 2 alike); a build that held
// whole code points is taken as well.
String FromTagLib(const TagLib::String& Text) {
  String Result;
  Result.reserve(Text.size());
  for (const wchar_t Unit : Text) {
    const auto Value = static_cast<char32_t>(Unit);
    if (Value <= 0xFFFF)
      Result += static_cast<char16_t>(Value);
    else
      AppendCodePoint(Result, Value <= 0x10FFFF ? Value : U'\uFFFD');
  }
  return Result;
}

// The number a text starts with after blanks, as in "3" and "3/12"; 0
// without one.
int LeadingNumber(const TagLib::String& Text) {
  auto It = Text.begin();
  while (It != Text.end() && *It == L' ') ++It;
  int Value = 0;
  for (; It != Text.end() && *It >= L'0' && *It <= L'9'; ++It) {
    Value = Value * 10 + static_cast<int>(*It - L'0');
    if (Value > MaxNumber) return 0;
  }
  return Value;
}

int PropertyNumber(const TagLib::PropertyMap& Properties, const char* Key) {
  const auto Found = Properties.find(Key);
  return Found == Properties.end() || Found->second.isEmpty() ? 0 : LeadingNumber(Found->second.front());
}

TMediaTags TagsOf(TagLib::FileRef& Ref) {
  TMediaTags Tags;
  if (const TagLib::AudioProperties* Audio = Ref.audioProperties()) {
    // 0 is what TagLib answers when it cannot tell (tracker formats, a
    // stream without frames).
    const int Length = Audio->lengthInMilliseconds();
    if (Length > 0) Tags.Length = Length;
  }
  const TagLib::Tag* Tag = Ref.tag();
  if (!Tag) return Tags;
  Tags.Title = FromTagLib(Tag->title());
  Tags.Artist = FromTagLib(Tag->artist());
  Tags.Album = FromTagLib(Tag->album());
  const TagLib::PropertyMap Properties = Ref.file()->properties();
  const unsigned Track = Tag->track();
  Tags.Track = Track > 0 && Track <= MaxNumber ? static_cast<int>(Track) : PropertyNumber(Properties, "TRACKNUMBER");
  Tags.Disc = PropertyNumber(Properties, "DISCNUMBER");
  return Tags;
}

// TagLib reads an ID3v2 tag cut short by the end of the file (a download
// that broke off) as far as it goes, the last text cut in the middle; such
// a file has no tags.
bool LeadingTagCutShort(TDescriptorStream& Stream) {
  const TagLib::ByteVector Identifier = TagLib::ID3v2::Header::fileIdentifier();
  Stream.seek(0, TagLib::IOStream::Beginning);
  const TagLib::ByteVector Start = Stream.readBlock(TagLib::ID3v2::Header::size());
  return Start.size() == TagLib::ID3v2::Header::size() && Start.startsWith(Identifier) &&
         TagLib::ID3v2::Header(Start).completeTagSize() > static_cast<std::uint64_t>(Stream.length());
}

TMediaTags ReadStream(TDescriptorStream& Stream) {
  Stream.seek(0, TagLib::IOStream::Beginning);
  TagLib::FileRef Ref(&Stream, true, TagLib::AudioProperties::Fast);
  return Ref.isNull() ? TMediaTags() : TagsOf(Ref);
}

// The file opened for reading, or -1. Anything but a regular file is left
// unopened (a FIFO would block, a device may act on an open); O_NONBLOCK
// covers one swapped in after the check.
int OpenRegularFile(int Folder, const std::string& Name, struct stat& Status) {
  if (fstatat(Folder, Name.c_str(), &Status, 0) != 0 || !S_ISREG(Status.st_mode)) return -1;
  const int Handle = openat(Folder, Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (Handle < 0) return -1;
  if (fstat(Handle, &Status) != 0 || !S_ISREG(Status.st_mode)) {
    close(Handle);
    return -1;
  }
  return Handle;
}

}  // namespace

TMediaTags ReadMediaTags(int Folder, StringView Name) {
  try {
    return ReadMediaTags(Folder, SystemFileName(Name));
  } catch (const std::exception&) {
    return {};
  }
}

TMediaTags ReadMediaTags(int Folder, std::string SystemName) {
  try {
    struct stat Status;
    const int Handle = OpenRegularFile(Folder, SystemName, Status);
    if (Handle < 0) return {};
    OpenedCount.fetch_add(1, std::memory_order_relaxed);
    TDescriptorStream Stream(Handle, Status.st_size, std::move(SystemName));
    if (LeadingTagCutShort(Stream)) return {};
    TMediaTags Tags = ReadStream(Stream);
    // TagLib takes a file of a known extension for that format even when
    // it finds nothing of it (an AAC file named .mp3); then the content
    // decides.
    if (Tags == TMediaTags() && Stream.HideExtension()) Tags = ReadStream(Stream);
    return Tags;
  } catch (const std::exception&) {
    // Only an allocation can fail here; a file that asks for too much
    // memory has no tags either.
    return {};
  }
}

std::uint64_t MediaFilesOpened() { return OpenedCount.load(std::memory_order_relaxed); }

}  // namespace cantrel
