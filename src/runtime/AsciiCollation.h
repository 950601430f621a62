#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/String.h"

struct UCollator;

namespace cantrel {

// The order a collator gives plain ASCII names, read off the collator
// itself, so that most file names compare without a call into ICU. It
// knows a character's place (its rank, shared by characters the collator
// holds equal, such as "a" and "A"), and compares a run of digits by its
// value, as numeric collation does. A character that the locale tailors or
// that starts one of its contractions (Czech "ch", Danish "aa"), or that is
// ignorable, is not known, and a name holding one is left to the collator.
class TAsciiCollation {
public:
  // The collator must compare at secondary strength; when its ASCII order
  // cannot be read this way, no name is known.
  explicit TAsciiCollation(const UCollator* Collator);

  // The collator's result for A and B when both are names of known
  // characters only; nothing otherwise.
  std::optional<int> Compare(StringView A, StringView B) const;
  // Appends a key for a name of known characters only, and answers false,
  // adding nothing, for any other. Keys compare as bytes as Compare
  // compares their names.
  bool AppendKey(StringView Name, std::string& Key) const;

private:
  static constexpr std::uint8_t Unknown = 0;

  bool Known(StringView Name) const;

  // Unknown, or the character's place among the others; every digit has
  // FDigitRank.
  std::array<std::uint8_t, 128> FRank{};
  std::uint8_t FDigitRank = Unknown;
};

}  // namespace cantrel
