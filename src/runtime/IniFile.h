#pragma once

#include <cstdint>
#include <vector>

#include "runtime/String.h"

namespace cantrel {

// A settings file of "[Section]" and "Key=Value" lines. Sections and keys
// compare without regard to case; a missing file reads as empty. Every
// write goes straight to disk, replacing the file in one step and keeping
// every other line as it was; the file is UTF-8.
class TIniFile {
public:
  explicit TIniFile(String FileName);

  const String& FileName() const { return FFileName; }

  // A missing key yields Default; a key with an empty value yields "".
  // Values longer than 2047 characters are cut.
  String ReadString(StringView Section, StringView Ident, StringView Default) const;
  // Decimal, or hexadecimal behind "$", "x" or "0x"; Default unless the
  // whole value is a 32-bit integer.
  std::int32_t ReadInteger(StringView Section, StringView Ident, std::int32_t Default) const;
  // Raises EIniFileException "Unable to write to %s" when the file cannot
  // be written.
  void WriteString(StringView Section, StringView Ident, StringView Value);
  void WriteInteger(StringView Section, StringView Ident, std::int32_t Value);
  // Writes reach the disk at once; kept for callers that flush.
  void UpdateFile() {}

private:
  struct TLines {
    std::vector<String> Lines;
    String LineBreak = u"\n";
  };

  TLines Load() const;
  void Save(const TLines& Lines);

  String FFileName;
};

}  // namespace cantrel
