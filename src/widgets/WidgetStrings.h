// A run-time string list whose lines live in a Qt widget.
#pragma once

#include "runtime/Strings.h"

class QObject;

namespace cantrel {

// A run-time string list whose lines live in a Qt widget and that dies with
// it.
class TWidgetStrings : public TStrings {
public:
  explicit TWidgetStrings(QObject& Owner) : FOwner(Owner) {}

  QObject& Owner() const { return FOwner; }

protected:
  // Raises EStringListError "List index out of bounds (%d)" outside
  // 0..Limit.
  void CheckIndex(int Index, int Limit) const;

private:
  QObject& FOwner;
};

}  // namespace cantrel
