// The localization layer's message texts.
#include "i18n/GettextConsts.h"

namespace cantrel {

CANTREL_DEFINE_RESOURCE_STRINGS(GettextResources, CANTREL_GETTEXT_STRINGS)

}  // namespace cantrel
