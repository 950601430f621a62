// TFolderReadAhead and TFolderReader: folders opened, listed and sorted ahead of the walk by a pool of readers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "filesearch/FolderRules.h"
#include "runtime/FileHandle.h"
#include "runtime/Thread.h"

namespace cantrel {

// A folder of the walk, read ahead: where it lies and, once read, what the
// walk takes of it.
struct TAheadFolder {
  enum class TState : std::uint8_t { stWaiting, stReading, stRead };

  // Its place in walk order: its position among its siblings after those
  // of its parents, so that the walk's order is the order of the places.
  std::vector<std::uint32_t> Place;
  TFolder Folder;
  bool Root = false;
  // The root being walked, for the subdirectory mask.
  std::shared_ptr<const String> RootPath;
  // The parent's descriptor, kept while this folder may be read (again).
  std::shared_ptr<const TFileHandle> Parent;

  // The errno value when it could not be listed.
  int Error = 0;
  dev_t Device = 0;
  ino_t Inode = 0;
  std::vector<String> Temporaries;
  TFoundFiles Files;
  std::vector<std::shared_ptr<TAheadFolder>> Subdirectories;
  // An error raised while it was read, raised again on the walker.
  std::exception_ptr Failure;

  // Guarded by the read-ahead's lock.
  TState State = TState::stWaiting;
  bool Dropped = false;
};

// The folders a walk will need soon, read by a pool of readers while the
// walker reports the ones before them. Readers take the first waiting
// folders in walk order, open each from its parent's descriptor, list,
// sort and test it as the walk would, and put its subdirectories up in
// turn. At most Window folders are read and not yet taken, and the folders
// held open for their subdirectories stay within a number of descriptors.
class TFolderReadAhead {
public:
  // Folders read and not yet taken by the walker.
  static constexpr std::size_t Window = 64;

  // On demand, readers read only once the walker waited for the file
  // system while it read a folder itself.
  TFolderReadAhead(std::shared_ptr<const TFolderRules> Rules, int Descriptors, bool OnDemand = false);

  // Reads a root on the calling thread (Parent is the descriptor to open it
  // from) and puts its subdirectories up for reading; a root that cannot be
  // listed comes back with its Error.
  std::shared_ptr<TAheadFolder> Begin(int Parent, const TFolder& Root, const String& RootPath);
  // Waits until Folder is read, reading it here when no reader has it, and
  // takes it out of the window. False when the read-ahead stopped while a
  // reader still had it.
  bool Take(TAheadFolder& Folder);
  // Drops the folders below Folder still waiting or read: the walk has
  // left it.
  void Drop(const TAheadFolder& Folder);
  // Ends the readers' work and any wait; never undone.
  void Stop();
  bool Stopped() const { return FStopped.load(std::memory_order_acquire); }
  // A reader's work, until the read-ahead stops.
  void Serve();

private:
  using TPlaces = std::map<std::vector<std::uint32_t>, std::shared_ptr<TAheadFolder>>;

  std::shared_ptr<TAheadFolder> NextToRead() const;
  void Claim(TAheadFolder& Folder);
  void Read(TAheadFolder& Folder, int Parent) const;
  void ReadOnWalker(TAheadFolder& Folder, int Parent);
  void Engage();
  void List(TAheadFolder& Folder, int Parent) const;
  std::shared_ptr<const TFileHandle> KeepOpen(TDirectoryListing& Listing) const;
  void Finish(TAheadFolder& Folder);
  void GiveBack(TAheadFolder& Folder);
  void Shed(std::unique_lock<std::mutex>& Guard);
  bool DropBelow(const TAheadFolder& Folder);
  void WakeReaders(bool All);

  const std::shared_ptr<const TFolderRules> FRules;
  std::mutex FLock;
  // Readers wait for a folder to read, the walker for the one it needs.
  std::condition_variable FReaderWake;
  std::condition_variable FWalkerWake;
  // The folders put up and not yet taken or dropped, in walk order.
  TPlaces FAhead;
  // Those of them being read or read.
  std::size_t FClaimed = 0;
  // Those being read by readers now.
  std::size_t FReading = 0;
  // How many descriptors readers may hold; lowered when one runs short.
  int FDescriptors;
  // The descriptors held: folders being read and folders kept open for
  // subdirectories still to be opened. Shared with the handles that count
  // themselves out when they close.
  const std::shared_ptr<std::atomic<int>> FHeld = std::make_shared<std::atomic<int>>(0);
  std::atomic<bool> FStopped{false};
  // Whether readers read; set under the lock.
  std::atomic<bool> FEngaged;
  // The walker's own reads counted while readers wait (none until one took
  // long), and how many of them waited for the file system.
  int FWalkerReads = 0;
  int FWalkerSlowReads = 0;
};

// One reader of a read-ahead, in the group of its search.
class TFolderReader : public TThread {
public:
  explicit TFolderReader(std::shared_ptr<TFolderReadAhead> ReadAhead);

protected:
  void Execute() override { FReadAhead->Serve(); }
  void TerminateRequested() override { FReadAhead->Stop(); }

private:
  const std::shared_ptr<TFolderReadAhead> FReadAhead;
};

}  // namespace cantrel
