#include "playlist/PlayListConsts.h"

#include <iterator>

namespace cantrel {

namespace {

enum : int {
  IdLineBreakInName = 63000,
  IdNotRepresentableInXml,
  IdNotInLocaleCharset,
  IdBlankAtEndOfName,
  IdFolderChanged,
};

constexpr TResourceEntry PlayListTable[] = {
    {IdLineBreakInName, u"line break in the name"},
    {IdNotRepresentableInXml, u"not representable in XML"},
    {IdNotInLocaleCharset, u"not representable in the locale's character set"},
    {IdBlankAtEndOfName, u"blank at the end of the name"},
    {IdFolderChanged, u"Its folder changed since the search"},
};

const bool Registered = (RegisterResourceModule(PlayListResources), true);

}  // namespace

const TResourceModule PlayListResources{PlayListTable, std::size(PlayListTable)};

const TResStringRec SLineBreakInName{&PlayListResources, IdLineBreakInName};
const TResStringRec SNotRepresentableInXml{&PlayListResources, IdNotRepresentableInXml};
const TResStringRec SNotInLocaleCharset{&PlayListResources, IdNotInLocaleCharset};
const TResStringRec SBlankAtEndOfName{&PlayListResources, IdBlankAtEndOfName};
const TResStringRec SFolderChanged{&PlayListResources, IdFolderChanged};

}  // namespace cantrel
