// The filter-text-to-masks rule with the name test and the wildcard
// matcher. The input's first line is a filter text, the next lines are file
// names. Every result of the matcher is compared with a plain step-by-step
// matcher, slow but plainly right, where that one is quick enough; the fast
// one must stay quick for any mask and name (libFuzzer reports slow inputs).
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "core/FilterTexts.h"
#include "filesearch/FileSearchCriteria.h"
#include "filesearch/WildcardMask.h"

using namespace cantrel;
using namespace cantrel::fuzz;

namespace {

// The matcher's rule walked one character at a time, returning to the
// place after the last star on every failure.
bool StepMatch(StringView Mask, StringView Text, std::size_t T) {
  constexpr std::size_t Unset = StringView::npos;
  std::size_t M = 0, RestartMask = Unset, RestartText = Unset;
  bool Searching = false;
  for (;;) {
    if (!Searching) {
      if (M == Mask.size()) {
        if (T == Text.size()) return true;
        if (RestartText == Unset) return false;
        M = RestartMask, T = RestartText, Searching = true;
      } else if (Mask[M] == u'*') {
        RestartMask = ++M, Searching = true;
      } else if (T == Text.size()) {
        return false;
      } else if (Mask[M] == u'?' || Mask[M] == Text[T]) {
        ++M, ++T;
      } else if (RestartText != Unset) {
        M = RestartMask, T = RestartText, Searching = true;
      } else {
        return false;
      }
    } else if (M == Mask.size()) {
      return true;
    } else if (Mask[M] == u'*') {
      RestartMask = ++M;
    } else if (Mask[M] == u'?') {
      if (T == Text.size()) return false;
      ++M, ++T;
    } else {
      const std::size_t Found = Text.find(Mask[M], T);
      if (Found == StringView::npos) return false;
      T = RestartText = Found + 1;
      ++M, Searching = false;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const String Text = Utf8ToString(AsBytes(Data, Size));
  std::vector<String> Lines;
  for (std::size_t Start = 0; Start <= Text.size() && Lines.size() < 16;) {
    const std::size_t End = std::min(Text.find(u'\n', Start), Text.size());
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 1;
  }
  TFileSearchCriteria Criteria;
  Criteria.SetFileMask(MasksOfFilter(Lines[0]));
  const TStrings& Masks = Criteria.GetFileMasks();
  const TFileNameMasks NameTest(Masks, Size % 2 == 1);
  for (std::size_t I = 1; I < Lines.size(); ++I) {
    const String& Name = Lines[I];
    NameTest.Matches(Name);
    for (int J = 0; J < Masks.Count(); ++J) {
      const String Mask = Masks[J];
      for (const std::size_t Start : {std::size_t{1}, Name.size() / 2 + 1}) {
        if (Name.empty() ? Start > 1 : Start > Name.size()) continue;
        const bool Matched = MatchWildcardMask(Mask, Name, static_cast<int>(Start));
        if (Mask.size() * Name.size() <= 1 << 16)
          FUZZ_CHECK(Matched == (Mask == u"*" || (!Name.empty() && StepMatch(Mask, Name, Start - 1))));
      }
    }
  }
  return 0;
}
