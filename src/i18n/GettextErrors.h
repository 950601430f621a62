// The localization layer's errors.
#pragma once

#include "runtime/Exceptions.h"

namespace cantrel {

// The localization layer's errors.
CANTREL_EXCEPTION(EGettext, Exception);
CANTREL_EXCEPTION(EGettextProgrammingError, EGettext);
CANTREL_EXCEPTION(EGettextComponentError, EGettext);
CANTREL_EXCEPTION(EGettextIOError, EGettext);
CANTREL_EXCEPTION(EGettextAnsi2WideConvError, EGettext);

}  // namespace cantrel
