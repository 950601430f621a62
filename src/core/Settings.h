// The values kept in the settings file from one run to the next.
#pragma once

#include <cstdint>

#include "runtime/IniFile.h"

namespace cantrel {

// The three values the window keeps from one run to the next, in the
// settings file: [Path] LastFolder, [Filter] VideoFormat, [File] MinSize.
// Until Read, and for every key that is missing, the defaults hold: the
// programs' folder, the translated default video filter line and 102400.
class TSettings {
public:
  static constexpr std::int32_t DefaultMinSize = 102400;

  explicit TSettings(String FileName);

  const String& FileName() const { return FIniFile.FileName(); }

  // Reads the three values. Anything at the path that is not a readable
  // settings file (a folder, a FIFO, a device) reads as empty: the defaults.
  void Read();
  // Writes LastFolder, VideoFormat and MinSize in this order. A write that
  // fails raises EIniFileException "Unable to write to %s"; the keys after
  // it are not written.
  void Write();

  const String& LastFolder() const { return FLastFolder; }
  void SetLastFolder(const String& Value) { FLastFolder = Value; }
  const String& VideoFormat() const { return FVideoFormat; }
  void SetVideoFormat(const String& Value) { FVideoFormat = Value; }
  std::int32_t MinSize() const { return FMinSize; }
  void SetMinSize(std::int32_t Value) { FMinSize = Value; }

private:
  TIniFile FIniFile;
  String FLastFolder;
  String FVideoFormat;
  std::int32_t FMinSize = DefaultMinSize;
};

}  // namespace cantrel
