#pragma once

#include "runtime/ResourceStrings.h"

namespace cantrel {

// The run-time layer's own message texts.
extern const TResourceModule RuntimeResources;

extern const TResStringRec SListIndexError;       // "List index out of bounds (%d)"
extern const TResStringRec SDuplicateString;      // "String list does not allow duplicates"
extern const TResStringRec SSortedListError;      // "Operation not allowed on sorted list"
extern const TResStringRec SAssignError;          // "Cannot assign a %s to a %s"
extern const TResStringRec SInvalidFormat;        // "Format '%s' invalid or incompatible with argument"
extern const TResStringRec SFCreateErrorEx;       // "Cannot create file "%s". %s"
extern const TResStringRec SFOpenErrorEx;         // "Cannot open file "%s". %s"
extern const TResStringRec SReadError;            // "Stream read error"
extern const TResStringRec SWriteError;           // "Unable to write to %s"
extern const TResStringRec SArgumentOutOfRange;   // "Argument out of range"
extern const TResStringRec SInvalidDateTime;      // "'%s' is not a valid date and time"
extern const TResStringRec SLinkLeadsOutside;     // "It is a symbolic link that leads outside "%s""
extern const TResStringRec SFileWriteProtected;   // "It is write-protected"
extern const TResStringRec SFileOutside;          // "It lies outside "%s""
extern const TResStringRec SFileHardLinked;       // "It has other hard links"
extern const TResStringRec SCheckSynchronizeError;  // "CheckSynchronize called from a thread that is not the main thread"
extern const TResStringRec SThreadStartTwice;       // "Cannot start a thread that was already started"
extern const TResStringRec SOutOfMemory;            // "Out of memory"
extern const TResStringRec SUnknownError;           // "Unknown error"
extern const TResStringRec SIniLineBreak;         // "A line break cannot be written to the settings file %s"

}  // namespace cantrel
