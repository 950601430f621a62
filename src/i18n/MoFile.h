// One loaded catalog in the GNU MO format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Object.h"

namespace cantrel {

// One loaded catalog in the GNU MO format: its bytes, whole, checked once
// when loaded so that no lookup can read outside them.
class TMoFile : public TObject {
public:
  // Loads Size bytes from Offset of FileName; a Size of 0 means up to the end
  // of the file. A file that is not a catalog, or whose tables point outside
  // it, raises EGettextIOError "This file is not a valid GNU gettext mo file: "
  // followed by FileName; a file that cannot be opened or read raises the
  // file error.
  TMoFile(const String& FileName, std::uint64_t Offset, std::uint64_t Size);

  // The translation of a UTF-8 msgid, or the msgid itself with Found false.
  std::string gettext(std::string_view MsgId, bool& Found) const;

  // True for a little-endian catalog.
  bool DoSwap() const { return FDoSwap; }
  std::uint32_t Count() const { return FCount; }
  // The binary search starts at the largest power of two not above Count
  // and moves by half of it, then half of that, and so on.
  std::uint32_t StartIndex() const { return FStartIndex; }
  std::uint32_t StartStep() const { return FStartStep; }

private:
  std::uint32_t Word(std::uint64_t Offset) const;
  // The string that entry Index (from 1) of a table names.
  std::string_view TableString(std::uint32_t Table, std::uint32_t Index) const;
  void CheckTable(std::uint32_t Table, const String& FileName) const;

  std::string FMemory;
  bool FDoSwap = false;
  std::uint32_t FCount = 0;
  std::uint32_t FMsgIdTable = 0;
  std::uint32_t FTranslationTable = 0;
  std::uint32_t FStartIndex = 0;
  std::uint32_t FStartStep = 0;
};

}  // namespace cantrel
