#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tags/TagCache.h"

struct sqlite3;

namespace cantrel::test {

// A file of a made-up folder: inode Inode on device Device, with tags that
// tell its inode and Origin in every field.
TTaggedFile TaggedFile(std::uint64_t Device, std::uint64_t Inode, const String& Origin);
// Files Count files of a folder, inodes from First on.
std::vector<TTaggedFile> TaggedFiles(std::uint64_t Device, std::uint64_t First, int Count, const String& Origin);

// Options for a cache at Path that keep every warning.
class TCacheProbe {
public:
  explicit TCacheProbe(std::string Path);
  TTagCacheOptions Options(int BusyTimeoutMs = 5000) const;
  TTagCacheOptions OptionsAt(std::chrono::system_clock::time_point Now) const;
  std::vector<String> Warnings() const;
  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
  std::shared_ptr<std::mutex> FLock = std::make_shared<std::mutex>();
  std::shared_ptr<std::vector<String>> FWarnings = std::make_shared<std::vector<String>>();
};

// A connection of the test's own to the cache's database.
class TTestConnection {
public:
  explicit TTestConnection(const std::string& Path);
  ~TTestConnection();
  TTestConnection(const TTestConnection&) = delete;
  TTestConnection& operator=(const TTestConnection&) = delete;

  // Runs statements; answers SQLite's result code.
  int Execute(const std::string& Sql);
  // The first column of the first row, as text.
  std::string Query(const std::string& Sql);

private:
  sqlite3* FHandle = nullptr;
};

}  // namespace cantrel::test
