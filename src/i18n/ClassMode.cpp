// Rules that take objects of a class, or some of their properties, out of window translation.
#include "i18n/ClassMode.h"

namespace cantrel {

TClassMode::TClassMode(TClassHandle AClass, TTranslator Handler)
    : HClass(std::move(AClass)), SpecialHandler(std::move(Handler)) {
  PropertiesToIgnore.SetCompareFunction([](const String& A, const String& B) { return CompareText(A, B); });
  PropertiesToIgnore.SetDuplicates(TDuplicates::dupError);
  PropertiesToIgnore.SetSorted(true);
}

}  // namespace cantrel
