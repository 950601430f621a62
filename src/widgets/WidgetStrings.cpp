#include "widgets/WidgetStrings.h"

#include "runtime/RuntimeConsts.h"

namespace cantrel {

void TWidgetStrings::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index > Limit) Error(&SListIndexError, Index);
}

}  // namespace cantrel
