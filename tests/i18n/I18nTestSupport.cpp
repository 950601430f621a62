#include "I18nTestSupport.h"

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

TMessageBoxRecorder::TMessageBoxRecorder() {
  FPrevious = SetMessageBoxHook([this](const String& Text, const String& Caption, TMessageBoxIcon) {
    Shown.push_back({Caption, Text});
  });
}

TMessageBoxRecorder::~TMessageBoxRecorder() { SetMessageBoxHook(std::move(FPrevious)); }

}  // namespace cantrel::test
