// The file search layer's message texts.
#pragma once

#include "runtime/ResourceStrings.h"

// A row per message: its record's name, the identifier it is known by, its text.
#define CANTREL_FILESEARCH_STRINGS(ResourceString)                            \
  ResourceString(SSearchStringBlank, 64000, u"Search string cannot be blank")

namespace cantrel {

CANTREL_DECLARE_RESOURCE_STRINGS(FileSearchResources, CANTREL_FILESEARCH_STRINGS)

}  // namespace cantrel
