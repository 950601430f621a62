// A thin hold on SQLite: one connection, its prepared statements and the errors they raise.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/String.h"

struct sqlite3;
struct sqlite3_stmt;

namespace cantrel {

// What an SQLite failure says of the database.
enum class TSqliteTrouble : std::uint8_t { stDamaged, stLocked, stNotWritable, stOther };

// An SQLite call that failed: its primary result code and SQLite's text.
class ESqliteError : public Exception {
public:
  ESqliteError(int Code, const std::string& Message);
  int Code() const { return FCode; }
  TSqliteTrouble Trouble() const;

private:
  int FCode;
};

class TSqliteDatabase {
public:
  // Opens or creates the database for reading and writing; raises
  // ESqliteError when it cannot.
  explicit TSqliteDatabase(const std::string& Path);
  ~TSqliteDatabase();
  TSqliteDatabase(const TSqliteDatabase&) = delete;
  TSqliteDatabase& operator=(const TSqliteDatabase&) = delete;

  sqlite3* Handle() const { return FHandle; }
  // SQLite opens a file it may not write read-only without saying so.
  bool ReadOnly() const;
  void SetBusyTimeout(int Milliseconds);
  // Runs statements that answer no rows.
  void Execute(const char* Sql);
  // Rows inserted, updated or deleted through this connection.
  std::int64_t TotalChanges() const;
  // Raises the connection's last error, reported as Code.
  [[noreturn]] void Raise(int Code) const;

private:
  sqlite3* FHandle = nullptr;
};

// One prepared statement, reset and cleared for each use.
class TSqliteStatement {
public:
  TSqliteStatement(TSqliteDatabase& Database, const char* Sql);
  ~TSqliteStatement();
  TSqliteStatement(const TSqliteStatement&) = delete;
  TSqliteStatement& operator=(const TSqliteStatement&) = delete;

  // Parameters count from 1.
  void Bind(int Index, std::int64_t Value);
  void Bind(int Index, StringView Value);
  // True while a row is there to read; raises on failure.
  bool Step();
  // Steps a statement that answers no rows, then resets it.
  void Run();
  void Reset();

  // Columns count from 0.
  bool IsNull(int Column) const;
  std::int64_t Integer(int Column) const;
  String Text(int Column) const;

private:
  TSqliteDatabase& FDatabase;
  sqlite3_stmt* FHandle = nullptr;
};

}  // namespace cantrel
