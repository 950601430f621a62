// The path of one folder as seen from another.
#include "playlist/RelativePath.h"

#include <vector>

#include "runtime/Paths.h"

namespace cantrel {

namespace {

// A path in canonical form, split: whether it starts from the root, and its
// pieces.
struct TCanonicalPath {
  bool Absolute = false;
  std::vector<String> Pieces;

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

// Empty pieces mean nothing to Linux: "a//b" is "a/b".
String WithoutEmptyPieces(StringView Path) {
  String Result;
  for (const char16_t C : Path)
    if (C != PathDelim || Result.empty() || Result.back() != PathDelim) Result += C;
  return Result;
}

TCanonicalPath Canonical(StringView Path) {
  const String Text = PathCanonicalize(WithoutEmptyPieces(Path));
  TCanonicalPath Result;
  Result.Absolute = Text.front() == PathDelim;
  StringView Rest = StringView(Text).substr(Result.Absolute ? 1 : 0);
  if (Rest == u".") return Result;
  while (!Rest.empty()) {
    const auto Delim = Rest.find(PathDelim);
    Result.Pieces.emplace_back(Rest.substr(0, Delim));
    Rest.remove_prefix(Delim == StringView::npos ? Rest.size() : Delim + 1);
  }
  return Result;
}

// A folder below Origin (a path ending in "/") by plain names: its path is
// Origin's followed by its own pieces, so the canonical forms agree on
// Origin's part and the rest is the answer.
bool PlainPathBelow(StringView Origin, StringView Destination, String& Result) {
  if (Origin.empty() || Origin.back() != PathDelim || !StartsStr(Origin, Destination)) return false;
  StringView Rest = Destination.substr(Origin.size());
  if (!Rest.empty() && Rest.back() == PathDelim) Rest.remove_suffix(1);
  if (Rest.empty()) {
    Result = u".";
    return true;
  }
  for (StringView Pieces = Rest; !Pieces.empty();) {
    const auto Delim = Pieces.find(PathDelim);
    const StringView Piece = Pieces.substr(0, Delim);
    if (Piece.empty() || Piece == u"." || Piece == u"..") return false;
    Pieces.remove_prefix(Delim == StringView::npos ? Pieces.size() : Delim + 1);
  }
  Result = Rest;
  return true;
}

}  // namespace

String GetRelativePath(StringView Origin, StringView Destination) {
  if (String Result; PlainPathBelow(Origin, Destination, Result)) return Result;
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
