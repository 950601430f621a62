#pragma once

#include "runtime/Exceptions.h"

namespace cantrel {

// A command line that cannot be run as given.
CANTREL_EXCEPTION(EUsageError, Exception);

}  // namespace cantrel
