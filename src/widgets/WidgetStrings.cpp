// A run-time string list whose lines live in a Qt widget.
#include "widgets/WidgetStrings.h"

#include "runtime/RuntimeConsts.h"

namespace cantrel {

void TWidgetStrings::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index > Limit) Error(&SListIndexError, Index);
}

}  // namespace cantrel
