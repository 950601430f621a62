// The scan of the embedded-catalog table on any module file: the input is
// the file, its first 8 bytes (little-endian) the table's offset, as the
// packaging tool writes it behind the marker. The scan never reads outside
// the file, keeps only trimmed, distinct names, and every name it keeps
// leads to its catalog (or to the catalog error).
#include <cstdint>

#include "FuzzSupport.h"
#include "i18n/FileLocator.h"
#include "i18n/GettextErrors.h"

using namespace cantrel;
using namespace cantrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static TMemoryFile Module;
  if (Size < 8) return 0;
  Module.Write(AsBytes(Data, Size));
  std::uint64_t TableOffset = 0;
  for (std::size_t I = 8; I-- > 0;) TableOffset = TableOffset << 8 | Data[I];

  TFileLocator Locator(Module.Name());
  Locator.AnalyzeTable(TableOffset);
  const std::vector<String> Names = Locator.EmbeddedFileNames();
  FUZZ_CHECK(Names.empty() || Locator.BaseDirectory() == u"/proc/self/fd/");
  for (std::size_t I = 0; I < Names.size(); ++I) {
    const String& Name = Names[I];
    FUZZ_CHECK(!Name.empty() && Trim(Name) == Name);
    FUZZ_CHECK(I == 0 || CompareText(Names[I - 1], Name) < 0);
    FUZZ_CHECK(Locator.FileExists(Locator.BaseDirectory() + Name));
    try {
      bool Found;
      Locator.GetMoFile(Locator.BaseDirectory() + Name)->gettext("", Found);
    } catch (const EGettextIOError&) {
      // Bytes that are not a catalog.
    }
  }
  return 0;
}
