// The cache of tags read from media files, kept in SQLite between runs.
#include "tags/TagCache.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Paths.h"
#include "tags/Sqlite.h"
#include "tags/TagCacheConsts.h"
#include "tags/TagCacheLocation.h"
#include "tags/TagDatabase.h"

namespace cantrel {

namespace {

// Rows written per transaction: few enough that another program's wait for
// the write lock stays short, and a crash loses little.
constexpr std::size_t BatchRows = 512;

std::int64_t WeekOf(std::chrono::system_clock::time_point Time) {
  return std::chrono::floor<std::chrono::weeks>(Time.time_since_epoch()).count();
}

// The database with its log, index and journal; false when it stays.
bool RemoveDatabase(const std::string& FileName) {
  for (const char* Suffix : {"-wal", "-shm", "-journal"}) unlink((FileName + Suffix).c_str());
  return unlink(FileName.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

TTagCache::TTagCache(TTagCacheOptions Options)
    : FOptions(std::move(Options)),
      FPath(FOptions.Path.empty() ? DefaultTagCachePath() : FOptions.Path),
      FFileName(SystemFileName(FPath)),
      FWeek(WeekOf(FOptions.Now.value_or(std::chrono::system_clock::now()))) {
  {
    std::lock_guard Guard(FLock);
    try {
      Open();
    } catch (...) {
      Recover(std::current_exception());
    }
  }
  TellWarning();
}

TTagCache::~TTagCache() { Finish(); }

TFolderTags TTagCache::Lookup(const TFolderKey& Folder) {
  TFolderTags Result(Folder);
  Guarded([&] { Result = FDatabase->ReadFolder(Folder); });
  return Result;
}

void TTagCache::Store(const TFolderTags& Cached, std::span<const TTaggedFile> Files) {
  // Compared before the lock is taken: readers of other folders need not wait for it.
  TFolderChanges Changes = CompareFolder(Cached, Files, FWeek);
  if (Changes.Empty() || !FActive) return;
  Guarded([&] {
    FPendingRows += Changes.Rows();
    FPending.push_back(std::move(Changes));
    if (FPendingRows >= BatchRows) Flush();
  });
}

void TTagCache::Commit() {
  Guarded([&] {
    Flush();
    FDatabase->EndRead();
  });
}

void TTagCache::Finish() {
  Guarded([&] {
    Flush();
    FDatabase->Prune(FWeek);
  });
  std::lock_guard Guard(FLock);
  // Closing now folds the log into the database.
  if (FDatabase) Close();
}

std::int64_t TTagCache::RowsWritten() const {
  std::lock_guard Guard(FLock);
  return FClosedRowsWritten + (FDatabase ? FDatabase->TotalChanges() : 0);
}

void TTagCache::Open() {
  MakeFoldersAbove(FFileName);
  const std::string Folder = SystemFileName(ExtractFilePath(FPath));
  FDatabase = std::make_unique<TTagDatabase>(FFileName, FOptions.BusyTimeoutMs,
                                             !OnNetworkFileSystem(Folder.empty() ? "." : Folder));
  FActive = true;
}

void TTagCache::Close() {
  FActive = false;
  FPending.clear();
  FPendingRows = 0;
  if (!FDatabase) return;
  FClosedRowsWritten += FDatabase->TotalChanges();
  FDatabase.reset();
}

void TTagCache::Flush() {
  if (FPending.empty()) return;
  const std::vector<TFolderChanges> Batch = std::exchange(FPending, {});
  FPendingRows = 0;
  FDatabase->Write(Batch);
}

void TTagCache::Guarded(const std::function<void()>& Work) {
  {
    std::lock_guard Guard(FLock);
    if (!FDatabase) return;
    try {
      Work();
    } catch (...) {
      Recover(std::current_exception());
    }
  }
  TellWarning();
}

void TTagCache::Recover(const std::exception_ptr& Error) {
  try {
    std::rethrow_exception(Error);
  } catch (const ENewerTagCache&) {
    TurnOff(STagCacheNewer);
  } catch (const ESqliteError& Failure) {
    switch (Failure.Trouble()) {
      case TSqliteTrouble::stDamaged: Rebuild(); break;
      case TSqliteTrouble::stLocked: TurnOff(STagCacheLocked); break;
      case TSqliteTrouble::stNotWritable: TurnOff(STagCacheNotWritable); break;
      case TSqliteTrouble::stOther: TurnOff(Failure.Message()); break;
    }
  } catch (...) {
    TurnOff(ExceptionMessage(std::current_exception()));
  }
}

// Made anew once per run: a database damaged again stays off.
void TTagCache::Rebuild() {
  Close();
  if (!FRebuilt) {
    FRebuilt = true;
    try {
      if (RemoveDatabase(FFileName)) {
        Open();
        Warn(Format(LoadResString(&STagCacheMadeAnew), {FPath}));
        return;
      }
    } catch (...) {
      Close();
    }
  }
  TurnOff(STagCacheDamaged);
}

void TTagCache::TurnOff(const TResStringRec& Reason) { TurnOff(LoadResString(&Reason)); }

void TTagCache::TurnOff(const String& Reason) {
  Close();
  Warn(Format(LoadResString(&STagCacheNotUsed), {FPath, Reason}));
}

void TTagCache::Warn(String Message) {
  if (FWarned) return;
  FWarned = true;
  FWarning = std::move(Message);
}

void TTagCache::TellWarning() {
  String Warning;
  {
    std::lock_guard Guard(FLock);
    Warning = std::exchange(FWarning, {});
  }
  if (!Warning.empty() && FOptions.OnWarning) FOptions.OnWarning(Warning);
}

}  // namespace cantrel
