// TGettextLayer, the localization layer for a program's lifetime, and the gettext functions.
#pragma once

#include <memory>
#include <shared_mutex>
#include <vector>

#include "i18n/FileLocator.h"
#include "i18n/GettextInstance.h"
#include "runtime/ResourceStrings.h"

namespace cantrel {

// The localization layer for the lifetime of this object: a program creates
// one first thing in main, before anything is translated, and the layer
// shuts down when it goes.
//
// Start-up finds the catalogs embedded in the executable, starts the list of
// resource-string domains with "default", creates the engine (language from
// the environment, current domain "default") and routes the run-time's
// resource strings through the catalogs. Shut-down releases the engine, the
// domain list and its lock, gives the run-time its loaders back and releases
// the catalog locator, in this order. Only one layer may run at a time; a
// second raises EGettextProgrammingError.
class TGettextLayer {
public:
  TGettextLayer();
  ~TGettextLayer();
  TGettextLayer(const TGettextLayer&) = delete;
  TGettextLayer& operator=(const TGettextLayer&) = delete;

private:
  friend TGettextInstance* DefaultGettextInstance();
  friend TFileLocator* GlobalFileLocator();
  friend void AddResourceStringDomain(const String& Domain);
  friend String LookupResourceString(const String& Text);

  String FModuleFileName;
  std::unique_ptr<TFileLocator> FGlobalFileLocator;
  std::vector<String> FResourceStringDomains;
  std::shared_mutex FResourceStringDomainsLock;
  std::unique_ptr<TGettextInstance> FDefaultGettextInstance;
  TResStringLoader FPreviousResStringLoader = nullptr;
  TIdentStringLoader FPreviousIdentStringLoader = nullptr;
};

// The running layer's engine and catalog locator; nullptr while no layer
// runs.
TGettextInstance* DefaultGettextInstance();
TFileLocator* GlobalFileLocator();

// The engine's operations for the rest of the program. While no layer runs
// texts come back unchanged and the others do nothing.
String gettext(const String& MsgId);
String dgettext(const String& Domain, const String& MsgId);
// The form of Singular or Plural for Number, in the current domain.
String ngettext(const String& Singular, const String& Plural, int Number);
void textdomain(const String& Domain);
void TranslateComponent(const TObjectHandle& AnObject, const String& TextDomain = {});
// Marks a text that is kept untranslated and handed to gettext later, so
// that the catalogs' templates hold it.
constexpr StringView gettext_noop(StringView MsgId) { return MsgId; }

// Appends a domain to those searched for resource strings, unless one of
// that name (without regard to case) is listed already.
void AddResourceStringDomain(const String& Domain);
// The first translation that differs from Text in the resource-string
// domains, in their order; else Text.
String LookupResourceString(const String& Text);

}  // namespace cantrel
