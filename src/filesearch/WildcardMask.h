// Name masks with "*" and "?" and the lists of them a filter holds.
#pragma once

#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/String.h"

namespace cantrel {

class TStrings;

CANTREL_EXCEPTION(EStringError, Exception);

// Matches Text from position Start (counted from 1) against Mask, by UTF-16
// code units: "*" any run of characters, "?" exactly one, anything else
// itself. An empty Mask raises EStringError "Search string cannot be blank",
// a Start outside a non-empty Text "Argument out of range".
bool MatchWildcardMask(StringView Mask, StringView Text, int Start = 1);

// The name test of a search: a file name passes when it matches any one of
// the masks. "*" and "*.*" pass every name, and so does an empty list. A
// name without "." is tested with one appended, so "*." selects names
// without extension. Unless case-sensitive, masks and names are compared in
// upper case by simple case mapping, the same under every locale.
class TFileNameMasks {
public:
  TFileNameMasks() = default;
  TFileNameMasks(const TStrings& Masks, bool CaseSensitive);

  bool AllNamesMatch() const { return FAllNamesMatch; }
  bool Matches(StringView FileName) const;

private:
  struct TMask {
    String Text;
    // "*" and characters without wildcards: a test of the name's end.
    bool Ending = false;
  };

  // Endings up to this long are compared in place.
  static constexpr std::size_t LongestFastEnding = 32;

  std::vector<TMask> FMasks;
  std::size_t FLongestEnding = 0;
  bool FCaseSensitive = false;
  bool FAllNamesMatch = true;
};

}  // namespace cantrel
