#include <gtest/gtest.h>

#include <thread>

#include "TagCacheTestSupport.h"
#include "TempDir.h"

using namespace cantrel;
using namespace cantrel::test;

// Threads of a pool look up and store folders on one cache at once.
TEST(TagCacheThreadTest, ThreadsShareOneCache) {
  TTempDir Dir;
  TCacheProbe Probe(Dir.Path() + "tags.sqlite");
  constexpr int Threads = 4, Folders = 40, FilesPerFolder = 20;
  {
    TTagCache Cache(Probe.Options());
    std::vector<std::jthread> Pool;
    for (int T = 0; T < Threads; ++T)
      Pool.emplace_back([&Cache, T] {
        for (std::uint64_t F = 0; F < Folders; ++F) {
          const TFolderKey Folder{static_cast<std::uint64_t>(T), F};
          Cache.Store(Cache.Lookup(Folder), TaggedFiles(Folder.Device, 100, FilesPerFolder, IntToStr(T)));
        }
      });
  }
  TTagCache Cache(Probe.Options());
  for (std::uint64_t T = 0; T < Threads; ++T)
    for (std::uint64_t F = 0; F < Folders; ++F)
      EXPECT_TRUE(std::ranges::equal(Cache.Lookup({T, F}).Files(),
                                     TaggedFiles(T, 100, FilesPerFolder, IntToStr(static_cast<std::int64_t>(T)))));
  EXPECT_TRUE(Probe.Warnings().empty());
}
