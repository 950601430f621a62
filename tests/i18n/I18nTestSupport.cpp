#include "I18nTestSupport.h"

namespace cantrel::test {

String FixtureCatalogs(bool BigEndian) {
  return Utf8ToString(CANTREL_TEST_CATALOGS) + (BigEndian ? u"/big/" : u"/little/");
}

String FixtureCatalog(std::string_view Language, bool BigEndian) {
  return FixtureCatalogs(BigEndian) + AsciiToString(Language) + u"/LC_MESSAGES/fixture.mo";
}

TMessageBoxRecorder::TMessageBoxRecorder() {
  FPrevious = SetMessageBoxHook([this](const String& Text, const String& Caption, TMessageBoxIcon) {
    Shown.push_back({Caption, Text});
  });
}

TMessageBoxRecorder::~TMessageBoxRecorder() { SetMessageBoxHook(std::move(FPrevious)); }

}  // namespace cantrel::test
