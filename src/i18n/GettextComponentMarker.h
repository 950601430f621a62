// The marker left in a translated window: its language and untranslated texts.
#pragma once

#include <memory>

#include "i18n/ObjectAdapter.h"
#include "i18n/Retranslator.h"

namespace cantrel {

constexpr StringView GettextMarkerName = u"GettextMarker";

// Left in a translated window as a component named "GettextMarker": the
// language the window was last translated into and the untranslated texts.
class TGettextComponentMarker {
public:
  String LastLanguage;
  std::unique_ptr<TTP_Retranslator> Retranslator;
};

// The marker as the walk sees it: a component of class
// TGettextComponentMarker that publishes nothing and owns nothing.
TObjectHandle MarkerHandle(TGettextComponentMarker& Marker);
// The marker a handle stands for, or nullptr.
TGettextComponentMarker* AsMarker(const TObjectHandle& Handle);

}  // namespace cantrel
