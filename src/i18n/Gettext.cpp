// TGettextLayer, the localization layer for a program's lifetime, and the gettext functions.
#include "i18n/Gettext.h"

#include <atomic>

#include "i18n/GettextConsts.h"
#include "i18n/GettextErrors.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

std::atomic<TGettextLayer*> RunningLayer{nullptr};

// Replaces the run-time's loader of resource strings: translated on the
// engine's thread only, other threads get the text as it stands.
String GettextLoadResString(const TResStringRec* ResStringRec) {
  const String Text = LoadResourceText(ResStringRec);
  if (!ResStringRec || ResStringRec->Identifier > MaxResourceIdentifier) return Text;
  const TGettextInstance* Instance = DefaultGettextInstance();
  if (!Instance || std::this_thread::get_id() != Instance->CreatorThread()) return Text;
  return LookupResourceString(Text);
}

// Replaces the run-time's loader by bare identifier: translated on every
// thread.
String GettextLoadStr(int Identifier) { return LookupResourceString(FindStringResource(Identifier)); }

}  // namespace

TGettextLayer::TGettextLayer() {
  TGettextLayer* Expected = nullptr;
  if (!RunningLayer.compare_exchange_strong(Expected, this))
    throw EGettextProgrammingError(LoadResString(&SLayerAlreadyRunning));
  try {
    FModuleFileName = ModuleFileName();
    FGlobalFileLocator = std::make_unique<TFileLocator>(FModuleFileName);
    FGlobalFileLocator->Analyze();
    FResourceStringDomains.push_back(u"default");
    FDefaultGettextInstance = std::make_unique<TGettextInstance>(*FGlobalFileLocator, FModuleFileName);
  } catch (...) {
    RunningLayer = nullptr;
    throw;
  }
  FPreviousResStringLoader = SetResStringLoader(&GettextLoadResString);
  FPreviousIdentStringLoader = SetIdentStringLoader(&GettextLoadStr);
}

TGettextLayer::~TGettextLayer() {
  FDefaultGettextInstance.reset();
  FResourceStringDomains.clear();
  SetResStringLoader(FPreviousResStringLoader);
  SetIdentStringLoader(FPreviousIdentStringLoader);
  FGlobalFileLocator.reset();
  RunningLayer = nullptr;
}

TGettextInstance* DefaultGettextInstance() {
  const TGettextLayer* Layer = RunningLayer.load();
  return Layer ? Layer->FDefaultGettextInstance.get() : nullptr;
}

TFileLocator* GlobalFileLocator() {
  const TGettextLayer* Layer = RunningLayer.load();
  return Layer ? Layer->FGlobalFileLocator.get() : nullptr;
}

String gettext(const String& MsgId) {
  TGettextInstance* Instance = DefaultGettextInstance();
  return Instance ? Instance->gettext(MsgId) : MsgId;
}

String dgettext(const String& Domain, const String& MsgId) {
  TGettextInstance* Instance = DefaultGettextInstance();
  return Instance ? Instance->dgettext(Domain, MsgId) : MsgId;
}

String ngettext(const String& Singular, const String& Plural, int Number) {
  TGettextInstance* Instance = DefaultGettextInstance();
  if (Instance) return Instance->ngettext(Singular, Plural, Number);
  return GetPluralForm2EN(Number) == 0 ? Singular : Plural;
}

void textdomain(const String& Domain) {
  if (TGettextInstance* Instance = DefaultGettextInstance()) Instance->textdomain(Domain);
}

void TranslateComponent(const TObjectHandle& AnObject, const String& TextDomain) {
  if (TGettextInstance* Instance = DefaultGettextInstance()) Instance->TranslateComponent(AnObject, TextDomain);
}

void AddResourceStringDomain(const String& Domain) {
  TGettextLayer* Layer = RunningLayer.load();
  if (!Layer) return;
  const std::unique_lock Lock(Layer->FResourceStringDomainsLock);
  for (const String& Existing : Layer->FResourceStringDomains)
    if (SameText(Existing, Domain)) return;
  Layer->FResourceStringDomains.push_back(Domain);
}

String LookupResourceString(const String& Text) {
  if (Text.empty()) return Text;
  TGettextLayer* Layer = RunningLayer.load();
  if (!Layer || !Layer->FDefaultGettextInstance) return Text;
  // The domains are copied under the read lock and searched without it, so
  // that nothing a lookup sets off (a message box, say) can wait on it.
  std::vector<String> Domains;
  {
    const std::shared_lock Lock(Layer->FResourceStringDomainsLock);
    Domains = Layer->FResourceStringDomains;
  }
  for (const String& Domain : Domains) {
    String Translated = Layer->FDefaultGettextInstance->dgettext(Domain, Text);
    if (Translated != Text) return Translated;
  }
  return Text;
}

}  // namespace cantrel
