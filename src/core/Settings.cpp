// The values kept in the settings file from one run to the next.
#include "core/Settings.h"

#include "core/FilterTexts.h"
#include "i18n/Gettext.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

constexpr StringView PathSection = u"Path";
constexpr StringView LastFolderKey = u"LastFolder";
constexpr StringView FilterSection = u"Filter";
constexpr StringView VideoFormatKey = u"VideoFormat";
constexpr StringView AudioFormatKey = u"AudioFormat";
constexpr StringView FileSection = u"File";
constexpr StringView MinSizeKey = u"MinSize";

String DefaultLastFolder() { return ExtractFilePath(ModuleFileName()); }

String DefaultVideoFormat() { return gettext(String(DefaultVideoFilterText)); }

String DefaultAudioFormat() { return gettext(String(DefaultMoreAudioFilterText)); }

}  // namespace

TSettings::TSettings(String FileName)
    : FIniFile(std::move(FileName)),
      FLastFolder(DefaultLastFolder()),
      FVideoFormat(DefaultVideoFormat()),
      FAudioFormat(DefaultAudioFormat()) {}

void TSettings::Read() {
  FLastFolder = FIniFile.ReadString(PathSection, LastFolderKey, DefaultLastFolder());
  FVideoFormat = FIniFile.ReadString(FilterSection, VideoFormatKey, DefaultVideoFormat());
  FAudioFormat = FIniFile.ReadString(FilterSection, AudioFormatKey, DefaultAudioFormat());
  FMinSize = FIniFile.ReadInteger(FileSection, MinSizeKey, DefaultMinSize);
  Read(FWindowWidth);
  Read(FWindowHeight);
  Read(FTags);
  Read(FOrder);
  Read(FWatch);
}

void TSettings::Write() {
  FIniFile.WriteString(PathSection, LastFolderKey, FLastFolder);
  FIniFile.WriteString(FilterSection, VideoFormatKey, FVideoFormat);
  FIniFile.WriteString(FilterSection, AudioFormatKey, FAudioFormat);
  FIniFile.WriteInteger(FileSection, MinSizeKey, FMinSize);
  Write(FWindowWidth);
  Write(FWindowHeight);
  Write(FTags);
  Write(FOrder);
  Write(FWatch);
  FIniFile.UpdateFile();
}

void TSettings::Read(TOptionalInteger& Key) const {
  Key.InFile = FIniFile.ValueExists(Key.Section, Key.Ident);
  Key.Value = FIniFile.ReadInteger(Key.Section, Key.Ident, Key.Default);
}

void TSettings::Write(TOptionalInteger& Key) {
  if (Key.Value == Key.Default && !Key.InFile) return;
  FIniFile.WriteInteger(Key.Section, Key.Ident, Key.Value);
  Key.InFile = true;
}

void TSettings::Read(TOptionalText& Key) const {
  Key.InFile = FIniFile.ValueExists(Key.Section, Key.Ident);
  Key.Value = FIniFile.ReadString(Key.Section, Key.Ident, String(Key.Default));
}

void TSettings::Write(TOptionalText& Key) {
  if (Key.Value == Key.Default && !Key.InFile) return;
  FIniFile.WriteString(Key.Section, Key.Ident, Key.Value);
  Key.InFile = true;
}

}  // namespace cantrel
