// TIniFile: settings files of sections and keys.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/String.h"

namespace cantrel {

// A settings file of "[Section]" and "Key=Value" lines. Sections and keys
// compare without regard to case; a missing file reads as empty. Every
// write goes straight to disk, replacing the file in one step and keeping
// every other line as it was; the file is UTF-8.
//
// Only a regular file of at most MaxFileSize bytes is read. Anything else
// there (a folder, a FIFO, a device, a larger file, a file that cannot be
// read) reads as empty, without blocking, and is never replaced: writes to
// it fail. Lines end with LF, CR LF or CR.
//
// A value that begins or ends with a blank or a double quote, or ends with
// "]", is written in double quotes; a value read in double quotes comes
// back without them. So whatever a value holds (but a line break), it reads
// back as it was written.
class TIniFile {
public:
  static constexpr std::uint64_t MaxFileSize = 1 << 20;

  explicit TIniFile(String FileName);

  const String& FileName() const { return FFileName; }

  // A missing key yields Default; a key with an empty value yields "".
  // Values longer than 2047 characters are cut (never inside a surrogate
  // pair, so such a value may come back one shorter).
  String ReadString(StringView Section, StringView Ident, StringView Default) const;
  // Whether the file holds the key, with any value.
  bool ValueExists(StringView Section, StringView Ident) const;
  // Decimal, or hexadecimal behind "$", "x" or "0x"; Default unless the
  // whole value is a 32-bit integer.
  std::int32_t ReadInteger(StringView Section, StringView Ident, std::int32_t Default) const;
  // Raises EIniFileException "Unable to write to %s" when the file cannot
  // be written, and "A line break cannot be written to the settings file
  // %s" for a value holding CR or LF; the file is left as it was.
  void WriteString(StringView Section, StringView Ident, StringView Value);
  void WriteInteger(StringView Section, StringView Ident, std::int32_t Value);
  // Writes reach the disk at once; kept for callers that flush.
  void UpdateFile() {}

private:
  struct TLines {
    std::vector<String> Lines;
    String LineBreak = u"\n";
    // False when something other than a readable settings file lies at the
    // path: it reads as empty and must not be replaced.
    bool Writable = true;
  };

  TLines Load() const;
  std::optional<String> FindValue(StringView Section, StringView Ident) const;
  void Save(const TLines& Lines);

  String FFileName;
};

}  // namespace cantrel
