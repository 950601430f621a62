// Reaching a folder of the tree by descriptors from the folder searched, as the search saw it.
#include "playlist/FolderReach.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>

#include "playlist/PlayListConsts.h"
#include "runtime/Exceptions.h"
#include "runtime/Paths.h"
#include "runtime/ResourceStrings.h"

namespace cantrel {

std::optional<std::vector<std::string>> DescendingPieces(StringView Relative) {
  if (!Relative.empty() && Relative.front() == PathDelim) return std::nullopt;
  std::vector<std::string> Pieces;
  for (std::size_t Start = 0; Start < Relative.size();) {
    const std::size_t End = std::min(Relative.find(PathDelim, Start), Relative.size());
    const StringView Piece = Relative.substr(Start, End - Start);
    if (Piece == u"..") return std::nullopt;
    if (!Piece.empty() && Piece != u".") Pieces.push_back(SystemFileName(Piece));
    Start = End + 1;
  }
  return Pieces;
}

TReachedFolder OpenBelow(int From, const std::string& FromBelowRoot, const std::vector<std::string>& Pieces,
                         const std::optional<TFolderIdentity>& Identity) {
  TReachedFolder Result;
  Result.Handle = From;
  Result.BelowRoot = FromBelowRoot;
  for (std::size_t I = 0; I < Pieces.size(); ++I) {
    const bool Cross = I + 1 == Pieces.size() && Identity && Identity->ThroughLink;
    TFileHandle Next(
        openat(Result.Handle, Pieces[I].c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | (Cross ? 0 : O_NOFOLLOW)));
    if (!Next.Valid()) {
      const bool Gone = errno == ENOENT || errno == ENOTDIR || errno == ELOOP;
      Result.Unreached = Identity && Gone ? LoadResString(&SFolderChanged) : SysErrorMessage(errno);
      return Result;
    }
    Result.Owned = std::move(Next);
    Result.Handle = Result.Owned.Get();
    Result.BelowRoot += Pieces[I] + '/';
  }
  if (Identity && !IsFolder(Result.Handle, *Identity)) Result.Unreached = LoadResString(&SFolderChanged);
  return Result;
}

}  // namespace cantrel
