// TFolderRules: which entries of a folder the walk lists and which folders it enters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filesearch/FoundFiles.h"
#include "filesearch/WildcardMask.h"
#include "runtime/DirectoryListing.h"

namespace cantrel {

class TFileSearchCriteria;

// A folder to walk: its path as reported, its name in its parent (or the
// path of a root) and whether it is a link walked into.
struct TFolder {
  String Directory;
  std::string Name;
  bool Link = false;
};

// What a search takes of a listed folder, by its copy of the options: the
// files that pass, in name order, and the subdirectories it walks into.
// Nothing here changes once made, so any thread may use it.
class TFolderRules {
public:
  explicit TFolderRules(const TFileSearchCriteria& Options);

  bool IncludeSubDirectories() const { return FIncludeSubDirectories; }
  bool FollowDirectoryLinks() const { return FFollowDirectoryLinks; }
  bool ReadFileDetails() const { return FReadFileDetails; }

  // The entries that the listing rule, the attributes and the name masks
  // admit, in name order: the tests that need no stat of their own.
  std::vector<std::size_t> FileCandidates(TDirectoryListing& Listing) const;
  // The candidates stat-ed where needed and checked against the size and
  // time windows; cut short once Stopped answers true.
  TFoundFiles PassingFiles(TDirectoryListing& Listing, const std::vector<std::size_t>& Candidates,
                           const std::function<bool()>& Stopped) const;
  bool PassesWindows(const TSearchRec& FileInfo) const;
  // Directories that are neither System nor (unless asked for) Hidden and
  // that the subdirectory mask admits below Root, in name order.
  std::vector<TFolder> AdmittedSubdirectories(const String& Root, const String& Directory,
                                              TDirectoryListing& Listing) const;
  // The names of temporary files that replacements left in the folder.
  static std::vector<String> Temporaries(const TDirectoryListing& Listing);

private:
  bool SubDirectoryMaskMatches(const String& Root, const String& Subdirectory) const;

  TFileNameMasks FFileMasks;
  String FSubDirectoryMask;
  std::uint32_t FRejectedAttr;
  std::uint32_t FRequiredAttr;
  std::int64_t FFileSizeMin = 0;
  std::int64_t FFileSizeMax = INT64_MAX;
  double FFileTimeMin = -1.7e308;
  double FFileTimeMax = 1.7e308;
  bool FIncludeSubDirectories;
  bool FIncludeHiddenSubDirectories;
  bool FFollowDirectoryLinks;
  // A file is stat-ed for its record, not only where a test needs it.
  bool FReadFileDetails;
};

}  // namespace cantrel
