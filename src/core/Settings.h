// The values kept in the settings file from one run to the next.
#pragma once

#include <cstdint>

#include "runtime/IniFile.h"
#include "runtime/String.h"

namespace cantrel {

// What the window keeps from one run to the next, in the settings file:
// [Path] LastFolder, [Filter] VideoFormat and AudioFormat, [File] MinSize,
// the size of the window, [Window] Width and Height, the tag options,
// [Playlist] Tags (0 or 1) and Order (name or tags), and [Watch] Enabled (0
// or 1). Until Read, and for every key that is missing, the defaults hold:
// the programs' folder, the translated default video and more-audio filter
// lines, 102400, the window's first size, no tags, name order, no watch.
class TSettings {
public:
  static constexpr std::int32_t DefaultMinSize = 102400;
  // The window's client area below its menu bar at 96 dots per inch: its
  // first and smallest size.
  static constexpr std::int32_t DefaultWindowWidth = 434;
  static constexpr std::int32_t DefaultWindowHeight = 231;

  explicit TSettings(String FileName);

  const String& FileName() const { return FIniFile.FileName(); }

  // Reads the values. Anything at the path that is not a readable settings
  // file (a folder, a FIFO, a device) reads as empty: the defaults.
  void Read();
  // Writes LastFolder, VideoFormat, AudioFormat and MinSize in this order,
  // then the optional keys. A write that fails raises EIniFileException
  // "Unable to write to %s"; the keys after it are not written.
  void Write();

  const String& LastFolder() const { return FLastFolder; }
  void SetLastFolder(const String& Value) { FLastFolder = Value; }
  const String& VideoFormat() const { return FVideoFormat; }
  void SetVideoFormat(const String& Value) { FVideoFormat = Value; }
  const String& AudioFormat() const { return FAudioFormat; }
  void SetAudioFormat(const String& Value) { FAudioFormat = Value; }
  std::int32_t MinSize() const { return FMinSize; }
  void SetMinSize(std::int32_t Value) { FMinSize = Value; }
  std::int32_t WindowWidth() const { return FWindowWidth.Value; }
  void SetWindowWidth(std::int32_t Value) { FWindowWidth.Value = Value; }
  std::int32_t WindowHeight() const { return FWindowHeight.Value; }
  void SetWindowHeight(std::int32_t Value) { FWindowHeight.Value = Value; }
  bool Tags() const { return FTags.Value != 0; }
  void SetTags(bool Value) { FTags.Value = Value ? 1 : 0; }
  // Any value but "tags" is name order.
  bool OrderByTags() const { return SameText(FOrder.Value, OrderTags); }
  void SetOrderByTags(bool Value) { FOrder.Value = String(Value ? OrderTags : OrderName); }
  // "Keep playlists up to date", [Watch] Enabled.
  bool Watch() const { return FWatch.Value != 0; }
  void SetWatch(bool Value) { FWatch.Value = Value ? 1 : 0; }

private:
  // A key beyond the original ones: written only when it differs from its
  // default or the file holds it already, so that a user who changes
  // nothing keeps the file as it was.
  struct TOptionalInteger {
    StringView Section;
    StringView Ident;
    std::int32_t Default;
    std::int32_t Value = Default;
    bool InFile = false;
  };

  struct TOptionalText {
    StringView Section;
    StringView Ident;
    StringView Default;
    String Value = String(Default);
    bool InFile = false;
  };

  static constexpr StringView OrderName = u"name";
  static constexpr StringView OrderTags = u"tags";

  void Read(TOptionalInteger& Key) const;
  void Write(TOptionalInteger& Key);
  void Read(TOptionalText& Key) const;
  void Write(TOptionalText& Key);

  TIniFile FIniFile;
  String FLastFolder;
  String FVideoFormat;
  String FAudioFormat;
  std::int32_t FMinSize = DefaultMinSize;
  TOptionalInteger FWindowWidth{u"Window", u"Width", DefaultWindowWidth};
  TOptionalInteger FWindowHeight{u"Window", u"Height", DefaultWindowHeight};
  TOptionalInteger FTags{u"Playlist", u"Tags", 0};
  TOptionalText FOrder{u"Playlist", u"Order", OrderName};
  TOptionalInteger FWatch{u"Watch", u"Enabled", 0};
};

}  // namespace cantrel
