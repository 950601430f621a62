// The user's locale, category by category.
#include "runtime/Locale.h"

#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>
#include <unicode/ucol.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

#include "runtime/LatinCollation.h"

namespace cantrel {

namespace {

std::mutex PinnedLock;
std::string PinnedName;
// Bumped whenever the pinned name changes, so per-thread caches rebuild.
std::atomic<unsigned> LocaleGeneration{1};

const char* VariableOf(TLocaleCategory Category) {
  switch (Category) {
    case TLocaleCategory::lcCollate:
      return "LC_COLLATE";
    case TLocaleCategory::lcMessages:
      return "LC_MESSAGES";
    case TLocaleCategory::lcNumeric:
      return "LC_NUMERIC";
    case TLocaleCategory::lcTime:
      return "LC_TIME";
    default:
      return "LC_CTYPE";
  }
}

icu::Locale IcuLocaleOf(TLocaleCategory Category) {
  const std::string Name = UserLocaleName(Category);
  return Name == "C" ? icu::Locale::getRoot() : icu::Locale(Name.c_str());
}

// ICU collators may not be shared between threads, and building them is
// costly: each thread keeps its own, rebuilt when the pinned locale changes,
// with the order of names in Latin letters read off it.
struct TCollatorCache {
  unsigned Generation = 0;
  TCollator Collator;
  std::optional<TLatinCollation> Latin;
};

TCollatorCache& UserCollator() {
  thread_local TCollatorCache Cache;
  const unsigned Generation = LocaleGeneration.load();
  if (Cache.Generation != Generation) {
    Cache.Collator = OpenNameCollator(IcuLocaleOf(TLocaleCategory::lcCollate).getName());
    Cache.Latin.emplace(Cache.Collator.get());
    Cache.Generation = Generation;
  }
  return Cache;
}

}  // namespace

std::string LocaleOfCategory(TLocaleCategory Category) {
  for (const char* Variable : {"LC_ALL", VariableOf(Category), "LANG"}) {
    const char* Value = std::getenv(Variable);
    if (Value && *Value) return Value;
  }
  return {};
}

std::string UserLocaleName(TLocaleCategory Category) {
  {
    std::lock_guard Guard(PinnedLock);
    if (!PinnedName.empty()) return PinnedName;
  }
  std::string Name = LocaleOfCategory(Category);
  Name = Name.substr(0, Name.find_first_of(".@"));
  if (Name.empty() || Name == "POSIX") return "C";
  return Name;
}

void SetUserLocaleName(const std::string& Name) {
  std::lock_guard Guard(PinnedLock);
  PinnedName = Name;
  LocaleGeneration.fetch_add(1);
}

int AnsiCompareTextLoose(StringView A, StringView B) {
  const TCollatorCache& Cache = UserCollator();
  if (const std::optional<int> Result = Cache.Latin->Compare(A, B)) return *Result;
  return CollatorCompare(Cache.Collator.get(), A, B);
}

std::vector<std::size_t> AnsiSortOrder(const std::vector<StringView>& Names) {
  const TCollatorCache& Cache = UserCollator();
  return TNameSortKeys(Cache.Collator.get(), *Cache.Latin, Names).Order();
}

int AnsiCompareText(StringView A, StringView B) {
  const int Result = AnsiCompareTextLoose(A, B);
  if (Result != 0) return Result;
  const int Exact = A.compare(B);
  return Exact < 0 ? -1 : (Exact > 0 ? 1 : 0);
}

String DecimalSeparator() {
  UErrorCode Status = U_ZERO_ERROR;
  const icu::DecimalFormatSymbols Symbols(IcuLocaleOf(TLocaleCategory::lcNumeric), Status);
  if (U_FAILURE(Status)) return u".";
  const icu::UnicodeString& Separator =
      Symbols.getConstSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol);
  return String(Separator.getBuffer(), static_cast<std::size_t>(Separator.length()));
}

}  // namespace cantrel
