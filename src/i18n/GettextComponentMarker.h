#pragma once

#include <memory>

#include "i18n/Retranslator.h"
#include "runtime/Component.h"

namespace cantrel {

// Left in a translated window, under the name "GettextMarker": the language
// the window was last translated into and the untranslated texts.
class TGettextComponentMarker : public TComponent {
  CANTREL_DECLARE_CLASS();

public:
  using TComponent::TComponent;

  String LastLanguage;
  std::unique_ptr<TTP_Retranslator> Retranslator;
};

}  // namespace cantrel
