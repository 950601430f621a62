// One run of cantrel-cli: Find, its reports, then Make.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "core/SearchSession.h"
#include "cli/CliOptions.h"

namespace cantrel {

// One run of the command line: Find on the enumerator's worker thread with
// its reports handled here on the main thread, then Make on the tree.
class TCliRun {
public:
  // Settles the folder and the filter before anything runs: a folder that
  // does not exist or cannot be read raises EFolderError, a filter without
  // a mask EUsageError.
  explicit TCliRun(const TCliOptions& Options);
  TCliRun(const TCliRun&) = delete;
  TCliRun& operator=(const TCliRun&) = delete;

  // Runs and answers the exit status (TExitStatus). SIGINT and SIGTERM
  // stop the run.
  int Execute();

private:
  String FilterText() const;
  void Find();
  void EnterDirectory(const String& Directory, const TEnteredDirectory& Entered);
  void FileFound(const String& Directory, const TSearchRec& FileInfo);
  void ShowProgress(const String& Directory);
  void ShowTagsProgress(int Read, int Total);
  void ListInAlbumOrder(const TPlayListFile& Node);
  void WriteListLine(const String& Line);
  void ShowSummary();
  int Make(std::function<void(const TPlayListFile&, const String&, std::uint64_t)> OnWritten = {});
  int ReportMade(const TMakeReport& Made);
  int Watch();
  void SayTagCacheWarning(const String& Message);
  int FolderGone() const;

  const TCliOptions& FOptions;
  TSharedFolder FOpenedFolder;
  String FFolder;
  String FFilterText;
  bool FShowProgress;
  TPlayListFile FPlayListFiles;
  // Declared after the tree, so it goes first and no report outlives it.
  TFileEnumerator FFileEnumerator;
  TSearchSession FSession;
  int FFiles = 0;
  // The bytes of the listed line, made in one buffer.
  std::string FLineBytes;
  bool FDone = false;
  bool FTagCacheWarned = false;
  std::chrono::steady_clock::time_point FLastProgress;
};

}  // namespace cantrel
