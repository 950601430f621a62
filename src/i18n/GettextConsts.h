#pragma once

#include "runtime/ResourceStrings.h"

namespace cantrel {

// The localization layer's own message texts.
extern const TResourceModule GettextResources;

extern const TResStringRec SNotAValidMoFile;              // "This file is not a valid GNU gettext mo file: "
extern const TResStringRec SLocalizationProblem;          // "Localization problem"
extern const TResStringRec SNoUtf8Charset;                // "The translation for the language code %s (in %s) ..."
extern const TResStringRec SErrorCaption;                 // "Error"
extern const TResStringRec SIncorrectLanguageSwitch;      // "This application tried to switch the language, ..."
extern const TResStringRec SRetranslateUntranslated;      // "Retranslate was called on an object that ..."
extern const TResStringRec SClassAlreadyIgnoredGlobally;  // "You cannot add a class ... List: %s. You should ..."
extern const TResStringRec SClassAlreadyIgnored;          // "You cannot add a class ... List: %s."
extern const TResStringRec SClassHasHandler;              // "You cannot ignore a class property for a class ..."
extern const TResStringRec SClassAlreadyHandled;          // "You cannot set a handler for a class that ..."
extern const TResStringRec SPropertyNotTranslatable;      // "Property cannot be translated.\r\n..."
extern const TResStringRec SAnsi2WideConvError;           // "Cannot convert AnsiString to UnicodeString:\r\n"
extern const TResStringRec SUtf8InvalidByte;              // "Invalid byte sequence encountered in utf-8 string"
extern const TResStringRec SUtf8Truncated;                // "Utf-8 string terminated unexpectedly ..."
extern const TResStringRec SLayerAlreadyRunning;          // "The localization layer is already running."
extern const TResStringRec SOtherConversions;             // "The translation of "%s" in %s does not keep ..."

}  // namespace cantrel
