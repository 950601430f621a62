#include "runtime/Locale.h"

#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>
#include <unicode/ucol.h>

#include <algorithm>
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

struct TCollatorCloser {
  void operator()(UCollator* Collator) const { ucol_close(Collator); }
};
using TCollator = std::unique_ptr<UCollator, TCollatorCloser>;

TCollator MakeCollator(const icu::Locale& Locale) {
  UErrorCode Status = U_ZERO_ERROR;
  TCollator Collator(ucol_open(Locale.getName(), &Status));
  if (U_FAILURE(Status) || !Collator) {
    Status = U_ZERO_ERROR;
    Collator.reset(ucol_open("", &Status));
  }
  ucol_setStrength(Collator.get(), UCOL_SECONDARY);
  ucol_setAttribute(Collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &Status);
  ucol_setAttribute(Collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &Status);
  return Collator;
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
    Cache.Collator = MakeCollator(IcuLocaleOf(TLocaleCategory::lcCollate));
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
  return ucol_strcoll(Cache.Collator.get(), A.data(), static_cast<int32_t>(A.size()), B.data(),
                      static_cast<int32_t>(B.size()));
}

std::vector<std::size_t> AnsiSortOrder(const std::vector<StringView>& Names) {
  const TCollatorCache& Cache = UserCollator();
  // All keys in one buffer: Ends[I] is where name I's key ends; a name
  // without one has an empty key and is compared by ICU.
  std::string Keys;
  std::vector<std::size_t> Ends(Names.size() + 1);
  std::vector<bool> Keyed(Names.size());
  for (std::size_t I = 0; I < Names.size(); ++I) {
    Keyed[I] = Cache.Latin->AppendKey(Names[I], Keys);
    Ends[I + 1] = Keys.size();
  }
  const auto KeyOf = [&](std::size_t I) { return std::string_view(Keys).substr(Ends[I], Ends[I + 1] - Ends[I]); };
  std::vector<std::size_t> Order(Names.size());
  for (std::size_t I = 0; I < Order.size(); ++I) Order[I] = I;
  std::sort(Order.begin(), Order.end(), [&](std::size_t A, std::size_t B) {
    const StringView NameA = Names[A];
    const StringView NameB = Names[B];
    const int Loose = Keyed[A] && Keyed[B]
                          ? KeyOf(A).compare(KeyOf(B))
                          : ucol_strcoll(Cache.Collator.get(), NameA.data(), static_cast<int32_t>(NameA.size()),
                                         NameB.data(), static_cast<int32_t>(NameB.size()));
    return Loose != 0 ? Loose < 0 : NameA < NameB;
  });
  return Order;
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
