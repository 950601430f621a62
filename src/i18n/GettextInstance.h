// TGettextInstance: the language, its domains, lookups and window translation.
#pragma once

#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "i18n/ClassMode.h"
#include "i18n/Domain.h"
#include "i18n/ObjectAdapter.h"
#include "i18n/PluralRules.h"
#include "i18n/Retranslator.h"

namespace cantrel {

class TFileLocator;
class TGettextInstance;

// Sees every debug line first; setting Discard keeps it out of the log file.
using TOnDebugLine = std::function<void(TGettextInstance& Sender, const std::string& Line, bool& Discard)>;

// The localization engine: the language, the text domains and their
// catalogs, plural forms, and the translation of whole windows.
//
// Lookups may come from any thread (resource strings loaded by identifier
// are translated everywhere); the engine's language and domain state is
// guarded by one lock. No lock is held while the user is told of a refused
// catalog, so a lookup on another thread never waits for a message box.
// Window translation and its rules belong to the thread that made the
// engine.
class TGettextInstance : public TObject {
public:
  // Chooses the language from the environment, binds "default" to the
  // "locale" folder beside ModuleFileName, makes it the current domain and
  // keeps every component's Name and every collection's PropName out of
  // window translation.
  TGettextInstance(TFileLocator& Locator, const String& ModuleFileName);
  ~TGettextInstance() override;
  TGettextInstance(const TGettextInstance&) = delete;
  TGettextInstance& operator=(const TGettextInstance&) = delete;

  // When false every lookup returns its input unchanged.
  bool Enabled() const;
  void SetEnabled(bool Value);
  std::thread::id CreatorThread() const { return FCreatorThread; }
  // Converts 8-bit texts; 0 means the user's legacy code page.
  int DesignTimeCodePage() const { return FDesignTimeCodePage; }
  void SetDesignTimeCodePage(int Value) { FDesignTimeCodePage = Value; }
  const String& DefaultDomainDirectory() const { return FDefaultDomainDirectory; }

  // An empty code takes the user's language for messages (OSLanguageCode);
  // a code given is used as it is.
  void UseLanguage(const String& LanguageCode);
  String GetCurrentLanguage() const;
  void textdomain(const String& Domain);
  String getcurrenttextdomain() const;
  // Looks for the domain's catalogs below Directory.
  void bindtextdomain(const String& Domain, const String& Directory);
  // Reads the domain's catalog from one file, whatever the language.
  void bindtextdomainToFile(const String& Domain, const String& FileName);

  // The translation in the current or a named domain. Carriage returns are
  // dropped from the key; the result has one before every line feed but a
  // leading one. 8-bit texts are converted with ansi2wide first. A
  // translation whose conversions (%d, %s, %f, ...) are not the text's, in
  // the same order, is not used: the text comes back as it is, and the
  // catalog is told of once as a localization problem.
  String gettext(const String& MsgId);
  String gettext(const std::string& MsgId);
  String dgettext(const String& Domain, const String& MsgId);
  String dgettext(const String& Domain, const std::string& MsgId);
  // The plural form for Number: with a translation by the language's rule,
  // without one by the English rule.
  String ngettext(const String& Singular, const String& Plural, int Number);
  String ngettext(const std::string& Singular, const std::string& Plural, int Number);
  String dngettext(const String& Domain, const String& Singular, const String& Plural, int Number);
  String dngettext(const String& Domain, const std::string& Singular, const std::string& Plural, int Number);

  // A field of the current domain's catalog header, such as "Language".
  String GetTranslationProperty(const String& PropertyName);
  String GetTranslatorNameAndEmail();
  // The language codes that have a catalog of Domain, on disk or embedded.
  void GetListOfLanguages(const String& Domain, TStrings& List);

  // Raises EGettextAnsi2WideConvError "Cannot convert AnsiString to
  // UnicodeString:\r\n" and the text when the code page cannot convert it.
  String ansi2wide(std::string_view Text) const;

  // Translates a window (a component) once, leaving a marker component
  // named "GettextMarker" in it. An empty domain is the current one.
  void TranslateComponent(const TObjectHandle& AnObject, const String& TextDomain = {});
  // Translates a translated window again after UseLanguage, from the texts
  // remembered the first time, in the domain used then. Raises
  // EGettextProgrammingError on a window that was never translated.
  void RetranslateComponent(const TObjectHandle& AnObject);
  // Translates the text properties of an object and of everything reachable
  // from it: owned components, object properties, collection items and
  // string-list lines.
  void TranslateProperties(const TObjectHandle& AnObject, const String& TextDomain = {});
  // Translates the non-empty lines of a list, keeping objects on lines.
  void TranslateStringList(TStrings& List, const String& TextDomain);
  // Writes a text property by name (without regard to case), converting for
  // 8-bit kinds; false when the object has no such writable text property.
  bool SetTextProperty(const TObjectHandle& Obj, StringView PropName, const String& Value) const;

  // For the next walk only: a component name, or a key "Name.Property"
  // (empty Name for the starting object and for objects reached through
  // properties or collections).
  void TP_Ignore(const String& Name);
  void TP_IgnoreClass(const TClassHandle& IgnClass);
  void TP_IgnoreClassProperty(const TClassHandle& IgnClass, const String& PropertyName);
  // For every walk.
  void TP_GlobalIgnoreClass(const TClassHandle& IgnClass);
  void TP_GlobalIgnoreClassProperty(const TClassHandle& IgnClass, const String& PropertyName);
  void TP_GlobalHandleClass(const TClassHandle& HClass, TTranslator Handler);

  // The debug log: lines go to OnDebugLine and, unless discarded or paused,
  // to the file named here.
  TOnDebugLine OnDebugLine;
  void DebugLogToFile(const String& FileName, bool Append = false);
  void DebugLogPause(bool PauseEnabled);
  void DebugWriteln(const std::string& Line);

protected:
  // Called at the end of UseLanguage, textdomain and bindtextdomain, for
  // derived engines to react (not while the engine itself is being made).
  virtual void LanguageChanged(const String& LanguageCode);
  virtual void DomainChanged(const String& Domain);
  virtual void DomainDirectoryChanged(const String& Domain, const String& Directory);

private:
  using TClassModes = std::vector<std::unique_ptr<TClassMode>>;
  using TQueue = std::deque<std::pair<String, TObjectHandle>>;

  // A catalog or a translation refused, told as Message filled with the
  // two texts.
  struct TRefusal {
    const TResStringRec* Message;
    String First;
    String Second;
  };
  class TLockScope;

  // Runs Work under the lock; catalogs refused meanwhile are shown once the
  // calling thread holds the lock no more.
  String Locked(const std::function<String()>& Work);
  void ShowRefusals(const std::vector<TRefusal>& Refusals) const;
  TDomain& FindOrCreateDomain(const String& Domain);
  int AnsiCodePageOfDesign() const;
  std::unique_ptr<TTP_Retranslator> CreateRetranslator();
  void TranslateOneProperty(const TObjectHandle& Obj, const TPropertyInfo& Property, const String& TextDomain,
                            TQueue& Queue);
  // The whole-class rule for objects of Class, if any; property rules add
  // their names to IgnoredNames.
  const TClassMode* ClassRuleOf(const TClassHandle& Class, std::vector<String>& IgnoredNames) const;
  bool IsIgnored(const String& Name) const;
  void EndWalk();

  mutable std::recursive_mutex FLock;
  // How often the thread that holds FLock holds it.
  int FLockDepth = 0;
  std::vector<TRefusal> FPendingRefusals;
  // Catalogs already told of for a translation with other conversions.
  std::set<String> FMismatchedCatalogs;
  bool FEnabled = true;
  std::thread::id FCreatorThread;
  int FDesignTimeCodePage = 0;
  String FCurLang;
  TGetPluralForm FCurGetPluralForm = GetPluralForm2EN;
  String FCurMsgDomain = u"default";
  String FDefaultDomainDirectory;
  std::vector<std::unique_ptr<TDomain>> FDomainList;
  TFileLocator& FLocator;

  TStringList FTP_IgnoreList;
  TClassModes FTP_ClassHandling;
  TClassModes FTP_GlobalClassHandling;
  TTP_Retranslator* FTP_Retranslator = nullptr;

  std::mutex FDebugLogLock;
  std::ofstream FDebugLog;
  bool FDebugLogOutputPaused = false;
};

}  // namespace cantrel
