// Where the tag cache lies, and what the file system there allows.
#include "tags/TagCacheLocation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "runtime/Paths.h"

namespace cantrel {

namespace {

std::string HomeFolder() {
  if (const char* Home = std::getenv("HOME"); Home && *Home) return Home;
  std::vector<char> Buffer(16384);
  struct passwd Entry {};
  struct passwd* Found = nullptr;
  getpwuid_r(getuid(), &Entry, Buffer.data(), Buffer.size(), &Found);
  return Found && Found->pw_dir ? Found->pw_dir : "/";
}

std::string CacheHome() {
  if (const char* Cache = std::getenv("XDG_CACHE_HOME"); Cache && *Cache == '/') return Cache;
  std::string Home = HomeFolder();
  if (Home.back() != '/') Home += '/';
  return Home + ".cache";
}

// Magic numbers of statfs for file systems served over a network.
constexpr unsigned long NetworkFileSystems[] = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x5346414F,  // AFS
    0x6B414653,  // kAFS
    0x73757245,  // Coda
    0x01021997,  // 9P
    0x00C36400,  // Ceph
    0x01161970,  // GFS2
    0x7461636F,  // OCFS2
};

}  // namespace

String DefaultTagCachePath() { return FromSystemFileName(CacheHome() + "/cantrel/tags.sqlite"); }

void MakeFoldersAbove(const std::string& FileName) {
  const std::string::size_type End = FileName.rfind('/');
  if (End == std::string::npos) return;
  // Every folder from the root down, so that each one made is private.
  for (std::string::size_type Slash = FileName.find('/', 1); Slash != std::string::npos && Slash <= End;
       Slash = FileName.find('/', Slash + 1))
    if (mkdir(FileName.substr(0, Slash).c_str(), 0700) != 0 && errno != EEXIST) return;
}

bool OnNetworkFileSystem(const std::string& Folder) {
  struct statfs Info {};
  if (statfs(Folder.c_str(), &Info) != 0) return false;
  const auto Type = static_cast<unsigned long>(static_cast<unsigned int>(Info.f_type));
  return std::ranges::find(NetworkFileSystems, Type) != std::end(NetworkFileSystems);
}

}  // namespace cantrel
