#pragma once

#include <functional>

#include "runtime/Strings.h"

namespace cantrel {

// Translates an object that a rule takes out of the walk.
using TTranslator = std::function<void(TObject& Obj)>;

// A rule that keeps a class and its descendants, or some of their
// properties, out of window translation. Without property names it takes
// whole objects out (and hands them to SpecialHandler when one is set).
class TClassMode : public TObject {
public:
  explicit TClassMode(const TClassInfo& AClass, TTranslator Handler = nullptr);

  const TClassInfo* HClass;
  TTranslator SpecialHandler;
  // Sorted, compared without regard to case; a repeat raises
  // EStringListError.
  TStringList PropertiesToIgnore;
};

}  // namespace cantrel
