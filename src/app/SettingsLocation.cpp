#include "app/SettingsLocation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

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

}  // namespace

String SettingsFileName() {
  const String ProgramFolder = ExtractFilePath(ModuleFileName());
  if (!ProgramFolder.empty() && access(SystemFileName(ProgramFolder).c_str(), W_OK | X_OK) == 0)
    return ProgramFolder + String(SettingsName);
  return ConfigFolder() + u"cantrel/" + String(SettingsName);
}

}  // namespace cantrel
