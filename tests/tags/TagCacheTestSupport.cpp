#include "TagCacheTestSupport.h"

#include <sqlite3.h>

#include <utility>

namespace cantrel::test {

TTaggedFile TaggedFile(std::uint64_t Device, std::uint64_t Inode, const String& Origin) {
  const String Number = IntToStr(static_cast<std::int64_t>(Inode));
  const auto Small = static_cast<int>(Inode % 1000);
  return {{Device, Inode, 4000 + Small, 1'700'000'000'000'000'000 + Small, 1'700'000'000'500'000'000 + Small},
          {Origin + u" title " + Number, Origin + u" artist", Origin + u" album", Small, Small % 3, Small * 1000}};
}

std::vector<TTaggedFile> TaggedFiles(std::uint64_t Device, std::uint64_t First, int Count, const String& Origin) {
  std::vector<TTaggedFile> Files;
  for (int I = 0; I < Count; ++I) Files.push_back(TaggedFile(Device, First + static_cast<std::uint64_t>(I), Origin));
  return Files;
}

TCacheProbe::TCacheProbe(std::string Path) : FPath(std::move(Path)) {}

TTagCacheOptions TCacheProbe::Options(int BusyTimeoutMs) const {
  TTagCacheOptions Options;
  Options.Path = Utf8ToString(FPath);
  Options.BusyTimeoutMs = BusyTimeoutMs;
  Options.OnWarning = [Lock = FLock, Warnings = FWarnings](const String& Message) {
    std::lock_guard Guard(*Lock);
    Warnings->push_back(Message);
  };
  return Options;
}

TTagCacheOptions TCacheProbe::OptionsAt(std::chrono::system_clock::time_point Now) const {
  TTagCacheOptions Result = Options();
  Result.Now = Now;
  return Result;
}

std::vector<String> TCacheProbe::Warnings() const {
  std::lock_guard Guard(*FLock);
  return *FWarnings;
}

TTestConnection::TTestConnection(const std::string& Path) { sqlite3_open(Path.c_str(), &FHandle); }

TTestConnection::~TTestConnection() { sqlite3_close(FHandle); }

int TTestConnection::Execute(const std::string& Sql) {
  return sqlite3_exec(FHandle, Sql.c_str(), nullptr, nullptr, nullptr);
}

std::string TTestConnection::Query(const std::string& Sql) {
  sqlite3_stmt* Statement = nullptr;
  std::string Result;
  if (sqlite3_prepare_v2(FHandle, Sql.c_str(), -1, &Statement, nullptr) == SQLITE_OK &&
      sqlite3_step(Statement) == SQLITE_ROW)
    if (const unsigned char* Text = sqlite3_column_text(Statement, 0)) Result = reinterpret_cast<const char*>(Text);
  sqlite3_finalize(Statement);
  return Result;
}

}  // namespace cantrel::test
