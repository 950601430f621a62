#include "i18n/GettextConsts.h"

namespace cantrel {

namespace {

enum : int {
  IdNotAValidMoFile = 64100,
  IdLocalizationProblem,
  IdNoUtf8Charset,
  IdErrorCaption,
  IdIncorrectLanguageSwitch,
  IdRetranslateUntranslated,
  IdClassAlreadyIgnoredGlobally,
  IdClassAlreadyIgnored,
  IdClassHasHandler,
  IdClassAlreadyHandled,
  IdPropertyNotTranslatable,
  IdAnsi2WideConvError,
  IdUtf8InvalidByte,
  IdUtf8Truncated,
  IdLayerAlreadyRunning,
  IdOtherConversions,
};

constexpr TResourceEntry GettextTable[] = {
    {IdNotAValidMoFile, u"This file is not a valid GNU gettext mo file: "},
    {IdLocalizationProblem, u"Localization problem"},
    {IdNoUtf8Charset,
     u"The translation for the language code %s (in %s) does not have charset=utf-8 in its Content-Type. "
     u"Translations are turned off."},
    {IdErrorCaption, u"Error"},
    {IdIncorrectLanguageSwitch,
     u"This application tried to switch the language, but in an incorrect way. The programmer needs to replace a "
     u"call to TranslateComponent with a call to RetranslateComponent(). The programmer should see the changelog "
     u"of the translation engine for more information."},
    {IdRetranslateUntranslated,
     u"Retranslate was called on an object that has not been translated before. Please use TranslateComponent() "
     u"before RetranslateComponent()."},
    {IdClassAlreadyIgnoredGlobally,
     u"You cannot add a class to the ignore List that is already on that List: %s. You should keep all TP_Global "
     u"functions in one place in your source code."},
    {IdClassAlreadyIgnored, u"You cannot add a class to the ignore List that is already on that List: %s."},
    {IdClassHasHandler, u"You cannot ignore a class property for a class that has a handler set."},
    {IdClassAlreadyHandled, u"You cannot set a handler for a class that has already been assigned otherwise."},
    {IdPropertyNotTranslatable,
     u"Property cannot be translated.\r\nAdd TP_GlobalIgnoreClassProperty(%s, '%s') to your source code or use\r\n"
     u"TP_Ignore (self, '.%s') to prevent this message.\r\nReason: %s"},
    {IdAnsi2WideConvError, u"Cannot convert AnsiString to UnicodeString:\r\n"},
    {IdUtf8InvalidByte, u"Invalid byte sequence encountered in utf-8 string"},
    {IdUtf8Truncated, u"Utf-8 string terminated unexpectedly in the middle of a multibyte sequence"},
    {IdLayerAlreadyRunning, u"The localization layer is already running."},
    {IdOtherConversions,
     u"The translation of \"%s\" in %s does not keep the placeholders of the text in their order. Such "
     u"translations are not used."},
};

}  // namespace

const TResourceModule GettextResources{GettextTable, std::size(GettextTable)};

const TResStringRec SNotAValidMoFile{&GettextResources, IdNotAValidMoFile};
const TResStringRec SLocalizationProblem{&GettextResources, IdLocalizationProblem};
const TResStringRec SNoUtf8Charset{&GettextResources, IdNoUtf8Charset};
const TResStringRec SErrorCaption{&GettextResources, IdErrorCaption};
const TResStringRec SIncorrectLanguageSwitch{&GettextResources, IdIncorrectLanguageSwitch};
const TResStringRec SRetranslateUntranslated{&GettextResources, IdRetranslateUntranslated};
const TResStringRec SClassAlreadyIgnoredGlobally{&GettextResources, IdClassAlreadyIgnoredGlobally};
const TResStringRec SClassAlreadyIgnored{&GettextResources, IdClassAlreadyIgnored};
const TResStringRec SClassHasHandler{&GettextResources, IdClassHasHandler};
const TResStringRec SClassAlreadyHandled{&GettextResources, IdClassAlreadyHandled};
const TResStringRec SPropertyNotTranslatable{&GettextResources, IdPropertyNotTranslatable};
const TResStringRec SAnsi2WideConvError{&GettextResources, IdAnsi2WideConvError};
const TResStringRec SUtf8InvalidByte{&GettextResources, IdUtf8InvalidByte};
const TResStringRec SUtf8Truncated{&GettextResources, IdUtf8Truncated};
const TResStringRec SLayerAlreadyRunning{&GettextResources, IdLayerAlreadyRunning};
const TResStringRec SOtherConversions{&GettextResources, IdOtherConversions};

}  // namespace cantrel
