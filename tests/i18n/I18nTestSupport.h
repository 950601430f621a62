#pragma once

#include <string_view>
#include <vector>

#include "ScopedEnvironment.h"
#include "TempDir.h"
#include "i18n/GettextInstance.h"
#include "runtime/MessageBox.h"
#include "runtime/String.h"

namespace cantrel::test {

// The folder holding <lang>/LC_MESSAGES/<domain>.mo test catalogs, ending in
// "/": little-endian ones, or the same catalogs written big-endian.
String FixtureCatalogs(bool BigEndian = false);
// The catalog of the domain "fixture" in one language.
String FixtureCatalog(std::string_view Language, bool BigEndian = false);

// Binds the domain "broken" to Temp, whose German catalog is no catalog,
// and answers the message of the error that a lookup there raises.
String BrokenCatalogError(TGettextInstance& Engine, const TTempDir& Temp);

// Records message boxes instead of showing them, for its lifetime.
class TMessageBoxRecorder {
public:
  struct TMessage {
    String Caption;
    String Text;
  };

  TMessageBoxRecorder();
  ~TMessageBoxRecorder();
  TMessageBoxRecorder(const TMessageBoxRecorder&) = delete;
  TMessageBoxRecorder& operator=(const TMessageBoxRecorder&) = delete;

  std::vector<TMessage> Shown;

private:
  TMessageBoxHook FPrevious;
};

}  // namespace cantrel::test
