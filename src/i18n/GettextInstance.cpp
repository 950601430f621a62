// TGettextInstance: the language, its domains, lookups and window translation.
#include "i18n/GettextInstance.h"

#include <cerrno>
#include <exception>

#include "i18n/FileLocator.h"
#include "i18n/GettextConsts.h"
#include "i18n/GettextErrors.h"
#include "i18n/LanguageCode.h"
#include "i18n/Utf8Decode.h"
#include "runtime/CodePage.h"
#include "runtime/Format.h"
#include "runtime/MessageBox.h"
#include "runtime/Paths.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

String WithoutCarriageReturns(StringView Text) {
  String Result;
  Result.reserve(Text.size());
  for (char16_t C : Text)
    if (C != u'\r') Result += C;
  return Result;
}

// A carriage return before every line feed that is not the first character
// and does not follow one already.
template <class TText>
TText WithCarriageReturns(const TText& Text) {
  TText Result;
  Result.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\n' && I > 0 && Text[I - 1] != '\r') Result += '\r';
    Result += Text[I];
  }
  return Result;
}

String PluralPart(StringView Text, int Form) {
  for (int Part = 0;; ++Part) {
    const auto End = Text.find(u'\0');
    if (Part == Form || End == StringView::npos) return String(Text.substr(0, End));
    Text.remove_prefix(End + 1);
  }
}

// Whether a translation takes the arguments its text takes: Format fills
// them in order, so the conversions must be the same, in the same order
// (positional forms such as "%1$s" never are). Each plural form is held to
// the plural text; a form may leave out the number when it is the last
// conversion, for a singular that names no count.
bool KeepsConversions(StringView Key, StringView Translation) {
  const std::size_t PluralStart = Key.find(u'\0');
  if (PluralStart == StringView::npos) return FormatConversions(Key) == FormatConversions(Translation);
  const String Wanted = FormatConversions(Key.substr(PluralStart + 1));
  for (std::size_t Start = 0;;) {
    const std::size_t End = Translation.find(u'\0', Start);
    const String Form = FormatConversions(Translation.substr(Start, End - Start));
    if (Form != Wanted && Form + u'd' != Wanted) return false;
    if (End == StringView::npos) return true;
    Start = End + 1;
  }
}

// Marks a domain busy for the lookup under way.
class TBusyDomain {
public:
  explicit TBusyDomain(TDomain& Domain) : FDomain(Domain) { FDomain.SetBusy(true); }
  ~TBusyDomain() { FDomain.SetBusy(false); }
  TBusyDomain(const TBusyDomain&) = delete;
  TBusyDomain& operator=(const TBusyDomain&) = delete;

private:
  TDomain& FDomain;
};

}  // namespace

class TGettextInstance::TLockScope {
public:
  TLockScope(TGettextInstance& Engine, std::vector<TRefusal>& Refusals) : FEngine(Engine), FRefusals(Refusals) {
    FEngine.FLock.lock();
    ++FEngine.FLockDepth;
  }
  ~TLockScope() {
    if (--FEngine.FLockDepth == 0) FRefusals.swap(FEngine.FPendingRefusals);
    FEngine.FLock.unlock();
  }
  TLockScope(const TLockScope&) = delete;
  TLockScope& operator=(const TLockScope&) = delete;

private:
  TGettextInstance& FEngine;
  std::vector<TRefusal>& FRefusals;
};

TGettextInstance::TGettextInstance(TFileLocator& Locator, const String& ModuleFileName)
    : FCreatorThread(std::this_thread::get_id()),
      FDefaultDomainDirectory(ExtractFilePath(ModuleFileName) + u"locale"),
      FLocator(Locator) {
  FTP_IgnoreList.SetCompareFunction([](const String& A, const String& B) { return CompareText(A, B); });
  FTP_IgnoreList.SetDuplicates(TDuplicates::dupIgnore);
  FTP_IgnoreList.SetSorted(true);
  UseLanguage({});
  bindtextdomain(u"default", FDefaultDomainDirectory);
  textdomain(u"default");
  TP_GlobalIgnoreClassProperty(ComponentClass(), u"Name");
  TP_GlobalIgnoreClassProperty(CollectionClass(), u"PropName");
}

TGettextInstance::~TGettextInstance() = default;

bool TGettextInstance::Enabled() const {
  const std::lock_guard Guard(FLock);
  return FEnabled;
}

void TGettextInstance::SetEnabled(bool Value) {
  const std::lock_guard Guard(FLock);
  FEnabled = Value;
}

String TGettextInstance::Locked(const std::function<String()>& Work) {
  std::vector<TRefusal> Refusals;
  String Result;
  std::exception_ptr Error;
  try {
    const TLockScope Scope(*this, Refusals);
    Result = Work();
  } catch (...) {
    Error = std::current_exception();
  }
  ShowRefusals(Refusals);
  if (Error) std::rethrow_exception(Error);
  return Result;
}

void TGettextInstance::ShowRefusals(const std::vector<TRefusal>& Refusals) const {
  for (const TRefusal& Refusal : Refusals)
    ShowMessageBox(Format(LoadResString(Refusal.Message), {Refusal.First, Refusal.Second}),
                   LoadResString(&SLocalizationProblem));
}

TDomain& TGettextInstance::FindOrCreateDomain(const String& Domain) {
  for (const auto& Existing : FDomainList)
    if (SameText(Existing->Domain(), Domain)) return *Existing;
  FDomainList.push_back(std::make_unique<TDomain>(
      FLocator, [this](const std::string& Line) { DebugWriteln(Line); },
      [this](const String& LangCode, const String& FileName) {
        FPendingRefusals.push_back({&SNoUtf8Charset, LangCode, FileName});
      },
      Domain, FDefaultDomainDirectory, FCurLang));
  return *FDomainList.back();
}

void TGettextInstance::UseLanguage(const String& LanguageCode) {
  const String Code = LanguageCode.empty() ? OSLanguageCode() : LanguageCode;
  {
    const std::lock_guard Guard(FLock);
    FCurLang = Code;
    for (const auto& Domain : FDomainList) Domain->SetLanguageCode(Code);
    FCurGetPluralForm = GetPluralFormOfLanguage(Code);
  }
  DebugWriteln("Language code: " + StringToUtf8(Code));
  LanguageChanged(Code);
}

String TGettextInstance::GetCurrentLanguage() const {
  const std::lock_guard Guard(FLock);
  return FCurLang;
}

void TGettextInstance::textdomain(const String& Domain) {
  {
    const std::lock_guard Guard(FLock);
    FCurMsgDomain = Domain;
  }
  DomainChanged(Domain);
}

String TGettextInstance::getcurrenttextdomain() const {
  const std::lock_guard Guard(FLock);
  return FCurMsgDomain;
}

void TGettextInstance::bindtextdomain(const String& Domain, const String& Directory) {
  {
    const std::lock_guard Guard(FLock);
    FindOrCreateDomain(Domain).SetDirectory(Directory);
  }
  DomainDirectoryChanged(Domain, Directory);
}

void TGettextInstance::bindtextdomainToFile(const String& Domain, const String& FileName) {
  const std::lock_guard Guard(FLock);
  FindOrCreateDomain(Domain).SetFilename(FileName);
}

String TGettextInstance::gettext(const String& MsgId) { return dgettext(getcurrenttextdomain(), MsgId); }

String TGettextInstance::gettext(const std::string& MsgId) { return gettext(ansi2wide(MsgId)); }

String TGettextInstance::dgettext(const String& Domain, const String& MsgId) {
  return Locked([&] {
    if (!FEnabled) return MsgId;
    TDomain& Target = FindOrCreateDomain(Domain);
    const String Key = WithoutCarriageReturns(MsgId);
    if (Target.Busy()) return WithCarriageReturns(Key);
    const TBusyDomain Busy(Target);
    bool Found;
    const std::string Translation = Target.gettext(StringToUtf8(Key), Found);
    // An untranslated text is given back as it came, not decoded again, so
    // that one holding bytes kept from a file name survives.
    if (!Found) return WithCarriageReturns(Key);
    String Result = Utf8Decode(WithCarriageReturns(Translation));
    // The catalog's header is no text to be filled.
    if (Key.empty() || KeepsConversions(Key, Result)) return Result;
    if (FMismatchedCatalogs.insert(Target.CatalogFileName()).second)
      FPendingRefusals.push_back({&SOtherConversions, Key.substr(0, Key.find(u'\0')), Target.CatalogFileName()});
    return WithCarriageReturns(Key);
  });
}

String TGettextInstance::dgettext(const String& Domain, const std::string& MsgId) {
  return dgettext(Domain, ansi2wide(MsgId));
}

String TGettextInstance::ngettext(const String& Singular, const String& Plural, int Number) {
  return dngettext(getcurrenttextdomain(), Singular, Plural, Number);
}

String TGettextInstance::ngettext(const std::string& Singular, const std::string& Plural, int Number) {
  return ngettext(ansi2wide(Singular), ansi2wide(Plural), Number);
}

String TGettextInstance::dngettext(const String& Domain, const String& Singular, const String& Plural, int Number) {
  const String Key = Singular + u'\0' + Plural;
  const String Result = dgettext(Domain, Key);
  TGetPluralForm Rule = GetPluralForm2EN;
  if (Result != Key) {
    const std::lock_guard Guard(FLock);
    Rule = FCurGetPluralForm;
  }
  return PluralPart(Result, Rule(Number));
}

String TGettextInstance::dngettext(const String& Domain, const std::string& Singular, const std::string& Plural,
                                   int Number) {
  return dngettext(Domain, ansi2wide(Singular), ansi2wide(Plural), Number);
}

String TGettextInstance::GetTranslationProperty(const String& PropertyName) {
  return Locked([&] {
    TDomain& Target = FindOrCreateDomain(FCurMsgDomain);
    if (Target.Busy()) return String();
    const TBusyDomain Busy(Target);
    return Target.GetTranslationProperty(PropertyName);
  });
}

String TGettextInstance::GetTranslatorNameAndEmail() { return GetTranslationProperty(u"LAST-TRANSLATOR"); }

void TGettextInstance::GetListOfLanguages(const String& Domain, TStrings& List) {
  const std::lock_guard Guard(FLock);
  FindOrCreateDomain(Domain).GetListOfLanguages(List);
}

int TGettextInstance::AnsiCodePageOfDesign() const {
  return FDesignTimeCodePage != 0 ? FDesignTimeCodePage : AnsiCodePage();
}

String TGettextInstance::ansi2wide(std::string_view Text) const {
  const int CodePage = AnsiCodePageOfDesign();
  String Result;
  if (!TryCodePageToString(Text, CodePage, Result))
    throw EGettextAnsi2WideConvError(LoadResString(&SAnsi2WideConvError) + CodePageToString(Text, CodePage));
  return Result;
}

void TGettextInstance::DebugLogToFile(const String& FileName, bool Append) {
  const std::lock_guard Guard(FDebugLogLock);
  FDebugLog.close();
  FDebugLog.clear();
  errno = 0;
  FDebugLog.open(SystemFileName(FileName), Append ? std::ios::app : std::ios::trunc);
  if (!FDebugLog.is_open()) throw EFCreateError(&SFCreateErrorEx, {FileName, SysErrorMessage(errno)});
}

void TGettextInstance::DebugLogPause(bool PauseEnabled) {
  const std::lock_guard Guard(FDebugLogLock);
  FDebugLogOutputPaused = PauseEnabled;
}

void TGettextInstance::DebugWriteln(const std::string& Line) {
  bool Discard = false;
  if (OnDebugLine) OnDebugLine(*this, Line, Discard);
  if (Discard) return;
  const std::lock_guard Guard(FDebugLogLock);
  if (!FDebugLogOutputPaused && FDebugLog.is_open()) FDebugLog << Line << '\n' << std::flush;
}

void TGettextInstance::LanguageChanged(const String&) {}

void TGettextInstance::DomainChanged(const String&) {}

void TGettextInstance::DomainDirectoryChanged(const String&, const String&) {}

}  // namespace cantrel
