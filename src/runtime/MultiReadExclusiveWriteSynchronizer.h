#pragma once

#include <shared_mutex>

namespace cantrel {

// A lock that many readers may hold at once, or one writer alone. It is not
// reentrant: a thread that holds it must not take it again.
class TMultiReadExclusiveWriteSynchronizer {
public:
  void BeginRead() { FMutex.lock_shared(); }
  void EndRead() { FMutex.unlock_shared(); }
  void BeginWrite() { FMutex.lock(); }
  void EndWrite() { FMutex.unlock(); }

private:
  std::shared_mutex FMutex;
};

// Holds the read side for its lifetime.
class TReadLock {
public:
  explicit TReadLock(TMultiReadExclusiveWriteSynchronizer& Lock) : FLock(Lock) { FLock.BeginRead(); }
  ~TReadLock() { FLock.EndRead(); }
  TReadLock(const TReadLock&) = delete;
  TReadLock& operator=(const TReadLock&) = delete;

private:
  TMultiReadExclusiveWriteSynchronizer& FLock;
};

// Holds the write side for its lifetime.
class TWriteLock {
public:
  explicit TWriteLock(TMultiReadExclusiveWriteSynchronizer& Lock) : FLock(Lock) { FLock.BeginWrite(); }
  ~TWriteLock() { FLock.EndWrite(); }
  TWriteLock(const TWriteLock&) = delete;
  TWriteLock& operator=(const TWriteLock&) = delete;

private:
  TMultiReadExclusiveWriteSynchronizer& FLock;
};

}  // namespace cantrel
