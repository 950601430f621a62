#include "I18nTestSupport.h"

#include <cstdlib>

#include "i18n/GettextErrors.h"

namespace cantrel::test {

String FixtureCatalogs(bool BigEndian) {
  return Utf8ToString(CANTREL_TEST_CATALOGS) + (BigEndian ? u"/big/" : u"/little/");
}

String FixtureCatalog(std::string_view Language, bool BigEndian) {
  return FixtureCatalogs(BigEndian) + AsciiToString(Language) + u"/LC_MESSAGES/fixture.mo";
}

String BrokenCatalogError(TGettextInstance& Engine, const TTempDir& Temp) {
  Temp.MakeFile("de/LC_MESSAGES/broken.mo", "garbage, not a catalog");
  Engine.bindtextdomain(u"broken", Temp.Folder());
  try {
    Engine.dgettext(u"broken", u"Find");
  } catch (const EGettextIOError& Error) {
    return Error.Message();
  }
  return u"no error";
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
