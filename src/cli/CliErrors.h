// The errors that end cantrel-cli before a search: a bad command line, a folder that cannot be searched.
#pragma once

#include "runtime/Exceptions.h"

namespace cantrel {

// A command line that cannot be run as given.
CANTREL_EXCEPTION(EUsageError, Exception);
// A FOLDER that does not exist or cannot be read.
CANTREL_EXCEPTION(EFolderError, Exception);

}  // namespace cantrel
