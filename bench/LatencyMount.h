#pragma once

#include <sys/types.h>

#include <filesystem>

namespace cantrel::bench {

// A folder mirrored by cantrel-latencyfs, every lookup, getattr, opendir and
// readdir delayed, for as long as this lives. The mirror is mounted on a
// folder of the source's own name in a temporary folder beside the source,
// and is unmounted however the benchmark ends: here, and by the mirror
// itself when the benchmark dies first (it is sent SIGTERM then).
class TLatencyMount {
public:
  // Raises std::runtime_error when the mirror cannot be mounted.
  TLatencyMount(const std::filesystem::path& Source, double DelayMilliseconds);
  ~TLatencyMount();
  TLatencyMount(const TLatencyMount&) = delete;
  TLatencyMount& operator=(const TLatencyMount&) = delete;

  const std::filesystem::path& Root() const { return FRoot; }

private:
  void Start(const std::filesystem::path& Source, double DelayMilliseconds);
  void WaitForMount();
  bool Mounted() const;
  void StopServer();
  void Unmount();

  std::filesystem::path FFolder;
  std::filesystem::path FRoot;
  pid_t FServer = -1;
};

}  // namespace cantrel::bench
