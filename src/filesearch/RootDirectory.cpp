#include "filesearch/RootDirectory.h"

#include <vector>

#include "runtime/Paths.h"

namespace cantrel {

namespace {

std::vector<StringView> SplitPieces(StringView Rest) {
  std::vector<StringView> Pieces;
  for (std::size_t Delim; (Delim = Rest.find(PathDelim)) != StringView::npos; Rest.remove_prefix(Delim + 1))
    Pieces.push_back(Rest.substr(0, Delim));
  if (!Rest.empty()) Pieces.push_back(Rest);
  return Pieces;
}

void ResolveDots(std::vector<StringView>& Pieces, bool Rooted) {
  for (std::size_t I = 0; I < Pieces.size();) {
    if (Pieces[I] == u".") {
      Pieces.erase(Pieces.begin() + static_cast<std::ptrdiff_t>(I));
    } else if (!Rooted && (I == 0 || Pieces[I - 1] == u"..")) {
      ++I;
    } else if (Pieces[I] == u"..") {
      const std::size_t First = I > 0 ? I - 1 : I;
      Pieces.erase(Pieces.begin() + static_cast<std::ptrdiff_t>(First),
                   Pieces.begin() + static_cast<std::ptrdiff_t>(I + 1));
      I = First;
    } else {
      ++I;
    }
  }
}

}  // namespace

String PathCanonicalize(StringView Path) {
  const bool Rooted = !Path.empty() && Path.front() == PathDelim;
  const StringView Prefix = Path.substr(0, Rooted ? 1 : 0);
  std::vector<StringView> Pieces = SplitPieces(Path.substr(Prefix.size()));
  ResolveDots(Pieces, Rooted);
  String Result(Prefix);
  for (std::size_t I = 0; I < Pieces.size(); ++I) {
    if (I > 0) Result += PathDelim;
    Result += Pieces[I];
  }
  return Result.empty() ? String(u".") : Result;
}

String NormalizeRootDirectory(StringView Root) {
  String Result = IncludeTrailingPathDelimiter(PathCanonicalize(Root));
  if (StartsStr(u"./", Result)) Result.erase(0, 2);
  return Result;
}

}  // namespace cantrel
