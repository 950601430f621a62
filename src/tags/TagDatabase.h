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

  // Opens or creates the database with the write-ahead log, or with the
  // rollback journal where Wal is false (a network file system).
  TTagDatabase(const std::string& Path, int BusyTimeoutMs, bool Wal);
  ~TTagDatabase();

  // The folder's cached files, in one query.
  TFolderTags ReadFolder(const TFolderKey& Folder);
  // Writes the changes of several folders in one transaction.
  void Write(const std::vector<TFolderChanges>& Changes);
  // Once a week: removes the folders not seen for PruneWeeks weeks, with
  // their files, and marks the week as pruned.
  void Prune(std::int64_t Week);
  std::int64_t TotalChanges() const { return FDatabase.TotalChanges(); }

private:
  struct TStatements;

  TSqliteDatabase FDatabase;
  std::unique_ptr<TStatements> FStatements;

  std::int64_t UserVersion();
  void SetJournalMode(bool Wal, int BusyTimeoutMs);
  bool InWal();
  void CreateSchema();
  void WriteFolder(const TFolderChanges& Changes);
  void DropFolder(const TFolderKey& Folder);
  std::int64_t FolderRow(const TFolderChanges& Changes);
};

}  // namespace cantrel
