// Where the settings file lies.
#include "core/SettingsLocation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "i18n/Gettext.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

constexpr StringView SettingsName = u"cantrel.ini";

// The user's home: HOME, else the password database.
String HomeFolder() {
  if (const char* Home = std::getenv("HOME"); Home && *Home) return FromSystemFileName(Home);
  std::vector<char> Buffer(16384);
  passwd Entry{};
  passwd* Found = nullptr;
  if (getpwuid_r(getuid(), &Entry, Buffer.data(), Buffer.size(), &Found) == 0 && Found && Found->pw_dir)
    return FromSystemFileName(Found->pw_dir);
  return u"/";
}

String ConfigFolder() {
  // Relative values are invalid by the XDG rules and are ignored.
  if (const char* Config = std::getenv("XDG_CONFIG_HOME"); Config && *Config == '/')
    return IncludeTrailingPathDelimiter(FromSystemFileName(Config));
  return IncludeTrailingPathDelimiter(HomeFolder()) + u".config/";
}

// The installed programs are the packed copies that carry their catalogs;
// they keep their settings per user even where their folder is writable
// (root and /usr/local/bin).
bool IsInstalledProgram() {
  const TFileLocator* Locator = GlobalFileLocator();
  return Locator && !Locator->BaseDirectory().empty();
}

}  // namespace

String SettingsFileName() {
  const String ProgramFolder = ExtractFilePath(ModuleFileName());
  if (!ProgramFolder.empty() && !IsInstalledProgram() &&
      access(SystemFileName(ProgramFolder).c_str(), W_OK | X_OK) == 0)
    return ProgramFolder + String(SettingsName);
  return ConfigFolder() + u"cantrel/" + String(SettingsName);
}

bool CreateSettingsFolder(StringView FileName) {
  const std::string Folder = SystemFileName(ExtractFilePath(FileName));
  // Each missing folder from the top down.
  for (std::size_t End = Folder.find('/', 1); End != std::string::npos; End = Folder.find('/', End + 1)) {
    const std::string Part = Folder.substr(0, End);
    if (mkdir(Part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat Info {};
  return Folder.empty() || (stat(Folder.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode));
}

}  // namespace cantrel
