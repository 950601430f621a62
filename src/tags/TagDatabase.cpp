// The tag cache's SQLite database: its schema and the statements that read and write it.
#include "tags/TagDatabase.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace cantrel {

namespace {

// Files are kept per folder, clustered by the folder's row, so that one
// folder's files are read in one range of one table. A folder's "seen" is
// the week it was last stored in: it is written at most once a week.
constexpr const char* Schema = R"(
CREATE TABLE folders(
  id INTEGER PRIMARY KEY,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  seen INTEGER NOT NULL,
  UNIQUE(device, inode));
CREATE TABLE files(
  folder INTEGER NOT NULL,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  size INTEGER NOT NULL,
  modified INTEGER NOT NULL,
  changed INTEGER NOT NULL,
  title TEXT NOT NULL,
  artist TEXT NOT NULL,
  album TEXT NOT NULL,
  track INTEGER NOT NULL,
  disc INTEGER NOT NULL,
  length INTEGER NOT NULL,
  PRIMARY KEY(folder, device, inode)) WITHOUT ROWID;
CREATE TABLE marks(
  name TEXT PRIMARY KEY,
  value INTEGER NOT NULL) WITHOUT ROWID;
PRAGMA user_version = 1;
)";

constexpr const char* PrunedMark = "pruned";

// Devices and inodes are unsigned 64-bit numbers; SQLite holds signed ones.
std::int64_t Stored(std::uint64_t Value) { return static_cast<std::int64_t>(Value); }
std::uint64_t Unstored(std::int64_t Value) { return static_cast<std::uint64_t>(Value); }

}  // namespace

struct TTagDatabase::TStatements {
  explicit TStatements(TSqliteDatabase& Database)
      : ReadFolder(Database,
                   "SELECT f.seen, x.device, x.inode, x.size, x.modified, x.changed, x.title, x.artist, x.album, "
                   "x.track, x.disc, x.length FROM folders f LEFT JOIN files x ON x.folder = f.id "
                   "WHERE f.device = ?1 AND f.inode = ?2"),
        FindFolder(Database, "SELECT id, seen FROM folders WHERE device = ?1 AND inode = ?2"),
        InsertFolder(Database, "INSERT INTO folders(device, inode, seen) VALUES(?1, ?2, ?3)"),
        TouchFolder(Database, "UPDATE folders SET seen = ?2 WHERE id = ?1"),
        DeleteFolder(Database, "DELETE FROM folders WHERE id = ?1"),
        DeleteFolderFiles(Database, "DELETE FROM files WHERE folder = ?1"),
        WriteFile(Database,
                  "INSERT OR REPLACE INTO files(folder, device, inode, size, modified, changed, title, artist, album, "
                  "track, disc, length) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)"),
        DeleteFile(Database, "DELETE FROM files WHERE folder = ?1 AND device = ?2 AND inode = ?3"),
        ReadMark(Database, "SELECT value FROM marks WHERE name = ?1"),
        WriteMark(Database, "INSERT OR REPLACE INTO marks(name, value) VALUES(?1, ?2)"),
        PruneFiles(Database, "DELETE FROM files WHERE folder IN (SELECT id FROM folders WHERE seen <= ?1)"),
        PruneFolders(Database, "DELETE FROM folders WHERE seen <= ?1") {}

  TSqliteStatement ReadFolder;
  TSqliteStatement FindFolder;
  TSqliteStatement InsertFolder;
  TSqliteStatement TouchFolder;
  TSqliteStatement DeleteFolder;
  TSqliteStatement DeleteFolderFiles;
  TSqliteStatement WriteFile;
  TSqliteStatement DeleteFile;
  TSqliteStatement ReadMark;
  TSqliteStatement WriteMark;
  TSqliteStatement PruneFiles;
  TSqliteStatement PruneFolders;
};

TTagDatabase::TTagDatabase(const std::string& Path, int BusyTimeoutMs, bool Wal) : FDatabase(Path) {
  if (FDatabase.ReadOnly()) throw ESqliteError(SQLITE_READONLY, sqlite3_errstr(SQLITE_READONLY));
  FDatabase.SetBusyTimeout(BusyTimeoutMs);
  // A newer program's database is read before anything could change it.
  if (UserVersion() > SchemaVersion) throw ENewerTagCache(u"newer schema");
  SetJournalMode(Wal, BusyTimeoutMs);
  if (UserVersion() < SchemaVersion) CreateSchema();
  FStatements = std::make_unique<TStatements>(FDatabase);
  FWal = InWal();
}

// An open read transaction ends with the connection.
TTagDatabase::~TTagDatabase() = default;

std::int64_t TTagDatabase::UserVersion() {
  TSqliteStatement Version(FDatabase, "PRAGMA user_version");
  return Version.Step() ? Version.Integer(0) : 0;
}

void TTagDatabase::SetJournalMode(bool Wal, int BusyTimeoutMs) {
  // SQLite's busy handler does not wait for a change of journal: when two
  // programs open a new database at once, one of them fails at once. It is
  // tried again until the busy timeout, unless the other one made the change.
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(BusyTimeoutMs);
  while (InWal() != Wal) {
    try {
      // SQLite keeps the rollback journal where it cannot use the log.
      TSqliteStatement(FDatabase, Wal ? "PRAGMA journal_mode = WAL" : "PRAGMA journal_mode = DELETE").Run();
      break;
    } catch (const ESqliteError& Error) {
      if (Error.Trouble() != TSqliteTrouble::stLocked || std::chrono::steady_clock::now() >= Deadline) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  if (InWal()) FDatabase.Execute("PRAGMA synchronous = NORMAL");
}

bool TTagDatabase::InWal() {
  TSqliteStatement Mode(FDatabase, "PRAGMA journal_mode");
  return Mode.Step() && Mode.Text(0) == u"wal";
}

// Two programs may find the database new at once: the one that gets the
// write lock second finds the schema made.
void TTagDatabase::CreateSchema() {
  FDatabase.Execute("BEGIN IMMEDIATE");
  const std::int64_t Version = UserVersion();
  if (Version > SchemaVersion) throw ENewerTagCache(u"newer schema");
  if (Version < SchemaVersion) FDatabase.Execute(Schema);
  FDatabase.Execute("COMMIT");
}

// With the rollback journal a read transaction would keep other programs
// from writing; with the log it keeps none from writing, only the log from
// being folded in past it, so it is kept short.
void TTagDatabase::BeginRead() {
  if (!FWal) return;
  if (FReads == ReadsPerTransaction) EndRead();
  if (FReads++ == 0) FDatabase.Execute("BEGIN");
}

void TTagDatabase::EndRead() {
  if (FReads == 0) return;
  FReads = 0;
  FDatabase.Execute("COMMIT");
}

TFolderTags TTagDatabase::ReadFolder(const TFolderKey& Folder) {
  BeginRead();
  TSqliteStatement& Read = FStatements->ReadFolder;
  Read.Bind(1, Stored(Folder.Device));
  Read.Bind(2, Stored(Folder.Inode));
  bool Known = false;
  std::int64_t Seen = 0;
  std::vector<TTaggedFile> Files;
  while (Read.Step()) {
    Known = true;
    Seen = Read.Integer(0);
    if (Read.IsNull(1)) continue;
    Files.push_back({{Unstored(Read.Integer(1)), Unstored(Read.Integer(2)), Read.Integer(3), Read.Integer(4),
                      Read.Integer(5)},
                     {Read.Text(6), Read.Text(7), Read.Text(8), static_cast<int>(Read.Integer(9)),
                      static_cast<int>(Read.Integer(10)), static_cast<std::int32_t>(Read.Integer(11))}});
  }
  Read.Reset();
  return Known ? TFolderTags(Folder, Seen, std::move(Files)) : TFolderTags(Folder);
}

void TTagDatabase::Write(const std::vector<TFolderChanges>& Changes) {
  EndRead();
  FDatabase.Execute("BEGIN IMMEDIATE");
  for (const TFolderChanges& Folder : Changes)
    if (Folder.Drop)
      DropFolder(Folder.Folder);
    else
      WriteFolder(Folder);
  FDatabase.Execute("COMMIT");
}

void TTagDatabase::WriteFolder(const TFolderChanges& Changes) {
  const std::int64_t Row = FolderRow(Changes);
  TSqliteStatement& Delete = FStatements->DeleteFile;
  for (const TFileKey& Key : Changes.Removals) {
    Delete.Bind(1, Row);
    Delete.Bind(2, Stored(Key.Device));
    Delete.Bind(3, Stored(Key.Inode));
    Delete.Run();
  }
  TSqliteStatement& Write = FStatements->WriteFile;
  for (const auto& [Key, Tags] : Changes.Writes) {
    Write.Bind(1, Row);
    Write.Bind(2, Stored(Key.Device));
    Write.Bind(3, Stored(Key.Inode));
    Write.Bind(4, Key.Size);
    Write.Bind(5, Key.ModifiedNs);
    Write.Bind(6, Key.ChangedNs);
    Write.Bind(7, Tags.Title);
    Write.Bind(8, Tags.Artist);
    Write.Bind(9, Tags.Album);
    Write.Bind(10, Tags.Track);
    Write.Bind(11, Tags.Disc);
    Write.Bind(12, Tags.Length);
    Write.Run();
  }
}

// The folder's row, made or its seen mark moved on where needed. Another
// program may have changed it since the folder was read.
std::int64_t TTagDatabase::FolderRow(const TFolderChanges& Changes) {
  TSqliteStatement& Find = FStatements->FindFolder;
  Find.Bind(1, Stored(Changes.Folder.Device));
  Find.Bind(2, Stored(Changes.Folder.Inode));
  const bool Found = Find.Step();
  const std::int64_t Row = Found ? Find.Integer(0) : 0;
  const std::int64_t Seen = Found ? Find.Integer(1) : 0;
  Find.Reset();
  if (!Found) {
    TSqliteStatement& Insert = FStatements->InsertFolder;
    Insert.Bind(1, Stored(Changes.Folder.Device));
    Insert.Bind(2, Stored(Changes.Folder.Inode));
    Insert.Bind(3, Changes.Week);
    Insert.Run();
    return sqlite3_last_insert_rowid(FDatabase.Handle());
  }
  if (Seen < Changes.Week) {
    TSqliteStatement& Touch = FStatements->TouchFolder;
    Touch.Bind(1, Row);
    Touch.Bind(2, Changes.Week);
    Touch.Run();
  }
  return Row;
}

void TTagDatabase::DropFolder(const TFolderKey& Folder) {
  TSqliteStatement& Find = FStatements->FindFolder;
  Find.Bind(1, Stored(Folder.Device));
  Find.Bind(2, Stored(Folder.Inode));
  const bool Found = Find.Step();
  const std::int64_t Row = Found ? Find.Integer(0) : 0;
  Find.Reset();
  if (!Found) return;
  for (TSqliteStatement* Delete : {&FStatements->DeleteFolderFiles, &FStatements->DeleteFolder}) {
    Delete->Bind(1, Row);
    Delete->Run();
  }
}

void TTagDatabase::Prune(std::int64_t Week) {
  TSqliteStatement& Read = FStatements->ReadMark;
  Read.Bind(1, AsciiToString(PrunedMark));
  const bool Due = !Read.Step() || Read.Integer(0) < Week;
  Read.Reset();
  if (!Due) return;
  EndRead();
  FDatabase.Execute("BEGIN IMMEDIATE");
  for (TSqliteStatement* Prune : {&FStatements->PruneFiles, &FStatements->PruneFolders}) {
    Prune->Bind(1, Week - PruneWeeks);
    Prune->Run();
  }
  TSqliteStatement& Mark = FStatements->WriteMark;
  Mark.Bind(1, AsciiToString(PrunedMark));
  Mark.Bind(2, Week);
  Mark.Run();
  FDatabase.Execute("COMMIT");
}

}  // namespace cantrel
