// Rules that take objects of a class, or some of their properties, out of window translation.
#pragma once

#include <functional>

#include "i18n/ObjectAdapter.h"
#include "runtime/Strings.h"

namespace cantrel {

// Translates an object that a rule takes out of the walk.
using TTranslator = std::function<void(const TObjectHandle& Obj)>;

// A rule that keeps a class and its descendants, or some of their
// properties, out of window translation. Without property names it takes
// whole objects out (and hands them to SpecialHandler when one is set).
class TClassMode : public TObject {
public:
  explicit TClassMode(TClassHandle AClass, TTranslator Handler = nullptr);

  TClassHandle HClass;
  TTranslator SpecialHandler;
  // Sorted, compared without regard to case; a repeat raises
  // EStringListError.
  TStringList PropertiesToIgnore;
};

}  // namespace cantrel
