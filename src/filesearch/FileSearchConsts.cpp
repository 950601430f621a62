#include "filesearch/FileSearchConsts.h"

#include <iterator>

namespace cantrel {

namespace {

enum : int {
  IdSearchStringBlank = 64000,
};

constexpr TResourceEntry FileSearchTable[] = {
    {IdSearchStringBlank, u"Search string cannot be blank"},
};

const bool Registered = (RegisterResourceModule(FileSearchResources), true);

}  // namespace

const TResourceModule FileSearchResources{FileSearchTable, std::size(FileSearchTable)};

const TResStringRec SSearchStringBlank{&FileSearchResources, IdSearchStringBlank};

}  // namespace cantrel
