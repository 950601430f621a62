// The run-time layer's message texts.
#include "runtime/RuntimeConsts.h"

namespace cantrel {

CANTREL_DEFINE_RESOURCE_STRINGS(RuntimeResources, CANTREL_RUNTIME_STRINGS)

}  // namespace cantrel
