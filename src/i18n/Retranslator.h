// What a translated window runs again when the language changes.
#pragma once

#include <vector>

#include "i18n/ObjectAdapter.h"
#include "runtime/Object.h"

namespace cantrel {

class TGettextInstance;

// Something that can be run later.
class TExecutable : public TObject {
public:
  virtual void Execute() = 0;
};

// One text as it stood before the first translation. Alive, when set, tells
// whether the object still exists.
struct TTP_RetranslatorItem {
  TObjectHandle Obj;
  TLifeCheck Alive;
  String Propname;
  String OldValue;
};

// Remembers the untranslated texts of a window, so that it can be translated
// again into another language.
class TTP_Retranslator : public TExecutable {
public:
  explicit TTP_Retranslator(TGettextInstance& Instance) : Instance(&Instance) {}

  void Remember(const TObjectHandle& Obj, const String& Propname, const String& OldValue);
  // Translates every remembered text anew, in the order remembered, into the
  // engine's current language. Objects freed since are skipped.
  void Execute() override;

  String TextDomain;
  TGettextInstance* Instance;

  const std::vector<TTP_RetranslatorItem>& Items() const { return FItems; }

private:
  std::vector<TTP_RetranslatorItem> FItems;
};

}  // namespace cantrel
