// TFolderReadAhead and TFolderReader: folders opened, listed and sorted ahead of the walk by a pool of readers.
#include "filesearch/FolderReadAhead.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace cantrel {

namespace {

bool Below(const std::vector<std::uint32_t>& Parent, const std::vector<std::uint32_t>& Place) {
  return Place.size() > Parent.size() && std::equal(Parent.begin(), Parent.end(), Place.begin());
}

// A reader that finds no descriptor free leaves the folder to the walker,
// which reads it as it would without readers.
bool ShortOfDescriptors(int Error) { return Error == EMFILE || Error == ENFILE; }

// On demand, readers join once this many of the walker's own reads of so
// many folders in a row waited for the file system: each gave up the
// processor more than once (a share answers the open and the listing apart)
// and took at least SlowRead. A warm folder takes some 30 µs; one whose
// block a fast disk gave back once, a few hundred, which readers on two
// processors cost more than they save.
constexpr int ReadsCounted = 16;
constexpr int SlowReadsToEngage = 4;
constexpr long SlowReadWaits = 2;
constexpr std::chrono::microseconds SlowRead{250};

}  // namespace

TFolderReadAhead::TFolderReadAhead(std::shared_ptr<const TFolderRules> Rules, int Descriptors, bool OnDemand)
    : FRules(std::move(Rules)), FDescriptors(Descriptors), FEngaged(!OnDemand) {}

std::shared_ptr<TAheadFolder> TFolderReadAhead::Begin(int Parent, const TFolder& Root, const String& RootPath) {
  auto Folder = std::make_shared<TAheadFolder>();
  Folder->Folder = Root;
  Folder->Root = true;
  Folder->RootPath = std::make_shared<const String>(RootPath);
  std::unique_lock Guard(FLock);
  Folder->State = TAheadFolder::TState::stReading;
  ++*FHeld;
  Guard.unlock();
  ReadOnWalker(*Folder, Parent);
  Guard.lock();
  Finish(*Folder);
  if (Folder->Failure) std::rethrow_exception(Folder->Failure);
  return Folder;
}

bool TFolderReadAhead::Take(TAheadFolder& Folder) {
  std::unique_lock Guard(FLock);
  FWalkerWake.wait(Guard, [&] { return Folder.State != TAheadFolder::TState::stReading || Stopped(); });
  if (Folder.State == TAheadFolder::TState::stWaiting) {
    Claim(Folder);
    Guard.unlock();
    ReadOnWalker(Folder, Folder.Parent->Get());
    Guard.lock();
    if (ShortOfDescriptors(Folder.Error)) {
      Shed(Guard);
      Folder.Error = 0;
      Guard.unlock();
      ReadOnWalker(Folder, Folder.Parent->Get());
      Guard.lock();
    }
    Finish(Folder);
  }
  if (Folder.State != TAheadFolder::TState::stRead) return false;
  FAhead.erase(Folder.Place);
  --FClaimed;
  WakeReaders(false);
  if (Folder.Failure) std::rethrow_exception(Folder.Failure);
  return true;
}

void TFolderReadAhead::Drop(const TAheadFolder& Folder) {
  std::lock_guard Guard(FLock);
  if (DropBelow(Folder)) WakeReaders(true);
}

bool TFolderReadAhead::DropBelow(const TAheadFolder& Folder) {
  bool Dropped = false;
  for (auto It = FAhead.upper_bound(Folder.Place); It != FAhead.end() && Below(Folder.Place, It->first);) {
    TAheadFolder& Left = *It->second;
    if (Left.State != TAheadFolder::TState::stWaiting) --FClaimed;
    Left.Dropped = Dropped = true;
    It = FAhead.erase(It);
  }
  return Dropped;
}

// Under the lock. Readers that wait for the walker to wait need no wake-up.
void TFolderReadAhead::WakeReaders(bool All) {
  if (!FEngaged.load(std::memory_order_relaxed)) return;
  if (All)
    FReaderWake.notify_all();
  else
    FReaderWake.notify_one();
}

void TFolderReadAhead::Stop() {
  {
    std::lock_guard Guard(FLock);
    FStopped.store(true, std::memory_order_release);
  }
  FReaderWake.notify_all();
  FWalkerWake.notify_all();
}

void TFolderReadAhead::Serve() {
  for (;;) {
    std::unique_lock Guard(FLock);
    // Declared after the lock, so that it is let go of while the lock is
    // still held: it may be the last holder of its parent's descriptor,
    // which a walker short of descriptors counts on once no reader reads.
    std::shared_ptr<TAheadFolder> Folder;
    FReaderWake.wait(Guard, [&] { return Stopped() || (Folder = NextToRead()); });
    if (Stopped()) return;
    Claim(*Folder);
    ++FReading;
    Guard.unlock();
    Read(*Folder, Folder->Parent->Get());
    Guard.lock();
    --FReading;
    if (!Folder->Dropped && ShortOfDescriptors(Folder->Error))
      GiveBack(*Folder);
    else
      Finish(*Folder);
  }
}

// The first waiting folder in walk order, while the window and the
// descriptors allow one more.
std::shared_ptr<TAheadFolder> TFolderReadAhead::NextToRead() const {
  if (!FEngaged.load(std::memory_order_relaxed) || FClaimed >= Window || *FHeld >= FDescriptors) return nullptr;
  for (const auto& [Place, Folder] : FAhead)
    if (Folder->State == TAheadFolder::TState::stWaiting) return Folder;
  return nullptr;
}

void TFolderReadAhead::Claim(TAheadFolder& Folder) {
  Folder.State = TAheadFolder::TState::stReading;
  ++FClaimed;
  ++*FHeld;
}

void TFolderReadAhead::Read(TAheadFolder& Folder, int Parent) const {
  try {
    List(Folder, Parent);
  } catch (...) {
    Folder.Failure = std::current_exception();
  }
}

// A stray wait (a block the machine paged out, a busy machine) does not
// call the readers: a file system that keeps the walker waiting does, within
// a few folders. A read that took long begins the count of the next ones;
// until then no read asks for its waits, two system calls a folder that a
// warm walk would pay for nothing.
void TFolderReadAhead::ReadOnWalker(TAheadFolder& Folder, int Parent) {
  if (FEngaged.load(std::memory_order_relaxed)) return Read(Folder, Parent);
  const bool Counting = FWalkerReads > 0;
  const long Waits = Counting ? ThreadWaits() : 0;
  const auto Start = std::chrono::steady_clock::now();
  Read(Folder, Parent);
  const bool Long = std::chrono::steady_clock::now() - Start >= SlowRead;
  if (!Counting) {
    if (Long) FWalkerReads = 1;
    return;
  }
  if (Long && ThreadWaits() - Waits >= SlowReadWaits) ++FWalkerSlowReads;
  if (FWalkerSlowReads >= SlowReadsToEngage)
    Engage();
  else if (FWalkerReads++ == ReadsCounted)
    FWalkerReads = FWalkerSlowReads = 0;
}

void TFolderReadAhead::Engage() {
  {
    std::lock_guard Guard(FLock);
    FEngaged.store(true, std::memory_order_relaxed);
  }
  FReaderWake.notify_all();
}

// What the walk would take of the folder, read as it would read it.
void TFolderReadAhead::List(TAheadFolder& Folder, int Parent) const {
  TDirectoryListing Listing;
  const std::string& Name = Folder.Folder.Name.empty() ? std::string(".") : Folder.Folder.Name;
  if (!Listing.Open(Parent, Name, Folder.Root || FRules->FollowDirectoryLinks())) {
    Folder.Error = Listing.Error();
    return;
  }
  Folder.Device = Listing.Device();
  Folder.Inode = Listing.Inode();
  const std::vector<std::size_t> Candidates = FRules->FileCandidates(Listing);
  Folder.Temporaries = TFolderRules::Temporaries(Listing);
  Folder.Files = FRules->PassingFiles(Listing, Candidates, [this] { return Stopped(); });
  if (!FRules->IncludeSubDirectories() || Stopped()) return;
  std::vector<TFolder> Subdirectories = FRules->AdmittedSubdirectories(*Folder.RootPath, Folder.Folder.Directory, Listing);
  if (Subdirectories.empty()) return;
  const std::shared_ptr<const TFileHandle> Handle = KeepOpen(Listing);
  Folder.Subdirectories.reserve(Subdirectories.size());
  for (std::size_t Index = 0; Index < Subdirectories.size(); ++Index) {
    auto Subdirectory = std::make_shared<TAheadFolder>();
    Subdirectory->Place = Folder.Place;
    Subdirectory->Place.push_back(static_cast<std::uint32_t>(Index));
    Subdirectory->Folder = std::move(Subdirectories[Index]);
    Subdirectory->RootPath = Folder.RootPath;
    Subdirectory->Parent = Handle;
    Folder.Subdirectories.push_back(std::move(Subdirectory));
  }
}

// The listing's descriptor, shared by its subdirectories until the last of
// them is open; it counts itself out when it closes.
std::shared_ptr<const TFileHandle> TFolderReadAhead::KeepOpen(TDirectoryListing& Listing) const {
  return std::shared_ptr<const TFileHandle>(new TFileHandle(Listing.TakeHandle()),
                                            [Held = FHeld](const TFileHandle* Handle) {
                                              delete Handle;
                                              --*Held;
                                            });
}

// Under the lock. A folder whose subdirectories keep its descriptor counts
// it until they let it go; one dropped meanwhile is thrown away.
void TFolderReadAhead::Finish(TAheadFolder& Folder) {
  if (Folder.Subdirectories.empty()) --*FHeld;
  Folder.State = TAheadFolder::TState::stRead;
  if (Folder.Dropped) {
    Folder.Files = {};
    Folder.Subdirectories.clear();
  } else {
    for (const std::shared_ptr<TAheadFolder>& Subdirectory : Folder.Subdirectories) {
      FAhead.emplace(Subdirectory->Place, Subdirectory);
      WakeReaders(false);
    }
  }
  FWalkerWake.notify_one();
}

// Under the lock, for a walker that found no descriptor free: readers
// read no more, and every folder read ahead waits again, its descriptor
// and those of the folders below it given back, so that the walk holds
// no more than it would without readers.
void TFolderReadAhead::Shed(std::unique_lock<std::mutex>& Guard) {
  FDescriptors = 0;
  FWalkerWake.wait(Guard, [this] { return FReading == 0; });
  for (auto& [Place, Folder] : FAhead) {
    if (Folder->State != TAheadFolder::TState::stRead) continue;
    DropBelow(*Folder);
    Folder->State = TAheadFolder::TState::stWaiting;
    Folder->Temporaries.clear();
    Folder->Files = {};
    Folder->Subdirectories.clear();
    Folder->Error = 0;
    --FClaimed;
  }
}

// Under the lock: the folder waits again, and readers hold no more
// descriptors than they do now.
void TFolderReadAhead::GiveBack(TAheadFolder& Folder) {
  Folder.Error = 0;
  Folder.State = TAheadFolder::TState::stWaiting;
  --FClaimed;
  --*FHeld;
  FDescriptors = std::max(0, FHeld->load());
  FWalkerWake.notify_one();
}

TFolderReader::TFolderReader(std::shared_ptr<TFolderReadAhead> ReadAhead) : FReadAhead(std::move(ReadAhead)) {
  SetPriority(TThreadPriority::tpLower);
}

}  // namespace cantrel
