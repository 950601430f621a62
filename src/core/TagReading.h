// The tags of every file a search found, read on a pool of threads while its walk goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "playlist/PlayListFile.h"
#include "runtime/Thread.h"

namespace cantrel {

// Reads the tags of every file of a tree on a pool of threads sized for
// waiting on disks and shares rather than for cores. The search hands each
// folder over once the walk has reported all its files, so that reading
// goes on alongside the walk. Each reader takes the next folder in walk
// order, reaches it by descriptors from the folder searched as Make does,
// and reads its files; a folder that cannot be reached, or that changed
// since the search, gives its files empty tags, as a file that cannot be
// read does. With the tag cache, a folder's cached entries are looked up at
// once and only the files they miss are read; the cache is opened, written
// and finished on the readers, never on the main thread. Main thread only.
class TTagReading {
public:
  using TProgressEvent = std::function<void(int Read, int Total)>;
  using TDoneEvent = std::function<void()>;

  // Starts Threads readers (at least one) below Folder, the folder
  // searched. Once Close was called, OnProgress runs on the main thread at
  // most ten times a second while they read, and once every file handed
  // over was read, every node gets its tags and OnDone runs, on the main
  // thread. No node is touched before.
  TTagReading(TSharedFolder Folder, int Threads, TProgressEvent OnProgress, TDoneEvent OnDone,
              bool UseCache = false);
  // Stops the readers: from now on none of their reports runs. They are
  // waited for until TThreadGroup::Patience; one stuck in the kernel then
  // ends on its own, touching only what it holds a share of.
  ~TTagReading();
  TTagReading(const TTagReading&) = delete;
  TTagReading& operator=(const TTagReading&) = delete;

  // Hands over Node of the tree Root, the folder searched, whose files are
  // all known and stay as they are. What the readers need is copied here:
  // they never touch the tree.
  void Add(const TPlayListFile& Root, TPlayListFile& Node);
  // No folder follows.
  void Close();

  // Once done: the cache's one warning, if it had trouble (translated), and
  // the rows this run wrote into it.
  const std::vector<String>& CacheWarnings() const;
  std::int64_t CacheRowsWritten() const;

  struct TWork;

private:
  void Progress();
  void Done();

  std::shared_ptr<TWork> FWork;
  // Each folder's node, in the order of the work's folders.
  std::vector<TPlayListFile*> FNodes;
  int FTotal = 0;
  TProgressEvent FOnProgress;
  TDoneEvent FOnDone;
  bool FClosed = false;
  bool FDone = false;
  TThreadGroup FThreads;
};

// Reads the tags of one folder's files at a time on the caller's thread,
// each folder as a reader of TTagReading reads it, through one tag cache
// opened at the first folder and finished with this: for a watch, which
// reads again the folders a change touched. Its thread only.
class TFolderTagReader {
public:
  // OnCacheWarning hears the cache's one warning (translated), on the
  // caller's thread during the Read that met the trouble.
  TFolderTagReader(bool UseCache, std::function<void(const String&)> OnCacheWarning);
  ~TFolderTagReader();
  TFolderTagReader(const TFolderTagReader&) = delete;
  TFolderTagReader& operator=(const TFolderTagReader&) = delete;

  // The tags of the files Names of the folder open at Folder, one per name;
  // empty tags for a file that cannot be read.
  std::vector<TMediaTags> Read(int Folder, const std::vector<String>& Names);
  // Writes into the cache what waits there, so that a long watch keeps it
  // current for the runs meanwhile.
  void Commit();

private:
  std::shared_ptr<TTagReading::TWork> FWork;
  std::function<void(const String&)> FOnCacheWarning;
};

}  // namespace cantrel
