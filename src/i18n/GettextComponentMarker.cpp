#include "i18n/GettextComponentMarker.h"

namespace cantrel {

const TClassInfo& TGettextComponentMarker::StaticClass() {
  static const TClassInfo Info(u"TGettextComponentMarker", &TComponent::StaticClass());
  return Info;
}

const TClassInfo& TGettextComponentMarker::ClassType() const { return StaticClass(); }

}  // namespace cantrel
