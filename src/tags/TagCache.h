// The cache of tags read from media files, kept in SQLite between runs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/ResourceStrings.h"
#include "runtime/String.h"
#include "tags/FileKey.h"
#include "tags/FolderChanges.h"
#include "tags/FolderTags.h"

namespace cantrel {

class TTagDatabase;

struct TTagCacheOptions {
  // The database file; empty for DefaultTagCachePath().
  String Path;
  // How long a write waits for another program's.
  int BusyTimeoutMs = 5000;
  // The time the run counts as seen in; unset for the clock.
  std::optional<std::chrono::system_clock::time_point> Now;
  // Hears the one warning of a cache that is not used or was made anew: a
  // translated text naming the file. It runs on the thread whose call met
  // the trouble, without the cache's lock held, and must not throw.
  std::function<void(const String& Message)> OnWarning;
};

// One run's use of the tag cache. Entries are kept per folder (by device and
// inode), each file's under its TFileKey: a file whose key changed is a miss.
// A folder's entries are read in one query (Lookup) and written back only
// where they changed (Store), in batches of many folders per transaction;
// folders not stored for about 90 days are pruned once a week at the end of
// a run (Finish).
//
// Cache trouble never reaches the caller: a database that is damaged is
// made anew; one that is locked past the busy timeout, cannot be written or
// comes from a newer version is left alone and the cache is off for the rest
// of the run (lookups find nothing, stores write nothing). Either way
// OnWarning hears of it once.
//
// Safe for several threads at once: one lock guards the one connection.
class TTagCache {
public:
  explicit TTagCache(TTagCacheOptions Options = {});
  // Finishes the run.
  ~TTagCache();
  TTagCache(const TTagCache&) = delete;
  TTagCache& operator=(const TTagCache&) = delete;

  // False once the cache is off.
  bool Active() const { return FActive; }
  // The database file.
  const String& Path() const { return FPath; }

  // The folder's cached files; none when the cache is off.
  TFolderTags Lookup(const TFolderKey& Folder);
  // Stores every file the folder holds now, with its tags (hits and files
  // read again alike), against what Lookup answered for it: only new or
  // changed entries are written, cached files missing from Files are
  // dropped, and the folder's seen mark moves on once a week. Writes may
  // wait for the next Commit or the end of the run; a folder is stored once
  // in between.
  void Store(const TFolderTags& Cached, std::span<const TTaggedFile> Files);
  // Writes what waits now, the run going on: a long run (a watch) keeps the
  // cache current for other runs meanwhile.
  void Commit();
  // Writes what waits, prunes when a week has passed since the last
  // pruning, and closes the database. Later calls find and write nothing.
  void Finish();

  // Rows inserted, updated or deleted by this run (SQLite's total changes).
  std::int64_t RowsWritten() const;

private:
  TTagCacheOptions FOptions;
  String FPath;
  std::string FFileName;
  std::int64_t FWeek;
  mutable std::mutex FLock;
  std::unique_ptr<TTagDatabase> FDatabase;
  std::atomic<bool> FActive = false;
  std::vector<TFolderChanges> FPending;
  std::size_t FPendingRows = 0;
  std::int64_t FClosedRowsWritten = 0;
  bool FRebuilt = false;
  bool FWarned = false;
  String FWarning;

  void Open();
  void Close();
  void Flush();
  // Runs Work on the open database under the lock and handles its failure;
  // the warning is told once the lock is released.
  void Guarded(const std::function<void()>& Work);
  void Recover(const std::exception_ptr& Error);
  void Rebuild();
  void TurnOff(const TResStringRec& Reason);
  void TurnOff(const String& Reason);
  void Warn(String Message);
  void TellWarning();
};

}  // namespace cantrel
