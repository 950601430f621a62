// One loaded catalog in the GNU MO format.
#include "i18n/MoFile.h"

#include <algorithm>
#include <bit>

#include "i18n/GettextConsts.h"
#include "i18n/GettextErrors.h"
#include "runtime/FileReader.h"

namespace cantrel {

namespace {

constexpr std::uint32_t BigEndianMagic = 0x950412de;
constexpr std::uint32_t LittleEndianMagic = 0xde120495;
// Magic, revision, count, the two table offsets, hash size and offset.
constexpr std::uint64_t HeaderSize = 28;
// A table entry is a length and an offset.
constexpr std::uint64_t TableEntrySize = 8;

[[noreturn]] void NotACatalog(const String& FileName) {
  throw EGettextIOError(LoadResString(&SNotAValidMoFile) + FileName);
}

}  // namespace

TMoFile::TMoFile(const String& FileName, std::uint64_t Offset, std::uint64_t Size) {
  {
    const TFileReader Reader(FileName);
    if (Size == 0) Size = Offset <= Reader.Size() ? Reader.Size() - Offset : 0;
    if (Size < HeaderSize) NotACatalog(FileName);
    FMemory = Reader.ReadAt(Offset, static_cast<std::size_t>(Size));
  }
  const std::uint32_t Magic = Word(0);
  if (Magic == LittleEndianMagic) FDoSwap = true;
  else if (Magic != BigEndianMagic) NotACatalog(FileName);
  FCount = Word(8);
  FMsgIdTable = Word(12);
  FTranslationTable = Word(16);
  CheckTable(FMsgIdTable, FileName);
  CheckTable(FTranslationTable, FileName);
  FStartIndex = std::bit_floor(FCount);
  FStartStep = FStartIndex / 2;
}

std::uint32_t TMoFile::Word(std::uint64_t Offset) const {
  const auto Byte = [&](std::uint64_t I) { return std::uint32_t(static_cast<unsigned char>(FMemory[Offset + I])); };
  if (FDoSwap) return Byte(0) | Byte(1) << 8 | Byte(2) << 16 | Byte(3) << 24;
  return Byte(0) << 24 | Byte(1) << 16 | Byte(2) << 8 | Byte(3);
}

void TMoFile::CheckTable(std::uint32_t Table, const String& FileName) const {
  const std::uint64_t Size = FMemory.size();
  if (Table > Size || std::uint64_t{FCount} * TableEntrySize > Size - Table) NotACatalog(FileName);
  for (std::uint64_t Entry = Table; Entry < Table + std::uint64_t{FCount} * TableEntrySize; Entry += TableEntrySize) {
    const std::uint64_t Length = Word(Entry);
    const std::uint64_t Start = Word(Entry + 4);
    if (Start > Size || Length > Size - Start) NotACatalog(FileName);
  }
}

std::string_view TMoFile::TableString(std::uint32_t Table, std::uint32_t Index) const {
  const std::uint64_t Entry = Table + (std::uint64_t{Index} - 1) * TableEntrySize;
  return std::string_view(FMemory).substr(Word(Entry + 4), Word(Entry));
}

std::string TMoFile::gettext(std::string_view MsgId, bool& Found) const {
  Found = false;
  if (FCount == 0) return std::string(MsgId);
  std::uint32_t Index = FStartIndex;
  std::uint32_t Step = FStartStep;
  for (;;) {
    // string_view compares bytes as unsigned, a prefix sorting first.
    const int Compared = MsgId.compare(TableString(FMsgIdTable, Index));
    if (Compared == 0) {
      Found = true;
      return std::string(TableString(FTranslationTable, Index));
    }
    if (Step == 0) return std::string(MsgId);
    if (Compared < 0)
      Index = Index > Step ? Index - Step : 1;
    else
      Index = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{Index} + Step, FCount));
    Step /= 2;
  }
}

}  // namespace cantrel
