// A thin hold on SQLite: one connection, its prepared statements and the errors they raise.
#include "tags/Sqlite.h"

#include <sqlite3.h>

namespace cantrel {

namespace {

// Whether the text is Unicode throughout, with no lone surrogate and no
// byte kept from undecodable UTF-8: only such text survives UTF-8 exactly.
bool IsPlainUnicode(StringView Text) {
  char32_t CodePoint;
  for (std::size_t Pos = 0, Length; Pos < Text.size(); Pos += Length)
    if (ReadTextUnit(Text, Pos, CodePoint, Length) != TTextUnit::tuCharacter) return false;
  return true;
}

std::string Utf16LittleEndian(StringView Text) {
  std::string Bytes;
  Bytes.reserve(Text.size() * 2);
  for (const char16_t Unit : Text) {
    Bytes += static_cast<char>(Unit & 0xFF);
    Bytes += static_cast<char>(Unit >> 8);
  }
  return Bytes;
}

String FromUtf16LittleEndian(const unsigned char* Bytes, std::size_t Size) {
  String Text;
  Text.reserve(Size / 2);
  for (std::size_t I = 0; I + 1 < Size; I += 2) Text += static_cast<char16_t>(Bytes[I] | (Bytes[I + 1] << 8));
  return Text;
}

}  // namespace

ESqliteError::ESqliteError(int Code, const std::string& Message) : Exception(Utf8ToString(Message)), FCode(Code) {}

// A file that is not a database, or not one of our layout, counts as damaged.
TSqliteTrouble ESqliteError::Trouble() const {
  switch (FCode) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_ERROR:
    case SQLITE_FORMAT:
    case SQLITE_MISMATCH:
      return TSqliteTrouble::stDamaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return TSqliteTrouble::stLocked;
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return TSqliteTrouble::stNotWritable;
    default:
      return TSqliteTrouble::stOther;
  }
}

TSqliteDatabase::TSqliteDatabase(const std::string& Path) {
  // Callers serialize their use of a connection themselves.
  const int Code = sqlite3_open_v2(Path.c_str(), &FHandle,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (Code != SQLITE_OK) {
    const std::string Message = FHandle ? sqlite3_errmsg(FHandle) : sqlite3_errstr(Code);
    sqlite3_close(FHandle);
    throw ESqliteError(Code & 0xFF, Message);
  }
}

TSqliteDatabase::~TSqliteDatabase() { sqlite3_close(FHandle); }

bool TSqliteDatabase::ReadOnly() const { return sqlite3_db_readonly(FHandle, "main") == 1; }

void TSqliteDatabase::SetBusyTimeout(int Milliseconds) { sqlite3_busy_timeout(FHandle, Milliseconds); }

void TSqliteDatabase::Execute(const char* Sql) {
  const int Code = sqlite3_exec(FHandle, Sql, nullptr, nullptr, nullptr);
  if (Code != SQLITE_OK) Raise(Code);
}

std::int64_t TSqliteDatabase::TotalChanges() const { return sqlite3_total_changes64(FHandle); }

void TSqliteDatabase::Raise(int Code) const { throw ESqliteError(Code & 0xFF, sqlite3_errmsg(FHandle)); }

TSqliteStatement::TSqliteStatement(TSqliteDatabase& Database, const char* Sql) : FDatabase(Database) {
  const int Code = sqlite3_prepare_v3(Database.Handle(), Sql, -1, SQLITE_PREPARE_PERSISTENT, &FHandle, nullptr);
  if (Code != SQLITE_OK) Database.Raise(Code);
}

TSqliteStatement::~TSqliteStatement() { sqlite3_finalize(FHandle); }

void TSqliteStatement::Bind(int Index, std::int64_t Value) {
  const int Code = sqlite3_bind_int64(FHandle, Index, Value);
  if (Code != SQLITE_OK) FDatabase.Raise(Code);
}

// Plain Unicode goes in as UTF-8 text; anything else keeps its exact code
// units as a blob of UTF-16LE, so every text reads back as it was given.
void TSqliteStatement::Bind(int Index, StringView Value) {
  const bool Plain = IsPlainUnicode(Value);
  const std::string Bytes = Plain ? StringToUtf8(Value) : Utf16LittleEndian(Value);
  const int Code = Plain ? sqlite3_bind_text64(FHandle, Index, Bytes.data(), Bytes.size(), SQLITE_TRANSIENT, SQLITE_UTF8)
                         : sqlite3_bind_blob64(FHandle, Index, Bytes.data(), Bytes.size(), SQLITE_TRANSIENT);
  if (Code != SQLITE_OK) FDatabase.Raise(Code);
}

bool TSqliteStatement::Step() {
  const int Code = sqlite3_step(FHandle);
  if (Code == SQLITE_ROW) return true;
  if (Code == SQLITE_DONE) return false;
  sqlite3_reset(FHandle);
  FDatabase.Raise(Code);
}

void TSqliteStatement::Run() {
  while (Step()) {
  }
  Reset();
}

void TSqliteStatement::Reset() {
  sqlite3_reset(FHandle);
  sqlite3_clear_bindings(FHandle);
}

bool TSqliteStatement::IsNull(int Column) const { return sqlite3_column_type(FHandle, Column) == SQLITE_NULL; }

std::int64_t TSqliteStatement::Integer(int Column) const { return sqlite3_column_int64(FHandle, Column); }

String TSqliteStatement::Text(int Column) const {
  if (sqlite3_column_type(FHandle, Column) == SQLITE_BLOB) {
    const auto* Bytes = static_cast<const unsigned char*>(sqlite3_column_blob(FHandle, Column));
    return FromUtf16LittleEndian(Bytes, static_cast<std::size_t>(sqlite3_column_bytes(FHandle, Column)));
  }
  const auto* Bytes = reinterpret_cast<const char*>(sqlite3_column_text(FHandle, Column));
  return Utf8ToString({Bytes ? Bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(FHandle, Column))});
}

}  // namespace cantrel
