// The collator's order for names in Latin letters, as a table of keys.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/String.h"

struct UCollator;

namespace cantrel {

struct TCollatorCloser {
  void operator()(UCollator* Collator) const;
};
using TCollator = std::unique_ptr<UCollator, TCollatorCloser>;

// The collator names are sorted with in Locale (an ICU locale name; the
// root's order where ICU has none): secondary strength, numbers by value,
// punctuation not ignored.
TCollator OpenNameCollator(const char* Locale);

// The order a collator gives names in Latin letters, read off the collator
// itself, so that most file names compare without a call into ICU. It keeps
// the collation elements of every character up to U+024F (primary weights
// by rank, secondary weights as they are) and compares a run of digits by
// its value, as numeric collation does; at secondary strength a name's order
// is that of its primary weights, then of its secondary weights. A
// character the locale tailors or that is part of one of its contractions
// (Czech "ch", Danish "aa", the root's "l·"), an ignorable or combining
// character, and anything beyond U+024F is not known, and a name holding
// one is left to the collator.
class TLatinCollation {
public:
  // The collator must compare at secondary strength; when its order cannot
  // be read this way (French accents, a case level), no name is known.
  explicit TLatinCollation(const UCollator* Collator);

  // The collator's result for A and B when both are names of known
  // characters only; nothing otherwise.
  std::optional<int> Compare(StringView A, StringView B) const;
  // Appends a key for a name of known characters only, and answers false,
  // adding nothing, for any other. Keys compare as bytes as Compare
  // compares their names.
  bool AppendKey(StringView Name, std::string& Key) const;

  static constexpr char16_t End = 0x250;

private:
  struct TWeights {
    // 0 for a character that is not known.
    std::uint8_t PrimaryCount = 0;
    std::uint8_t SecondaryCount = 0;
    // Only the common secondary weight, one for each primary weight.
    bool CommonSecondaries = false;
    std::array<std::uint16_t, 3> Primary{};
    std::array<std::uint16_t, 4> Secondary{};
  };

  // A step of a name's primary weights: a rank, or for a run of digits
  // the digits' rank and the digits without leading zeros.
  struct TToken {
    std::uint16_t Rank = 0;
    StringView Digits;
  };
  struct TPrimaryWalk {
    StringView Name;
    std::size_t Pos = 0;
    std::size_t Within = 0;
    bool Next(const TLatinCollation& Table, TToken& Token);
  };
  struct TSecondaryWalk {
    StringView Name;
    std::size_t Pos = 0;
    std::size_t Within = 0;
    bool Next(const TLatinCollation& Table, std::uint16_t& Weight);
  };

  bool Known(StringView Name) const;

  std::array<TWeights, End> FWeights{};
  // The rank of a run of digits among the primary weights, and the common
  // secondary weight, a run's and a plain letter's.
  std::uint16_t FDigitRank = 0;
  std::uint16_t FCommonSecondary = 0;
};

// The collator's order of two names, that of its sort keys. ucol_strcoll
// is quicker and agrees, but for names holding a digit beyond ASCII: with
// numbers on, a tailored collator (Swedish, Czech, ...) misses that such a
// digit continues a number the names share the start of (ICU 72 puts "9b"
// after "9\u0663\u00fc", "9" and Arabic-Indic "3", where its sort keys
// put it before), so they are compared by their sort keys.
int CollatorCompare(const UCollator* Collator, StringView A, StringView B);

// Names in the collator's order, equal ones by their code units. A name of
// known characters gets its key from the table, made once; a pair in which
// a name has none is compared by the collator. Keys and collator agree
// exactly, so that the order over any mix is a strict weak order.
class TNameSortKeys {
public:
  // Names must outlive the keys.
  TNameSortKeys(const UCollator* Collator, const TLatinCollation& Latin, const std::vector<StringView>& Names);

  bool Before(std::size_t A, std::size_t B) const;
  // The positions of the names in that order.
  std::vector<std::size_t> Order() const;

private:
  std::string_view KeyOf(std::size_t Index) const;

  const UCollator* FCollator;
  const std::vector<StringView>& FNames;
  // All keys in one buffer: name I's ends at FEnds[I + 1]; a name without
  // one has an empty key.
  std::string FKeys;
  std::vector<std::size_t> FEnds;
  std::vector<bool> FKeyed;
};

}  // namespace cantrel
