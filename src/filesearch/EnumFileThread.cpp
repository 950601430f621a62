// The worker thread that walks the folder tree for one search.
#include "filesearch/EnumFileThread.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "filesearch/FileSearchCriteria.h"
#include "filesearch/RootDirectory.h"
#include "runtime/AtomicFile.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

// A batch goes to the main thread once it holds this many files or folders
// or is this old: big enough that hand-overs cost little, small enough that
// the window stays quick and shows the walk going on.
constexpr std::size_t BatchFiles = 1024;
constexpr std::size_t BatchFolders = 64;
constexpr auto BatchAge = std::chrono::milliseconds(20);
// One batch runs on the main thread while the next one waits.
constexpr std::size_t BatchesHandedOver = 2;

}  // namespace

TEnumFileThread::TEnumFileThread(int ID, const TFileSearchCriteria& Options, TFileEnumeratorSyncMode Mode,
                                 TDirectoryHandlerEx OnEnterDirectory, TDirectoryErrorEvent OnDirectoryError)
    : FID(ID),
      FFileMasks(Options.GetFileMasks(), Options.GetCaseSensitiveSearch()),
      FSubDirectoryMask(Options.GetSubDirectoryMask()),
      FOnEnterDirectory(std::move(OnEnterDirectory)),
      FOnDirectoryError(std::move(OnDirectoryError)),
      FRejectedAttr(Options.GetAttributeMask().GetRejected()),
      FRequiredAttr(Options.GetAttributeMask().GetRequired()),
      FSynchronizationMode(Mode),
      FIncludeSubDirectories(Options.GetIncludeSubDirectories()),
      FIncludeHiddenSubDirectories(Options.GetIncludeHiddenSubDirectories()),
      FFollowDirectoryLinks(Options.GetFollowDirectoryLinks()),
      FReadFileDetails(Options.GetReadFileDetails()) {
  const TStrings& Roots = Options.GetRootDirectories();
  for (int I = 0; I < Roots.Count(); ++I) FDirectories.push_back(Roots[I]);
  FRootFolder = Options.GetRootFolder();
  if (Options.GetOption(TFileSearchOption::fsMinSize)) FFileSizeMin = Options.GetFileSizeMin();
  if (Options.GetOption(TFileSearchOption::fsMaxSize)) FFileSizeMax = Options.GetFileSizeMax();
  if (Options.GetOption(TFileSearchOption::fsLastChangeAfter)) FFileTimeMin = Options.GetLastChangeAfter();
  if (Options.GetOption(TFileSearchOption::fsLastChangeBefore)) FFileTimeMax = Options.GetLastChangeBefore();
  // The windows test what only a stat tells.
  for (const auto Window : {TFileSearchOption::fsMinSize, TFileSearchOption::fsMaxSize,
                            TFileSearchOption::fsLastChangeAfter, TFileSearchOption::fsLastChangeBefore})
    if (Options.GetOption(Window)) FReadFileDetails = true;
  SetPriority(TThreadPriority::tpLower);
}

void TEnumFileThread::Execute() {
  // Stopped before it began to run: no walk at all.
  if (Terminated()) return;
  try {
    // A stop is tested inside the listings only: each later root is still
    // entered, but lists nothing.
    for (const String& Root : FDirectories) {
      FRoot = NormalizeRootDirectory(Root);
      if (FRootFolder)
        WalkDirectory(FRootFolder->Get(), {FRoot, ".", false}, true);
      else
        WalkDirectory(AT_FDCWD, {FRoot, SystemFileName(FRoot), false}, true);
    }
  } catch (...) {
    // What was found before the error is still reported; a batch that
    // failed on the main thread before it came first.
    HandOverBatch();
    WaitForQueue();
    throw;
  }
  HandOverBatch();
  WaitForQueue();
}

// Depth first, pre-order: a directory's enter report and its files come
// before anything of its subdirectories. A directory that cannot be listed
// is reported as such instead of entered; one walked before in this search
// is passed over. Each folder is opened from its parent's descriptor, kept
// while the folders below are walked, and never through a link the walk
// does not cross.
void TEnumFileThread::WalkDirectory(int Parent, const TFolder& Folder, bool Root) {
  if (FFollowDirectoryLinks && !Root && WalkedBefore(Parent, Folder.Name)) return;
  TDirectoryListing Listing;
  if (!Listing.Open(Parent, Folder.Name.empty() ? "." : Folder.Name, Root || FFollowDirectoryLinks))
    return ReportDirectoryError(Folder.Directory, Listing.Error(), Root);
  const TIdentity Identity{Listing.Device(), Listing.Inode()};
  if (!FirstVisit(Identity)) return;
  DirectoryStep(Folder.Directory, Listing, Root, {{Identity.first, Identity.second, Folder.Link}, {}});
  if (!FIncludeSubDirectories) return;
  const std::vector<TFolder> Subdirectories = AdmittedSubdirectories(Folder.Directory, Listing);
  if (Subdirectories.empty()) return;
  FWalking.push_back(Identity);
  for (const TFolder& Subdirectory : Subdirectories) {
    if (Terminated()) break;
    WalkDirectory(Listing.Handle(), Subdirectory, false);
  }
  FWalking.pop_back();
}

// A link to a folder walked before costs a stat, not a listing.
bool TEnumFileThread::WalkedBefore(int Parent, const std::string& Name) const {
  struct stat Info;
  return fstatat(Parent, Name.c_str(), &Info, 0) == 0 && FVisited.count({Info.st_dev, Info.st_ino}) > 0;
}

bool TEnumFileThread::FirstVisit(TIdentity Identity) {
  if (FFollowDirectoryLinks) return FVisited.insert(Identity).second;
  return std::find(FWalking.begin(), FWalking.end(), Identity) == FWalking.end();
}

// The tests that need no stat (listing rule, attributes, name) run on the
// worker in all modes; what passes is stat-ed where needed, checked against
// the size and time windows and delivered in name order.
void TEnumFileThread::DirectoryStep(const String& Directory, TDirectoryListing& Listing, bool Root,
                                    TEnteredDirectory Entered) {
  const std::vector<std::size_t> Candidates = FileCandidates(Listing);
  Entered.Temporaries = Temporaries(Listing);
  if (FSynchronizationMode == TFileEnumeratorSyncMode::smPerFile) {
    FCurrentDirectory = Directory;
    FCurrentEntered = std::move(Entered);
    if (FOnEnterDirectory) Synchronize([this] { EnterDirectory(); });
    for (std::size_t Index : Candidates) {
      if (Terminated()) return;
      if (Listing.GetSearchRec(Index, FFileInfo, FReadFileDetails) && PassesWindows(FFileInfo))
        Synchronize([this] { DeliverFile(); });
    }
    return;
  }
  std::vector<TSearchRec> Files = PassingFiles(Listing, Candidates);
  if (!FOnEnterDirectory && Files.empty()) return;
  if (FSynchronizationMode == TFileEnumeratorSyncMode::smBatched)
    return AddToBatch({Directory, std::nullopt, Root, std::move(Entered), std::move(Files)});
  FCurrentDirectory = Directory;
  FCurrentEntered = std::move(Entered);
  Synchronize([this, &Files] {
    EnterDirectory();
    for (TSearchRec& FileInfo : Files) {
      if (Terminated()) return;
      FFileInfo = std::move(FileInfo);
      DeliverFile();
    }
  });
}

// The walk sees every name anyway: a leftover costs nothing to note.
std::vector<String> TEnumFileThread::Temporaries(const TDirectoryListing& Listing) {
  std::vector<String> Result;
  for (std::size_t Index = 0; Index < Listing.Count(); ++Index)
    if (IsReplacementTemporary(Listing.Name(Index))) Result.push_back(Listing.Name(Index));
  return Result;
}

std::vector<TSearchRec> TEnumFileThread::PassingFiles(TDirectoryListing& Listing,
                                                      const std::vector<std::size_t>& Candidates) {
  std::vector<TSearchRec> Files;
  Files.reserve(Candidates.size());
  for (std::size_t Index : Candidates) {
    if (Terminated()) break;
    TSearchRec FileInfo;
    if (Listing.GetSearchRec(Index, FileInfo, FReadFileDetails) && PassesWindows(FileInfo))
      Files.push_back(std::move(FileInfo));
  }
  return Files;
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

// A record left unstated had no window to pass.
bool TEnumFileThread::PassesWindows(const TSearchRec& FileInfo) const {
  if (!FileInfo.Stated) return true;
  return FileInfo.Time >= FFileTimeMin && FileInfo.Time <= FFileTimeMax && FileInfo.Size >= FFileSizeMin &&
         FileInfo.Size <= FFileSizeMax;
}

// Directories that are neither System nor (unless asked for) Hidden and
// that the subdirectory mask admits, in name order. A link to a folder is
// one only when links are followed.
std::vector<TEnumFileThread::TFolder> TEnumFileThread::AdmittedSubdirectories(const String& Directory,
                                                                              TDirectoryListing& Listing) {
  std::vector<TFolder> Result;
  if (Terminated()) return Result;
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
    const String& Name = Listing.Name(Index);
    String Subdirectory = Directory + Name + PathDelim;
    if (SubDirectoryMaskMatches(Subdirectory))
      Result.push_back({std::move(Subdirectory), SystemFileName(Name),
                        (Listing.Attributes(Index, faReparsePoint) & faReparsePoint) != 0});
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

// In walk order in every mode; handed over on its own, it has run before
// the walk goes on.
void TEnumFileThread::ReportDirectoryError(const String& Directory, int Error, bool Root) {
  if (!FOnDirectoryError) return;
  const String Message = SysErrorMessage(Error);
  if (FSynchronizationMode == TFileEnumeratorSyncMode::smBatched)
    return AddToBatch({Directory, Message, Root, {}, {}});
  Synchronize([this, &Directory, &Message] { FOnDirectoryError(Directory, Message); });
}

void TEnumFileThread::AddToBatch(TFolderReport Folder) {
  if (!FBatch) {
    FBatch = std::make_shared<TBatch>();
    FBatchFiles = 0;
    FBatchStart = std::chrono::steady_clock::now();
  }
  FBatchFiles += Folder.Files.size();
  FBatch->push_back(std::move(Folder));
  if (FBatchFiles >= BatchFiles || FBatch->size() >= BatchFolders ||
      std::chrono::steady_clock::now() - FBatchStart >= BatchAge)
    HandOverBatch();
}

void TEnumFileThread::HandOverBatch() {
  if (!FBatch) return;
  std::shared_ptr<TBatch> Batch = std::move(FBatch);
  FBatch.reset();
  Queue([this, Batch] { RunBatch(*Batch); }, BatchesHandedOver);
}

// On the main thread. After a stop nothing more is reported but the roots
// not yet begun, as when each folder is handed over on its own; once the
// task's group has stopped (a report may end the search), nothing at all.
void TEnumFileThread::RunBatch(TBatch& Batch) {
  for (TFolderReport& Folder : Batch) {
    if (ReportsDropped()) return;
    if (Terminated() && !Folder.Root) continue;
    if (Folder.Error) {
      FOnDirectoryError(Folder.Directory, *Folder.Error);
      continue;
    }
    FCurrentDirectory = std::move(Folder.Directory);
    FCurrentEntered = std::move(Folder.Entered);
    EnterDirectory();
    for (TSearchRec& FileInfo : Folder.Files) {
      if (Terminated() || ReportsDropped()) break;
      FFileInfo = std::move(FileInfo);
      DeliverFile();
    }
  }
}

void TEnumFileThread::EnterDirectory() {
  if (FOnEnterDirectory) FOnEnterDirectory(FCurrentDirectory, FCurrentEntered);
}

void TEnumFileThread::DeliverFile() {
  if (FFileHandlerEx)
    FFileHandlerEx(FCurrentDirectory, FFileInfo);
  else if (FFileHandler)
    FFileHandler(FCurrentDirectory + FFileInfo.Name);
}

}  // namespace cantrel
