#pragma once

#include <sys/types.h>

#include <string>

namespace cantrel::test {

// cantrel-latencyfs mirroring Source at Mount read-only, each lookup,
// getattr, opendir and readdir answered after DelayMs milliseconds, for as
// long as this lives; unmounted however the test ends. Where FUSE cannot
// be mounted, Mounted() answers false. The mirror counts the most calls
// that waited at once, what a client reading in parallel shows.
class TFuseMirror {
public:
  TFuseMirror(const std::string& Source, const std::string& Mount, double DelayMs = 0);
  ~TFuseMirror();
  TFuseMirror(const TFuseMirror&) = delete;
  TFuseMirror& operator=(const TFuseMirror&) = delete;

  // A mount has a device of its own.
  bool Mounted() const;
  unsigned MostCallsAtOnce() const;

private:
  std::string FMount;
  std::string FBusiest;
  pid_t FServer = -1;
};

}  // namespace cantrel::test
