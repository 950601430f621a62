// The run-time layer's message texts.
#pragma once

#include "runtime/ResourceStrings.h"

// A row per message: its record's name, the identifier it is known by, its text.
#define CANTREL_RUNTIME_STRINGS(ResourceString)                                                                       \
  ResourceString(SListIndexError, 65201, u"List index out of bounds (%d)")                                            \
  ResourceString(SDuplicateString, 65202, u"String list does not allow duplicates")                                   \
  ResourceString(SSortedListError, 65203, u"Operation not allowed on sorted list")                                    \
  ResourceString(SAssignError, 65204, u"Cannot assign a %s to a %s")                                                  \
  ResourceString(SInvalidFormat, 65205, u"Format '%s' invalid or incompatible with argument")                         \
  ResourceString(SFCreateErrorEx, 65206, u"Cannot create file \"%s\". %s")                                            \
  ResourceString(SFOpenErrorEx, 65207, u"Cannot open file \"%s\". %s")                                                \
  ResourceString(SReadError, 65208, u"Stream read error")                                                             \
  ResourceString(SWriteError, 65209, u"Unable to write to %s")                                                        \
  ResourceString(SArgumentOutOfRange, 65210, u"Argument out of range")                                                \
  ResourceString(SInvalidDateTime, 65211, u"'%s' is not a valid date and time")                                       \
  ResourceString(SLinkLeadsOutside, 65212, u"It is a symbolic link that leads outside \"%s\"")                        \
  ResourceString(SFileWriteProtected, 65213, u"It is write-protected")                                                \
  ResourceString(SFileOutside, 65214, u"It lies outside \"%s\"")                                                      \
  ResourceString(SFileHardLinked, 65215, u"It has other hard links")                                                  \
  ResourceString(SCheckSynchronizeError, 65250, u"CheckSynchronize called from a thread that is not the main thread") \
  ResourceString(SThreadStartTwice, 65251, u"Cannot start a thread that was already started")                         \
  ResourceString(SOutOfMemory, 65252, u"Out of memory")                                                               \
  ResourceString(SUnknownError, 65253, u"Unknown error")                                                              \
  ResourceString(SIniLineBreak, 65350, u"A line break cannot be written to the settings file %s")

namespace cantrel {

CANTREL_DECLARE_RESOURCE_STRINGS(RuntimeResources, CANTREL_RUNTIME_STRINGS)

}  // namespace cantrel
