#include "I18nTestSupport.h"

#include <cstdlib>

namespace cantrel::test {

String FixtureCatalogs(bool BigEndian) {
  return Utf8ToString(CANTREL_TEST_CATALOGS) + (BigEndian ? u"/big/" : u"/little/");
}

String FixtureCatalog(std::string_view Language, bool BigEndian) {
  return FixtureCatalogs(BigEndian) + AsciiToString(Language) + u"/LC_MESSAGES/fixture.mo";
}

TScopedEnvironment::TScopedEnvironment(
    std::initializer_list<std::pair<const char*, std::optional<std::string>>> Variables) {
  for (const auto& [Name, Value] : Variables) {
    const char* Old = std::getenv(Name);
    FSaved.emplace_back(Name, Old ? std::optional<std::string>(Old) : std::nullopt);
    if (Value)
      setenv(Name, Value->c_str(), 1);
    else
      unsetenv(Name);
  }
}

TScopedEnvironment::~TScopedEnvironment() {
  for (auto It = FSaved.rbegin(); It != FSaved.rend(); ++It) {
    if (It->second)
      setenv(It->first.c_str(), It->second->c_str(), 1);
    else
      unsetenv(It->first.c_str());
  }
}

TMessageBoxRecorder::TMessageBoxRecorder() {
  FPrevious = SetMessageBoxHook([this](const String& Text, const String& Caption, TMessageBoxIcon) {
    Shown.push_back({Caption, Text});
  });
}

TMessageBoxRecorder::~TMessageBoxRecorder() { SetMessageBoxHook(std::move(FPrevious)); }

}  // namespace cantrel::test
