// The localization layer's message texts.
#pragma once

#include "runtime/ResourceStrings.h"

// A row per message: its record's name, the identifier it is known by, its text.
#define CANTREL_GETTEXT_STRINGS(ResourceString)                                                                        \
  ResourceString(SNotAValidMoFile, 64100, u"This file is not a valid GNU gettext mo file: ")                           \
  ResourceString(SLocalizationProblem, 64101, u"Localization problem")                                                 \
  ResourceString(SNoUtf8Charset, 64102,                                                                                \
      u"The translation for the language code %s (in %s) does not have charset=utf-8 in its Content-Type. "            \
      u"Translations are turned off.")                                                                                 \
  ResourceString(SErrorCaption, 64103, u"Error")                                                                       \
  ResourceString(SIncorrectLanguageSwitch, 64104,                                                                      \
      u"This application tried to switch the language, but in an incorrect way. The programmer needs to replace a "    \
      u"call to TranslateComponent with a call to RetranslateComponent(). The programmer should see the changelog "    \
      u"of the translation engine for more information.")                                                              \
  ResourceString(SRetranslateUntranslated, 64105,                                                                      \
      u"Retranslate was called on an object that has not been translated before. Please use TranslateComponent() "     \
      u"before RetranslateComponent().")                                                                               \
  ResourceString(SClassAlreadyIgnoredGlobally, 64106,                                                                  \
      u"You cannot add a class to the ignore List that is already on that List: %s. You should keep all TP_Global "    \
      u"functions in one place in your source code.")                                                                  \
  ResourceString(SClassAlreadyIgnored, 64107,                                                                          \
      u"You cannot add a class to the ignore List that is already on that List: %s.")                                  \
  ResourceString(SClassHasHandler, 64108, u"You cannot ignore a class property for a class that has a handler set.")   \
  ResourceString(SClassAlreadyHandled, 64109,                                                                          \
      u"You cannot set a handler for a class that has already been assigned otherwise.")                               \
  ResourceString(SPropertyNotTranslatable, 64110,                                                                      \
      u"Property cannot be translated.\r\nAdd TP_GlobalIgnoreClassProperty(%s, '%s') to your source code or use\r\n"   \
      u"TP_Ignore (self, '.%s') to prevent this message.\r\nReason: %s")                                               \
  ResourceString(SAnsi2WideConvError, 64111, u"Cannot convert AnsiString to UnicodeString:\r\n")                       \
  ResourceString(SUtf8InvalidByte, 64112, u"Invalid byte sequence encountered in utf-8 string")                        \
  ResourceString(SUtf8Truncated, 64113, u"Utf-8 string terminated unexpectedly in the middle of a multibyte sequence") \
  ResourceString(SLayerAlreadyRunning, 64114, u"The localization layer is already running.")                           \
  ResourceString(SOtherConversions, 64115,                                                                             \
      u"The translation of \"%s\" in %s does not keep the placeholders of the text in their order. Such "              \
      u"translations are not used.")

namespace cantrel {

CANTREL_DECLARE_RESOURCE_STRINGS(GettextResources, CANTREL_GETTEXT_STRINGS)

}  // namespace cantrel
