#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "filesearch/WildcardMask.h"
#include "runtime/DirectoryListing.h"
#include "runtime/Thread.h"

namespace cantrel {

class TFileSearchCriteria;

// A directory entered (its path), or a file found (its full path).
using TFileHandler = std::function<void(const String& FileName)>;
// A file found: its directory's path and its entry, whose Name is bare.
using TFileHandlerEx = std::function<void(const String& Directory, const TSearchRec& FileInfo)>;
using TFileSearchTerminationEvent = std::function<void(int ID, bool Aborted)>;

// How a task hands its reports to the main thread: each report on its own,
// or a directory's enter report and all its files in one hand-over.
enum class TFileEnumeratorSyncMode : std::uint8_t { smPerFile, smPerDirectory };

// One search task: a worker thread at idle priority that walks the roots
// depth first on its own copy of the options and reports, on the main
// thread, each directory entered and each file found, in name order. It is
// created suspended and frees itself when it ends.
class TEnumFileThread : public TThread {
public:
  TEnumFileThread(int ID, const TFileSearchCriteria& Options, TFileEnumeratorSyncMode Mode,
                  TFileHandler OnEnterDirectory);

  int ID() const { return FID; }

  // The per-file handler, set before Start: the first form gets the
  // directory and the entry, the second the file's full path.
  void SetFileHandlerEx(TFileHandlerEx Handler) { FFileHandlerEx = std::move(Handler); }
  void SetFileHandler(TFileHandler Handler) { FFileHandler = std::move(Handler); }

  // Whether the end of the task is reported; main thread only.
  bool NotifyOnTermination() const { return FNotifyOnTermination; }
  void SetNotifyOnTermination(bool Value) { FNotifyOnTermination = Value; }

protected:
  void Execute() override;

private:
  void WalkDirectory(const String& Directory);
  void DirectoryStep(const String& Directory, TDirectoryListing& Listing);
  std::vector<std::size_t> FileCandidates(TDirectoryListing& Listing) const;
  bool PassesWindows(const TSearchRec& FileInfo) const;
  std::vector<String> AdmittedSubdirectories(const String& Directory, TDirectoryListing& Listing);
  bool SubDirectoryMaskMatches(const String& Subdirectory) const;
  bool IsBeingWalked(const TDirectoryListing& Listing) const;
  void EnterDirectory();
  void DeliverFile();

  const int FID;
  TFileNameMasks FFileMasks;
  std::vector<String> FDirectories;
  String FCurrentDirectory;
  String FSubDirectoryMask;
  // The root being walked, for the subdirectory mask.
  String FRoot;
  TFileHandler FOnEnterDirectory;
  TFileHandlerEx FFileHandlerEx;
  TFileHandler FFileHandler;
  TSearchRec FFileInfo;
  std::uint32_t FRejectedAttr;
  std::uint32_t FRequiredAttr;
  std::int64_t FFileSizeMin = 0;
  std::int64_t FFileSizeMax = INT64_MAX;
  double FFileTimeMin = -1.7e308;
  double FFileTimeMax = 1.7e308;
  TFileEnumeratorSyncMode FSynchronizationMode;
  bool FIncludeSubDirectories;
  bool FIncludeHiddenSubDirectories;
  bool FNotifyOnTermination = true;
  // The directories on the path being walked, by device and inode.
  std::vector<std::pair<dev_t, ino_t>> FWalking;
};

}  // namespace cantrel
