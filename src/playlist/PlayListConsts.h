// The playlist layer's message texts.
#pragma once

#include "runtime/ResourceStrings.h"

// A row per message: its record's name, the identifier it is known by, its text.
#define CANTREL_PLAYLIST_STRINGS(ResourceString)                                                 \
  ResourceString(SLineBreakInName, 63000, u"line break in the name")                             \
  ResourceString(SNotRepresentableInXml, 63001, u"not representable in XML")                     \
  ResourceString(SNotInLocaleCharset, 63002, u"not representable in the locale's character set") \
  ResourceString(SBlankAtEndOfName, 63003, u"blank at the end of the name")                      \
  ResourceString(SFolderChanged, 63004, u"Its folder changed since the search")

namespace cantrel {

CANTREL_DECLARE_RESOURCE_STRINGS(PlayListResources, CANTREL_PLAYLIST_STRINGS)

}  // namespace cantrel
