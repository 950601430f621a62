#include "playlist/RelativePath.h"

#include <vector>

#include "runtime/Paths.h"

namespace cantrel {

namespace {

// A path in canonical form: whether it starts from the root, and its pieces
// with "." removed, ".." resolved where possible and empty pieces dropped.
struct TCanonicalPath {
  bool Absolute = false;
  std::vector<String> Pieces;

  bool Empty() const { return !Absolute && Pieces.empty(); }
  bool operator==(const TCanonicalPath&) const = default;

  String Text() const {
    String Result = Absolute ? String(1, PathDelim) : String();
    for (std::size_t I = 0; I < Pieces.size(); ++I) {
      if (I > 0) Result += PathDelim;
      Result += Pieces[I];
    }
    return Result.empty() ? String(u".") : Result;
  }
};

TCanonicalPath Canonical(StringView Path) {
  TCanonicalPath Result;
  Result.Absolute = !Path.empty() && Path.front() == PathDelim;
  std::size_t Start = 0;
  while (Start <= Path.size()) {
    auto End = Path.find(PathDelim, Start);
    if (End == StringView::npos) End = Path.size();
    const StringView Piece = Path.substr(Start, End - Start);
    Start = End + 1;
    if (Piece.empty() || Piece == u".") continue;
    const bool CanClimb = !Result.Pieces.empty() && Result.Pieces.back() != u"..";
    if (Piece == u".." && CanClimb)
      Result.Pieces.pop_back();
    else if (!(Piece == u".." && Result.Absolute))
      Result.Pieces.emplace_back(Piece);
  }
  return Result;
}

}  // namespace

String GetRelativePath(StringView Origin, StringView Destination) {
  const TCanonicalPath From = Canonical(Origin);
  const TCanonicalPath To = Canonical(Destination);
  if (From == To || Destination.empty()) return u".";
  if (Origin.empty()) return To.Text();
  // A relative path cannot lead to an absolute one.
  if (To.Absolute && !From.Absolute) return To.Text();
  if (From.Absolute && !To.Absolute) return IncludeTrailingPathDelimiter(From.Text()) + To.Text();

  std::size_t Common = 0;
  while (Common < From.Pieces.size() && Common < To.Pieces.size() && From.Pieces[Common] == To.Pieces[Common])
    ++Common;
  TCanonicalPath Result;
  for (std::size_t I = Common; I < From.Pieces.size(); ++I) Result.Pieces.emplace_back(u"..");
  for (std::size_t I = Common; I < To.Pieces.size(); ++I) Result.Pieces.push_back(To.Pieces[I]);
  return Result.Text();
}

}  // namespace cantrel
