// The tag cache's SQLite database: its schema and the statements that read and write it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Exceptions.h"
#include "tags/FolderChanges.h"
#include "tags/FolderTags.h"
#include "tags/Sqlite.h"

namespace cantrel {

// The database was made by a newer version of the program: its layout is
// not ours to read or change.
CANTREL_EXCEPTION(ENewerTagCache, Exception);

// One connection to the database. Every failure raises: ESqliteError, or
// ENewerTagCache from the constructor. Not thread-safe.
class TTagDatabase {
public:
  static constexpr std::int64_t SchemaVersion = 1;
  // Folders not seen for this many weeks go.
  static constexpr std::int64_t PruneWeeks = 13;
  static constexpr int ReadsPerTransaction = 256;

  // Opens or creates the database with the write-ahead log, or with the
  // rollback journal where Wal is false (a network file system).
  TTagDatabase(const std::string& Path, int BusyTimeoutMs, bool Wal);
  ~TTagDatabase();

  // The folder's cached files, in one query. With the log, up to
  // ReadsPerTransaction queries share one read transaction, the next write
  // ends it: a transaction a query costs more than the query.
  TFolderTags ReadFolder(const TFolderKey& Folder);
  // Writes the changes of several folders in one transaction.
  void Write(const std::vector<TFolderChanges>& Changes);
  // Once a week: removes the folders not seen for PruneWeeks weeks, with
  // their files, and marks the week as pruned.
  void Prune(std::int64_t Week);
  // Ends the read transaction, if one is open: a run that goes on while
  // nothing is read (a watch) keeps the log from being folded in no longer.
  void EndRead();
  std::int64_t TotalChanges() const { return FDatabase.TotalChanges(); }

private:
  struct TStatements;

  TSqliteDatabase FDatabase;
  std::unique_ptr<TStatements> FStatements;
  bool FWal = false;
  // Queries in the read transaction open now; 0 when none is.
  int FReads = 0;

  std::int64_t UserVersion();
  void SetJournalMode(bool Wal, int BusyTimeoutMs);
  bool InWal();
  void CreateSchema();
  void BeginRead();
  void WriteFolder(const TFolderChanges& Changes);
  void DropFolder(const TFolderKey& Folder);
  std::int64_t FolderRow(const TFolderChanges& Changes);
};

}  // namespace cantrel
