#pragma once

#include "runtime/ResourceStrings.h"

namespace cantrel {

// The file search layer's own message texts.
extern const TResourceModule FileSearchResources;

extern const TResStringRec SSearchStringBlank;  // "Search string cannot be blank"

}  // namespace cantrel
