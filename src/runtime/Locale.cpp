#include "runtime/Locale.h"

#include <unicode/coll.h>
#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace cantrel {

namespace {

std::mutex PinnedLock;
std::string PinnedName;
// Bumped whenever the pinned name changes, so per-thread caches rebuild.
std::atomic<unsigned> LocaleGeneration{1};

std::string LocaleFromEnvironment() {
  for (const char* Variable : {"LANG", "LC_ALL", "LC_MESSAGES"}) {
    const char* Value = std::getenv(Variable);
    if (!Value || !*Value) continue;
    std::string Name(Value);
    Name = Name.substr(0, Name.find_first_of(".@"));
    if (Name.empty() || Name == "C" || Name == "POSIX") return "C";
    return Name;
  }
  return "C";
}

icu::UnicodeString ToIcu(StringView Text) {
  return icu::UnicodeString(false, Text.data(), static_cast<int32_t>(Text.size()));
}

std::unique_ptr<icu::Collator> MakeCollator(const icu::Locale& Locale) {
  UErrorCode Status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> Collator(icu::Collator::createInstance(Locale, Status));
  if (U_FAILURE(Status) || !Collator) {
    Status = U_ZERO_ERROR;
    Collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), Status));
  }
  Collator->setStrength(icu::Collator::SECONDARY);
  Collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, Status);
  Collator->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, Status);
  return Collator;
}

// ICU collators may not be shared between threads, and building them is
// costly: each thread keeps its own, rebuilt when the locale changes.
struct TLocaleCache {
  unsigned Generation = 0;
  icu::Locale Locale;
  std::unique_ptr<icu::Collator> Collator;
};

TLocaleCache& ThreadLocale() {
  thread_local TLocaleCache Cache;
  const unsigned Generation = LocaleGeneration.load();
  if (Cache.Generation != Generation) {
    const std::string Name = UserLocaleName();
    Cache.Locale = Name == "C" ? icu::Locale::getRoot() : icu::Locale(Name.c_str());
    Cache.Collator = MakeCollator(Cache.Locale);
    Cache.Generation = Generation;
  }
  return Cache;
}

const icu::Locale& IcuLocale() { return ThreadLocale().Locale; }

icu::Collator& UserCollator() { return *ThreadLocale().Collator; }

}  // namespace

std::string UserLocaleName() {
  {
    std::lock_guard Guard(PinnedLock);
    if (!PinnedName.empty()) return PinnedName;
  }
  static const std::string FromEnvironment = LocaleFromEnvironment();
  return FromEnvironment;
}

void SetUserLocaleName(const std::string& Name) {
  std::lock_guard Guard(PinnedLock);
  PinnedName = Name;
  LocaleGeneration.fetch_add(1);
}

int AnsiCompareTextLoose(StringView A, StringView B) {
  UErrorCode Status = U_ZERO_ERROR;
  const UCollationResult Result = UserCollator().compare(
      A.data(), static_cast<int32_t>(A.size()), B.data(), static_cast<int32_t>(B.size()), Status);
  return U_FAILURE(Status) ? A.compare(B) : static_cast<int>(Result);
}

int AnsiCompareText(StringView A, StringView B) {
  const int Result = AnsiCompareTextLoose(A, B);
  if (Result != 0) return Result;
  const int Exact = A.compare(B);
  return Exact < 0 ? -1 : (Exact > 0 ? 1 : 0);
}

String AnsiUpperCase(StringView Text) {
  icu::UnicodeString Upper = ToIcu(Text);
  Upper.toUpper(IcuLocale());
  return String(Upper.getBuffer(), static_cast<std::size_t>(Upper.length()));
}

String DecimalSeparator() {
  UErrorCode Status = U_ZERO_ERROR;
  const icu::DecimalFormatSymbols Symbols(IcuLocale(), Status);
  if (U_FAILURE(Status)) return u".";
  const icu::UnicodeString& Separator =
      Symbols.getConstSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol);
  return String(Separator.getBuffer(), static_cast<std::size_t>(Separator.length()));
}

}  // namespace cantrel
