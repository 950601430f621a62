// The worker thread that walks the folder tree for one search.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "filesearch/FolderReadAhead.h"
#include "filesearch/FolderRules.h"
#include "runtime/DirectoryListing.h"
#include "runtime/FileHandle.h"
#include "runtime/Thread.h"

namespace cantrel {

class TFileSearchCriteria;

// A directory entered (its path), or a file found (its full path).
using TFileHandler = std::function<void(const String& FileName)>;
// A file found: its directory's path and its entry, whose Name is bare.
using TFileHandlerEx = std::function<void(const String& Directory, const TSearchRec& FileInfo)>;
// The end of a task: Aborted when it was asked to stop; Failure holds the
// message of the error that ended the walk early, and is empty when the
// walk came to its end.
using TFileSearchTerminationEvent = std::function<void(int ID, bool Aborted, const std::optional<String>& Failure)>;
// What the walk saw of a folder it entered, beside its path.
struct TEnteredDirectory {
  // How the walk reached it, for those who come back to it later.
  TFolderIdentity Identity;
  // The names of temporary files that replacements left there
  // (IsReplacementTemporary); usually none.
  std::vector<String> Temporaries;
};
// A directory entered: its path and what the walk saw of it.
using TDirectoryHandlerEx = std::function<void(const String& Directory, const TEnteredDirectory& Entered)>;
// A folder that could not be listed (its path, ending in "/") and the
// system's text for why.
using TDirectoryErrorEvent = std::function<void(const String& Directory, const String& Message)>;

// How a task hands its reports to the main thread: each report on its own;
// a directory's enter report and all its files in one hand-over; or the
// reports of many directories in one hand-over that the task does not wait
// for, so that it reads ahead while the main thread handles them. Batched
// reports keep their order and the stop rules, but a folder may have been
// listed before the reports of the folders before it ran.
enum class TFileEnumeratorSyncMode : std::uint8_t { smPerFile, smPerDirectory, smBatched };

// One search task: a worker thread at a lower priority that walks the roots
// depth first on its own copy of the options and reports, on the main
// thread, each directory entered, each file found, in name order, and each
// folder that could not be listed. It reaches every folder from its
// parent's descriptor, so no path is looked up again and depth has no
// limit. It is created suspended, in the group of its task. Handing its
// reports over in batches, it leaves the listing to a pool of readers that
// read the folders it will need soon, and only reports them in order.
class TEnumFileThread : public TThread {
public:
  TEnumFileThread(int ID, const TFileSearchCriteria& Options, TFileEnumeratorSyncMode Mode,
                  TDirectoryHandlerEx OnEnterDirectory, TDirectoryErrorEvent OnDirectoryError);

  int ID() const { return FID; }

  // The per-file handler, set before Start: the first form gets the
  // directory and the entry, the second the file's full path.
  void SetFileHandlerEx(TFileHandlerEx Handler) { FFileHandlerEx = std::move(Handler); }
  void SetFileHandler(TFileHandler Handler) { FFileHandler = std::move(Handler); }
  // The readers that list folders ahead of the walk, not started: they
  // belong in the task's group and start with it. None where the reports
  // are handed over one folder at a time or descriptors are short.
  std::vector<std::shared_ptr<TThread>> TakeReaders() { return std::move(FReaders); }

protected:
  void Execute() override;
  void TerminateRequested() override;

private:
  // A folder by device and inode.
  using TIdentity = std::pair<dev_t, ino_t>;

  // The reports of one folder in a batch: entered with its files, or not
  // listed with the system's text for why.
  struct TFolderReport {
    String Directory;
    std::optional<String> Error;
    // A root is still entered after a stop.
    bool Root = false;
    TEnteredDirectory Entered;
    TFoundFiles Files;
  };
  using TBatch = std::vector<TFolderReport>;

  void CreateReaders(int Readers, bool OnDemand);
  void Walk(const String& Root);
  void WalkDirectory(int Parent, const TFolder& Folder, bool Root);
  void WalkAhead(TAheadFolder& Folder, bool Root);
  void VisitAhead(TAheadFolder& Folder, bool Root);
  bool WalkedBefore(int Parent, const std::string& Name) const;
  bool FirstVisit(TIdentity Identity);
  void DirectoryStep(const String& Directory, TDirectoryListing& Listing, bool Root, TEnteredDirectory Entered);
  std::vector<TFolder> AdmittedSubdirectories(const String& Directory, TDirectoryListing& Listing) const;
  void ReportDirectoryError(const String& Directory, int Error, bool Root);
  void AddToBatch(TFolderReport Folder);
  void HandOverBatch();
  void RunBatch(TBatch& Batch);
  void EnterDirectory();
  void DeliverFiles(const TFoundFiles& Files);
  void DeliverFile(const TSearchRec& FileInfo);
  void FreeSpentBatches();

  const int FID;
  const std::shared_ptr<const TFolderRules> FRules;
  std::vector<String> FDirectories;
  // The one root's folder, opened by the caller, or none.
  TSharedFolder FRootFolder;
  String FCurrentDirectory;
  TEnteredDirectory FCurrentEntered;
  // The root being walked, for the subdirectory mask.
  String FRoot;
  TDirectoryHandlerEx FOnEnterDirectory;
  TDirectoryErrorEvent FOnDirectoryError;
  TFileHandlerEx FFileHandlerEx;
  TFileHandler FFileHandler;
  TSearchRec FFileInfo;
  // The record the main thread reports found files in.
  TSearchRec FDelivered;
  TFileEnumeratorSyncMode FSynchronizationMode;
  // The folders read ahead and their readers, until the task takes them.
  std::shared_ptr<TFolderReadAhead> FReadAhead;
  std::vector<std::shared_ptr<TThread>> FReaders;
  // The batch being filled, its files and when it was begun.
  std::shared_ptr<TBatch> FBatch;
  std::size_t FBatchFiles = 0;
  std::chrono::steady_clock::time_point FBatchStart;
  // Batches the main thread has reported, freed here by the walker that
  // made them: glibc frees memory into the heap of the thread that
  // allocated it, under that heap's lock, and a main thread freeing what
  // the walker allocated for each folder kept the two waiting for each other.
  std::mutex FSpentLock;
  std::vector<std::shared_ptr<TBatch>> FSpent;
  // The folders on the path being walked: without following links, only a
  // folder mounted again below itself (a bind mount) can lead back to one.
  std::vector<TIdentity> FWalking;
  // Following links, every folder walked in this search, so that links into
  // the tree from many places cost one visit each, not a walk each.
  std::set<TIdentity> FVisited;
};

}  // namespace cantrel
