// TFolderRules: which entries of a folder the walk lists and which folders it enters.
#include "filesearch/FolderRules.h"

#include "filesearch/FileSearchCriteria.h"
#include "runtime/AtomicFile.h"
#include "runtime/Paths.h"

namespace cantrel {

TFolderRules::TFolderRules(const TFileSearchCriteria& Options)
    : FFileMasks(Options.GetFileMasks(), Options.GetCaseSensitiveSearch()),
      FSubDirectoryMask(Options.GetSubDirectoryMask()),
      FRejectedAttr(Options.GetAttributeMask().GetRejected()),
      FRequiredAttr(Options.GetAttributeMask().GetRequired()),
      FIncludeSubDirectories(Options.GetIncludeSubDirectories()),
      FIncludeHiddenSubDirectories(Options.GetIncludeHiddenSubDirectories()),
      FFollowDirectoryLinks(Options.GetFollowDirectoryLinks()),
      FReadFileDetails(Options.GetReadFileDetails()) {
  if (Options.GetOption(TFileSearchOption::fsMinSize)) FFileSizeMin = Options.GetFileSizeMin();
  if (Options.GetOption(TFileSearchOption::fsMaxSize)) FFileSizeMax = Options.GetFileSizeMax();
  if (Options.GetOption(TFileSearchOption::fsLastChangeAfter)) FFileTimeMin = Options.GetLastChangeAfter();
  if (Options.GetOption(TFileSearchOption::fsLastChangeBefore)) FFileTimeMax = Options.GetLastChangeBefore();
  // The windows test what only a stat tells.
  for (const auto Window : {TFileSearchOption::fsMinSize, TFileSearchOption::fsMaxSize,
                            TFileSearchOption::fsLastChangeAfter, TFileSearchOption::fsLastChangeBefore})
    if (Options.GetOption(Window)) FReadFileDetails = true;
}

// The walk sees every name anyway: a leftover costs nothing to note.
std::vector<String> TFolderRules::Temporaries(const TDirectoryListing& Listing) {
  std::vector<String> Result;
  for (std::size_t Index = 0; Index < Listing.Count(); ++Index)
    if (IsReplacementTemporary(Listing.Name(Index))) Result.emplace_back(Listing.Name(Index));
  return Result;
}

TFoundFiles TFolderRules::PassingFiles(TDirectoryListing& Listing, const std::vector<std::size_t>& Candidates,
                                       const std::function<bool()>& Stopped) const {
  TFoundFiles Files;
  Files.Reserve(Candidates.size());
  TSearchRec FileInfo;
  for (std::size_t Index : Candidates) {
    if (Stopped()) break;
    if (Listing.GetSearchRec(Index, FileInfo, FReadFileDetails) && PassesWindows(FileInfo)) Files.Add(FileInfo);
  }
  return Files;
}

std::vector<std::size_t> TFolderRules::FileCandidates(TDirectoryListing& Listing) const {
  const std::uint32_t Requested = ~FRejectedAttr & faAnyFile;
  const std::uint32_t Interest = FRejectedAttr | FRequiredAttr;
  std::vector<std::size_t> Result;
  for (std::size_t Index = 0; Index < Listing.Count(); ++Index)
    if (Listing.Lists(Index, Requested) &&
        MatchAttributes(Listing.Attributes(Index, Interest), FRejectedAttr, FRequiredAttr) &&
        FFileMasks.Matches(Listing.Name(Index)))
      Result.push_back(Index);
  Listing.SortByName(Result);
  return Result;
}

// A record left unstated had no window to pass.
bool TFolderRules::PassesWindows(const TSearchRec& FileInfo) const {
  if (!FileInfo.Stated) return true;
  return FileInfo.Time >= FFileTimeMin && FileInfo.Time <= FFileTimeMax && FileInfo.Size >= FFileSizeMin &&
         FileInfo.Size <= FFileSizeMax;
}

// A link to a folder is one only when links are followed.
std::vector<TFolder> TFolderRules::AdmittedSubdirectories(const String& Root, const String& Directory,
                                                          TDirectoryListing& Listing) const {
  std::vector<TFolder> Result;
  const std::uint32_t Requested = faDirectory | (FIncludeHiddenSubDirectories ? faHidden : 0);
  const std::uint32_t Refused = FFollowDirectoryLinks ? 0 : faReparsePoint;
  std::vector<std::size_t> Indexes;
  for (std::size_t Index = 0; Index < Listing.Count(); ++Index) {
    if (!Listing.Lists(Index, Requested)) continue;
    const std::uint32_t Attributes = Listing.Attributes(Index, faDirectory | faReparsePoint);
    if ((Attributes & faDirectory) && !(Attributes & Refused)) Indexes.push_back(Index);
  }
  Listing.SortByName(Indexes);
  for (std::size_t Index : Indexes) {
    String Subdirectory = Directory;
    Subdirectory.append(Listing.Name(Index)).push_back(PathDelim);
    if (SubDirectoryMaskMatches(Root, Subdirectory))
      Result.push_back({std::move(Subdirectory), Listing.SystemName(Index),
                        (Listing.Attributes(Index, faReparsePoint) & faReparsePoint) != 0});
  }
  return Result;
}

// The mask sees the path from the root's trailing "/" on, with regard to
// case: below /music/, /music/rock/live/ is matched as /rock/live/. Below
// the current directory (the empty root) the path gets a leading "/" alike.
bool TFolderRules::SubDirectoryMaskMatches(const String& Root, const String& Subdirectory) const {
  if (FSubDirectoryMask.empty() || FSubDirectoryMask == u"*") return true;
  if (Root.empty()) return MatchWildcardMask(FSubDirectoryMask, PathDelim + Subdirectory);
  return MatchWildcardMask(FSubDirectoryMask, Subdirectory, static_cast<int>(Root.size()));
}

}  // namespace cantrel
