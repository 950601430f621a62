// The worker thread that walks the folder tree for one search.
#include "filesearch/EnumFileThread.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "filesearch/FileSearchCriteria.h"
#include "filesearch/RootDirectory.h"
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
// The most descriptors readers hold: the folders read ahead and those kept
// open until their subdirectories are.
constexpr int ReadAheadDescriptors = 2 * static_cast<int>(TFolderReadAhead::Window);

}  // namespace

TEnumFileThread::TEnumFileThread(int ID, const TFileSearchCriteria& Options, TFileEnumeratorSyncMode Mode,
                                 TDirectoryHandlerEx OnEnterDirectory, TDirectoryErrorEvent OnDirectoryError)
    : FID(ID),
      FRules(std::make_shared<const TFolderRules>(Options)),
      FOnEnterDirectory(std::move(OnEnterDirectory)),
      FOnDirectoryError(std::move(OnDirectoryError)),
      FSynchronizationMode(Mode) {
  const TStrings& Roots = Options.GetRootDirectories();
  for (int I = 0; I < Roots.Count(); ++I) FDirectories.push_back(Roots[I]);
  FRootFolder = Options.GetRootFolder();
  if (Mode == TFileEnumeratorSyncMode::smBatched) CreateReaders(Options.GetReaders(), Options.GetReadersOnDemand());
  SetPriority(TThreadPriority::tpLower);
}

// Readers get at most half the descriptors still free, so that the walker
// and the rest of the program keep theirs; with too few, there are fewer
// readers or none.
void TEnumFileThread::CreateReaders(int Readers, bool OnDemand) {
  if (Readers <= 0) return;
  const int Descriptors = std::min(ReadAheadDescriptors, FreeDescriptors() / 2);
  Readers = std::min(Readers, Descriptors);
  if (Readers <= 0) return;
  FReadAhead = std::make_shared<TFolderReadAhead>(FRules, Descriptors, OnDemand);
  for (int I = 0; I < Readers; ++I) FReaders.push_back(std::make_shared<TFolderReader>(FReadAhead));
}

void TEnumFileThread::TerminateRequested() {
  if (FReadAhead) FReadAhead->Stop();
}

void TEnumFileThread::Execute() {
  // Stopped before it began to run: no walk at all.
  if (Terminated()) return;
  try {
    // A stop is tested inside the listings only: each later root is still
    // entered, but lists nothing.
    for (const String& Root : FDirectories) Walk(Root);
  } catch (...) {
    if (FReadAhead) FReadAhead->Stop();
    // What was found before the error is still reported; a batch that
    // failed on the main thread before it came first.
    HandOverBatch();
    WaitForQueue();
    throw;
  }
  if (FReadAhead) FReadAhead->Stop();
  HandOverBatch();
  WaitForQueue();
}

void TEnumFileThread::Walk(const String& Root) {
  FRoot = NormalizeRootDirectory(Root);
  const int Parent = FRootFolder ? FRootFolder->Get() : AT_FDCWD;
  const TFolder Folder{FRoot, FRootFolder ? std::string(".") : SystemFileName(FRoot), false};
  if (!FReadAhead) return WalkDirectory(Parent, Folder, true);
  const std::shared_ptr<TAheadFolder> Read = FReadAhead->Begin(Parent, Folder, FRoot);
  WalkAhead(*Read, true);
}

// Depth first, pre-order: a directory's enter report and its files come
// before anything of its subdirectories. A directory that cannot be listed
// is reported as such instead of entered; one walked before in this search
// is passed over. Each folder is opened from its parent's descriptor, kept
// while the folders below are walked, and never through a link the walk
// does not cross.
void TEnumFileThread::WalkDirectory(int Parent, const TFolder& Folder, bool Root) {
  if (FRules->FollowDirectoryLinks() && !Root && WalkedBefore(Parent, Folder.Name)) return;
  TDirectoryListing Listing;
  if (!Listing.Open(Parent, Folder.Name.empty() ? "." : Folder.Name, Root || FRules->FollowDirectoryLinks()))
    return ReportDirectoryError(Folder.Directory, Listing.Error(), Root);
  const TIdentity Identity{Listing.Device(), Listing.Inode()};
  if (!FirstVisit(Identity)) return;
  DirectoryStep(Folder.Directory, Listing, Root, {{Identity.first, Identity.second, Folder.Link}, {}});
  if (!FRules->IncludeSubDirectories()) return;
  const std::vector<TFolder> Subdirectories = AdmittedSubdirectories(Folder.Directory, Listing);
  if (Subdirectories.empty()) return;
  FWalking.push_back(Identity);
  for (const TFolder& Subdirectory : Subdirectories) {
    if (Terminated()) break;
    WalkDirectory(Listing.Handle(), Subdirectory, false);
  }
  FWalking.pop_back();
}

// The same walk over folders that readers listed ahead of it. What is
// still read ahead below a folder once the walk has left it (after a stop,
// or a folder walked before) is dropped.
void TEnumFileThread::WalkAhead(TAheadFolder& Folder, bool Root) {
  VisitAhead(Folder, Root);
  FReadAhead->Drop(Folder);
}

void TEnumFileThread::VisitAhead(TAheadFolder& Folder, bool Root) {
  // A root was read when it was begun.
  if (!Root && !FReadAhead->Take(Folder)) return;
  if (Folder.Error != 0) {
    if (FRules->FollowDirectoryLinks() && !Root && WalkedBefore(Folder.Parent->Get(), Folder.Folder.Name)) return;
    return ReportDirectoryError(Folder.Folder.Directory, Folder.Error, Root);
  }
  const TIdentity Identity{Folder.Device, Folder.Inode};
  if (!FirstVisit(Identity)) return;
  if (FOnEnterDirectory || !Folder.Files.Empty())
    AddToBatch({Folder.Folder.Directory, std::nullopt, Root,
                {{Identity.first, Identity.second, Folder.Folder.Link}, std::move(Folder.Temporaries)},
                std::move(Folder.Files)});
  if (Folder.Subdirectories.empty()) return;
  FWalking.push_back(Identity);
  for (std::shared_ptr<TAheadFolder>& Subdirectory : Folder.Subdirectories) {
    if (Terminated()) break;
    // Gone once walked: its files went into a batch.
    const std::shared_ptr<TAheadFolder> Next = std::move(Subdirectory);
    WalkAhead(*Next, false);
  }
  FWalking.pop_back();
}

// A link to a folder walked before costs a stat, not a listing.
bool TEnumFileThread::WalkedBefore(int Parent, const std::string& Name) const {
  struct stat Info;
  return fstatat(Parent, Name.c_str(), &Info, 0) == 0 && FVisited.count({Info.st_dev, Info.st_ino}) > 0;
}

bool TEnumFileThread::FirstVisit(TIdentity Identity) {
  if (FRules->FollowDirectoryLinks()) return FVisited.insert(Identity).second;
  return std::find(FWalking.begin(), FWalking.end(), Identity) == FWalking.end();
}

// The tests that need no stat (listing rule, attributes, name) run on the
// worker in all modes; what passes is stat-ed where needed, checked against
// the size and time windows and delivered in name order.
void TEnumFileThread::DirectoryStep(const String& Directory, TDirectoryListing& Listing, bool Root,
                                    TEnteredDirectory Entered) {
  const std::vector<std::size_t> Candidates = FRules->FileCandidates(Listing);
  Entered.Temporaries = TFolderRules::Temporaries(Listing);
  if (FSynchronizationMode == TFileEnumeratorSyncMode::smPerFile) {
    FCurrentDirectory = Directory;
    FCurrentEntered = std::move(Entered);
    if (FOnEnterDirectory) Synchronize([this] { EnterDirectory(); });
    for (std::size_t Index : Candidates) {
      if (Terminated()) return;
      if (Listing.GetSearchRec(Index, FFileInfo, FRules->ReadFileDetails()) && FRules->PassesWindows(FFileInfo))
        Synchronize([this] { DeliverFile(FFileInfo); });
    }
    return;
  }
  TFoundFiles Files = FRules->PassingFiles(Listing, Candidates, [this] { return Terminated(); });
  if (!FOnEnterDirectory && Files.Empty()) return;
  if (FSynchronizationMode == TFileEnumeratorSyncMode::smBatched)
    return AddToBatch({Directory, std::nullopt, Root, std::move(Entered), std::move(Files)});
  FCurrentDirectory = Directory;
  FCurrentEntered = std::move(Entered);
  Synchronize([this, &Files] {
    EnterDirectory();
    DeliverFiles(Files);
  });
}

std::vector<TFolder> TEnumFileThread::AdmittedSubdirectories(const String& Directory,
                                                              TDirectoryListing& Listing) const {
  if (Terminated()) return {};
  return FRules->AdmittedSubdirectories(FRoot, Directory, Listing);
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
  FBatchFiles += Folder.Files.Count();
  FBatch->push_back(std::move(Folder));
  if (FBatchFiles >= BatchFiles || FBatch->size() >= BatchFolders ||
      std::chrono::steady_clock::now() - FBatchStart >= BatchAge)
    HandOverBatch();
}

void TEnumFileThread::HandOverBatch() {
  if (!FBatch) return;
  FreeSpentBatches();
  std::shared_ptr<TBatch> Batch = std::move(FBatch);
  FBatch.reset();
  Queue(
      [this, Batch]() mutable {
        RunBatch(*Batch);
        std::lock_guard Guard(FSpentLock);
        FSpent.push_back(std::move(Batch));
      },
      BatchesHandedOver);
}

void TEnumFileThread::FreeSpentBatches() {
  std::vector<std::shared_ptr<TBatch>> Spent;
  {
    std::lock_guard Guard(FSpentLock);
    Spent.swap(FSpent);
  }
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
    // Copied, not moved: what the walker allocated it frees (see FSpent).
    FCurrentDirectory = Folder.Directory;
    FCurrentEntered = Folder.Entered;
    EnterDirectory();
    DeliverFiles(Folder.Files);
  }
}

void TEnumFileThread::EnterDirectory() {
  if (FOnEnterDirectory) FOnEnterDirectory(FCurrentDirectory, FCurrentEntered);
}

// On the main thread; the record is the main thread's own, so its name's
// storage serves every file.
void TEnumFileThread::DeliverFiles(const TFoundFiles& Files) {
  for (std::size_t Index = 0; Index < Files.Count(); ++Index) {
    if (Terminated() || ReportsDropped()) return;
    Files.Get(Index, FDelivered);
    DeliverFile(FDelivered);
  }
}

void TEnumFileThread::DeliverFile(const TSearchRec& FileInfo) {
  if (FFileHandlerEx)
    FFileHandlerEx(FCurrentDirectory, FileInfo);
  else if (FFileHandler)
    FFileHandler(FCurrentDirectory + FileInfo.Name);
}

}  // namespace cantrel
