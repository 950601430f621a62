#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

enum : int {
  IdListIndexError = 65201,
  IdDuplicateString,
  IdSortedListError,
  IdAssignError,
  IdInvalidFormat,
  IdFCreateErrorEx,
  IdFOpenErrorEx,
  IdReadError,
  IdWriteError,
  IdArgumentOutOfRange,
  IdInvalidDateTime,
  IdLinkLeadsOutside,
  IdFileWriteProtected,
  IdFileOutside,
  IdFileHardLinked,
};

enum : int {
  IdCheckSynchronizeError = 65250,
  IdThreadStartTwice,
  IdOutOfMemory,
  IdUnknownError,
};

enum : int {
  IdIniLineBreak = 65350,
};

constexpr TResourceEntry RuntimeTable[] = {
    {IdListIndexError, u"List index out of bounds (%d)"},
    {IdDuplicateString, u"String list does not allow duplicates"},
    {IdSortedListError, u"Operation not allowed on sorted list"},
    {IdAssignError, u"Cannot assign a %s to a %s"},
    {IdInvalidFormat, u"Format '%s' invalid or incompatible with argument"},
    {IdFCreateErrorEx, u"Cannot create file \"%s\". %s"},
    {IdFOpenErrorEx, u"Cannot open file \"%s\". %s"},
    {IdReadError, u"Stream read error"},
    {IdWriteError, u"Unable to write to %s"},
    {IdArgumentOutOfRange, u"Argument out of range"},
    {IdInvalidDateTime, u"'%s' is not a valid date and time"},
    {IdLinkLeadsOutside, u"It is a symbolic link that leads outside \"%s\""},
    {IdFileWriteProtected, u"It is write-protected"},
    {IdFileOutside, u"It lies outside \"%s\""},
    {IdFileHardLinked, u"It has other hard links"},
    {IdCheckSynchronizeError, u"CheckSynchronize called from a thread that is not the main thread"},
    {IdThreadStartTwice, u"Cannot start a thread that was already started"},
    {IdOutOfMemory, u"Out of memory"},
    {IdUnknownError, u"Unknown error"},
    {IdIniLineBreak, u"A line break cannot be written to the settings file %s"},
};

}  // namespace

const TResourceModule RuntimeResources{RuntimeTable, std::size(RuntimeTable)};

const TResStringRec SListIndexError{&RuntimeResources, IdListIndexError};
const TResStringRec SDuplicateString{&RuntimeResources, IdDuplicateString};
const TResStringRec SSortedListError{&RuntimeResources, IdSortedListError};
const TResStringRec SAssignError{&RuntimeResources, IdAssignError};
const TResStringRec SInvalidFormat{&RuntimeResources, IdInvalidFormat};
const TResStringRec SFCreateErrorEx{&RuntimeResources, IdFCreateErrorEx};
const TResStringRec SFOpenErrorEx{&RuntimeResources, IdFOpenErrorEx};
const TResStringRec SReadError{&RuntimeResources, IdReadError};
const TResStringRec SWriteError{&RuntimeResources, IdWriteError};
const TResStringRec SArgumentOutOfRange{&RuntimeResources, IdArgumentOutOfRange};
const TResStringRec SInvalidDateTime{&RuntimeResources, IdInvalidDateTime};
const TResStringRec SLinkLeadsOutside{&RuntimeResources, IdLinkLeadsOutside};
const TResStringRec SFileWriteProtected{&RuntimeResources, IdFileWriteProtected};
const TResStringRec SFileOutside{&RuntimeResources, IdFileOutside};
const TResStringRec SFileHardLinked{&RuntimeResources, IdFileHardLinked};
const TResStringRec SCheckSynchronizeError{&RuntimeResources, IdCheckSynchronizeError};
const TResStringRec SThreadStartTwice{&RuntimeResources, IdThreadStartTwice};
const TResStringRec SOutOfMemory{&RuntimeResources, IdOutOfMemory};
const TResStringRec SUnknownError{&RuntimeResources, IdUnknownError};
const TResStringRec SIniLineBreak{&RuntimeResources, IdIniLineBreak};

}  // namespace cantrel
