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
constexpr StringView FileSection = u"File";
constexpr StringView MinSizeKey = u"MinSize";

String DefaultLastFolder() { return ExtractFilePath(ModuleFileName()); }

String DefaultVideoFormat() { return gettext(String(DefaultVideoFilterText)); }

}  // namespace

TSettings::TSettings(String FileName)
    : FIniFile(std::move(FileName)), FLastFolder(DefaultLastFolder()), FVideoFormat(DefaultVideoFormat()) {}

void TSettings::Read() {
  FLastFolder = FIniFile.ReadString(PathSection, LastFolderKey, DefaultLastFolder());
  FVideoFormat = FIniFile.ReadString(FilterSection, VideoFormatKey, DefaultVideoFormat());
  FMinSize = FIniFile.ReadInteger(FileSection, MinSizeKey, DefaultMinSize);
}

void TSettings::Write() {
  FIniFile.WriteString(PathSection, LastFolderKey, FLastFolder);
  FIniFile.WriteString(FilterSection, VideoFormatKey, FVideoFormat);
  FIniFile.WriteInteger(FileSection, MinSizeKey, FMinSize);
  FIniFile.UpdateFile();
}

}  // namespace cantrel
