// The MO catalog reader on any bytes, in either byte order: a file is
// either refused with the catalog error or answers every lookup, and the
// engine's lookups and plural forms on an accepted catalog fail only with
// the errors it documents.
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "i18n/FileLocator.h"
#include "i18n/GettextErrors.h"
#include "i18n/GettextInstance.h"
#include "i18n/MoFile.h"
#include "runtime/MessageBox.h"

using namespace cantrel;
using namespace cantrel::fuzz;

namespace {

// The NUL-separated pieces of the input: among them the msgids of a
// catalog, which the file stores NUL-terminated.
std::vector<std::string_view> Pieces(std::string_view Bytes) {
  std::vector<std::string_view> Result;
  for (std::size_t Start = 0; Start <= Bytes.size() && Result.size() < 64;) {
    const std::size_t End = std::min(Bytes.find('\0', Start), Bytes.size());
    Result.push_back(Bytes.substr(Start, End - Start));
    Start = End + 1;
  }
  return Result;
}

const char16_t* const Languages[] = {u"de", u"pl", u"ru", u"fr", u"lv", u"ga", u"lt", u"sl", u"ja", u"pt_BR"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static TMemoryFile File;
  // A catalog not declared UTF-8 is told of in a message box.
  static const TMessageBoxHook Quiet = SetMessageBoxHook([](const String&, const String&, TMessageBoxIcon) {});
  const std::string_view Bytes = AsBytes(Data, Size);
  File.Write(Bytes);
  const std::vector<std::string_view> Keys = Pieces(Bytes);
  try {
    const TMoFile Catalog(File.Name(), 0, 0);
    for (const std::string_view Key : Keys) {
      bool Found;
      const std::string Translation = Catalog.gettext(Key, Found);
      FUZZ_CHECK(Found || Translation == Key);
      FUZZ_CHECK(Translation.size() <= Size || Translation == Key);
    }
  } catch (const EGettextIOError&) {
    return 0;
  }

  TFileLocator Locator(File.Name());
  TGettextInstance Engine(Locator, File.Name());
  Engine.bindtextdomainToFile(u"fuzz", File.Name());
  Engine.textdomain(u"fuzz");
  Engine.UseLanguage(Languages[Size % std::size(Languages)]);
  for (std::size_t I = 0; I < Keys.size(); ++I) {
    const String Key = Utf8ToString(Keys[I]);
    try {
      Engine.dgettext(u"fuzz", Key);
      if (I + 1 < Keys.size())
        Engine.dngettext(u"fuzz", Key, Utf8ToString(Keys[I + 1]), static_cast<int>(Size * 7919 + I));
    } catch (const EGettext&) {
      FUZZ_CHECK(false);
    } catch (const Exception&) {
      // A translation that is not UTF-8.
    }
  }
  Engine.GetTranslationProperty(u"Plural-Forms");
  return 0;
}
