#include "filesearch/EnumFileThread.h"

#include <algorithm>

#include "filesearch/FileSearchCriteria.h"
#include "filesearch/RootDirectory.h"
#include "runtime/Paths.h"

namespace cantrel {

TEnumFileThread::TEnumFileThread(int ID, const TFileSearchCriteria& Options, TFileEnumeratorSyncMode Mode,
                                 TFileHandler OnEnterDirectory)
    : FID(ID),
      FFileMasks(Options.GetFileMasks(), Options.GetCaseSensitiveSearch()),
      FSubDirectoryMask(Options.GetSubDirectoryMask()),
      FOnEnterDirectory(std::move(OnEnterDirectory)),
      FRejectedAttr(Options.GetAttributeMask().GetRejected()),
      FRequiredAttr(Options.GetAttributeMask().GetRequired()),
      FSynchronizationMode(Mode),
      FIncludeSubDirectories(Options.GetIncludeSubDirectories()),
      FIncludeHiddenSubDirectories(Options.GetIncludeHiddenSubDirectories()) {
  const TStrings& Roots = Options.GetRootDirectories();
  for (int I = 0; I < Roots.Count(); ++I) FDirectories.push_back(Roots[I]);
  if (Options.GetOption(TFileSearchOption::fsMinSize)) FFileSizeMin = Options.GetFileSizeMin();
  if (Options.GetOption(TFileSearchOption::fsMaxSize)) FFileSizeMax = Options.GetFileSizeMax();
  if (Options.GetOption(TFileSearchOption::fsLastChangeAfter)) FFileTimeMin = Options.GetLastChangeAfter();
  if (Options.GetOption(TFileSearchOption::fsLastChangeBefore)) FFileTimeMax = Options.GetLastChangeBefore();
  SetFreeOnTerminate(true);
  SetPriority(TThreadPriority::tpIdle);
}

void TEnumFileThread::Execute() {
  // Stopped before it began to run: no walk at all.
  if (Terminated()) return;
  // A stop is tested inside the listings only: each later root is still
  // entered, but lists nothing.
  for (const String& Root : FDirectories) {
    FRoot = NormalizeRootDirectory(Root);
    if (FIncludeSubDirectories) {
      WalkDirectory(FRoot);
    } else {
      TDirectoryListing Listing;
      Listing.Open(SystemFileName(FRoot));
      DirectoryStep(FRoot, Listing);
    }
  }
}

// Depth first, pre-order: a directory's enter report and its files come
// before anything of its subdirectories. A directory that cannot be listed
// is entered and has nothing in it; one that is already being walked higher
// up (reached again through a link) is not entered at all.
void TEnumFileThread::WalkDirectory(const String& Directory) {
  std::vector<String> Subdirectories;
  std::pair<dev_t, ino_t> Identity;
  {
    TDirectoryListing Listing;
    if (Listing.Open(SystemFileName(Directory)) && IsBeingWalked(Listing)) return;
    DirectoryStep(Directory, Listing);
    Subdirectories = AdmittedSubdirectories(Directory, Listing);
    Identity = {Listing.Device(), Listing.Inode()};
  }
  if (Subdirectories.empty()) return;
  FWalking.push_back(Identity);
  for (const String& Subdirectory : Subdirectories) {
    if (Terminated()) break;
    WalkDirectory(Subdirectory);
  }
  FWalking.pop_back();
}

bool TEnumFileThread::IsBeingWalked(const TDirectoryListing& Listing) const {
  return std::find(FWalking.begin(), FWalking.end(), std::make_pair(Listing.Device(), Listing.Inode())) !=
         FWalking.end();
}

// The tests that need no stat (listing rule, attributes, name) run on the
// worker in both modes; what passes is stat-ed, checked against the size and
// time windows and delivered in name order.
void TEnumFileThread::DirectoryStep(const String& Directory, TDirectoryListing& Listing) {
  FCurrentDirectory = Directory;
  const std::vector<std::size_t> Candidates = FileCandidates(Listing);
  if (FSynchronizationMode == TFileEnumeratorSyncMode::smPerFile) {
    if (FOnEnterDirectory) Synchronize([this] { EnterDirectory(); });
    for (std::size_t Index : Candidates) {
      if (Terminated()) return;
      if (Listing.GetSearchRec(Index, FFileInfo) && PassesWindows(FFileInfo)) Synchronize([this] { DeliverFile(); });
    }
    return;
  }
  std::vector<TSearchRec> Files;
  for (std::size_t Index : Candidates) {
    if (Terminated()) break;
    TSearchRec FileInfo;
    if (Listing.GetSearchRec(Index, FileInfo) && PassesWindows(FileInfo)) Files.push_back(std::move(FileInfo));
  }
  if (!FOnEnterDirectory && Files.empty()) return;
  Synchronize([this, &Files] {
    EnterDirectory();
    for (TSearchRec& FileInfo : Files) {
      if (Terminated()) return;
      FFileInfo = std::move(FileInfo);
      DeliverFile();
    }
  });
}

std::vector<std::size_t> TEnumFileThread::FileCandidates(TDirectoryListing& Listing) const {
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

bool TEnumFileThread::PassesWindows(const TSearchRec& FileInfo) const {
  return FileInfo.Time >= FFileTimeMin && FileInfo.Time <= FFileTimeMax && FileInfo.Size >= FFileSizeMin &&
         FileInfo.Size <= FFileSizeMax;
}

// Directories, also behind links, that are neither System nor (unless asked
// for) Hidden and that the subdirectory mask admits, in name order.
std::vector<String> TEnumFileThread::AdmittedSubdirectories(const String& Directory, TDirectoryListing& Listing) {
  std::vector<String> Result;
  if (Terminated()) return Result;
  const std::uint32_t Requested = faDirectory | (FIncludeHiddenSubDirectories ? faHidden : 0);
  std::vector<std::size_t> Indexes;
  for (std::size_t Index = 0; Index < Listing.Count(); ++Index)
    if (Listing.Lists(Index, Requested) && (Listing.Attributes(Index, faDirectory) & faDirectory))
      Indexes.push_back(Index);
  Listing.SortByName(Indexes);
  for (std::size_t Index : Indexes) {
    String Subdirectory = Directory + Listing.Name(Index) + PathDelim;
    if (SubDirectoryMaskMatches(Subdirectory)) Result.push_back(std::move(Subdirectory));
  }
  return Result;
}

// The mask sees the path from the root's trailing "/" on, with regard to
// case: below /music/, /music/rock/live/ is matched as /rock/live/. Below
// the current directory (the empty root) the path gets a leading "/" alike.
bool TEnumFileThread::SubDirectoryMaskMatches(const String& Subdirectory) const {
  if (FSubDirectoryMask.empty() || FSubDirectoryMask == u"*") return true;
  if (FRoot.empty()) return MatchWildcardMask(FSubDirectoryMask, PathDelim + Subdirectory);
  return MatchWildcardMask(FSubDirectoryMask, Subdirectory, static_cast<int>(FRoot.size()));
}

void TEnumFileThread::EnterDirectory() {
  if (FOnEnterDirectory) FOnEnterDirectory(FCurrentDirectory);
}

void TEnumFileThread::DeliverFile() {
  if (FFileHandlerEx)
    FFileHandlerEx(FCurrentDirectory, FFileInfo);
  else if (FFileHandler)
    FFileHandler(FCurrentDirectory + FFileInfo.Name);
}

}  // namespace cantrel
