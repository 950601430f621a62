// The tags of every file a search found, read on a pool of threads while its walk goes on.
#include "core/TagReading.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "playlist/FolderReach.h"
#include "playlist/RelativePath.h"
#include "runtime/Paths.h"
#include "tags/TagCache.h"
#include "tags/TagReader.h"

namespace cantrel {

namespace {

constexpr auto ProgressInterval = std::chrono::milliseconds(100);
// A reader waits while this many of its reports wait for the main thread.
constexpr std::size_t ReportsWaiting = 2;
// Readers beyond one a processor join once a reader's files of this many
// folders in a row waited for the file system this often.
constexpr int FoldersCounted = 16;
constexpr long WaitsToEngage = 8;
constexpr std::chrono::microseconds SlowFolder{250};

// One folder on the way down from the folder searched, as the walk saw it.
struct TTagStep {
  std::vector<std::string> Pieces;
  std::optional<TFolderIdentity> Identity;
};

// A folder's file names as the system spells them, in one buffer: a string
// each cost the main thread as much as the walk's report of the file.
class TSystemNames {
public:
  void Add(StringView Name) {
    AppendStringAsUtf8(FNames, Name);
    FNames.push_back('\0');
    ++FCount;
  }
  std::size_t Count() const { return FCount; }
  // Each name in turn; a file name holds no NUL.
  template <typename TVisit>
  void ForEach(TVisit Visit) const {
    const char* Name = FNames.data();
    for (std::size_t I = 0; I < FCount; ++I, Name += std::strlen(Name) + 1)
      if (!Visit(I, Name)) return;
  }

private:
  std::string FNames;
  std::size_t FCount = 0;
};

// One folder to read: the way to it and its files' names, copied from the
// tree so that a reader never touches the tree itself. Each step is taken
// from the folder before it, so a link the walk crossed is crossed there
// again and nowhere else.
struct TTagFolder {
  std::vector<TTagStep> Way;
  bool Reachable = true;
  TSystemNames Names;
  std::vector<TMediaTags> Tags;
};

// How often the calling thread waited since it was made; when not
// counting, it costs no call.
class TWaitCount {
public:
  explicit TWaitCount(bool Counting) : FStart(Counting ? ThreadWaits() : -1) {}
  long Count() const { return FStart < 0 ? 0 : ThreadWaits() - FStart; }

private:
  long FStart;
};

// The way from Root down to Node; unreachable when Node lies elsewhere.
void FindWay(const TPlayListFile& Root, const TPlayListFile& Node, TTagFolder& Folder) {
  for (const TPlayListFile* Step = &Node; Step != &Root; Step = Step->Parent()) {
    const TPlayListFile* const Above = Step->Parent();
    std::optional<std::vector<std::string>> Pieces;
    if (Above) Pieces = DescendingPieces(GetRelativePath(Above->Path(), Step->Path()));
    if (!Pieces) {
      Folder.Reachable = false;
      return;
    }
    Folder.Way.push_back({std::move(*Pieces), Step->FolderIdentity()});
  }
  std::reverse(Folder.Way.begin(), Folder.Way.end());
}

bool SameStep(const TTagStep& A, const TTagStep& B) {
  const auto Same = [](const TFolderIdentity& X, const TFolderIdentity& Y) {
    return X.Device == Y.Device && X.Inode == Y.Inode && X.ThroughLink == Y.ThroughLink;
  };
  return A.Pieces == B.Pieces && A.Identity.has_value() == B.Identity.has_value() &&
         (!A.Identity || Same(*A.Identity, *B.Identity));
}

// The folders a reader went down to last, kept open: the next folder, most
// often a neighbour, is reached from where the two ways part rather than
// from the folder searched.
class TOpenWay {
public:
  explicit TOpenWay(int Root) : FRoot(Root) {}

  // The folder at the end of Way, or -1 when it cannot be reached or is no
  // longer the folder the walk saw.
  int Follow(const std::vector<TTagStep>& Way) {
    std::size_t Kept = 0;
    while (Kept < FSteps.size() && Kept < Way.size() && SameStep(FSteps[Kept].Step, Way[Kept])) ++Kept;
    FSteps.erase(FSteps.begin() + static_cast<std::ptrdiff_t>(Kept), FSteps.end());
    for (std::size_t I = Kept; I < Way.size(); ++I) {
      TReachedFolder Next = OpenBelow(Handle(), {}, Way[I].Pieces, Way[I].Identity);
      if (!Next.Unreached.empty()) return -1;
      FSteps.push_back({Way[I], std::move(Next.Owned), Next.Handle});
    }
    return Handle();
  }

  // Gives the descriptors back, for a reader that waits.
  void Close() { FSteps.clear(); }

private:
  struct TOpenStep {
    TTagStep Step;
    TFileHandle Owned;
    int Handle;
  };

  int Handle() const { return FSteps.empty() ? FRoot : FSteps.back().Handle; }

  int FRoot;
  std::vector<TOpenStep> FSteps;
};

// The cache's key of the folder open at Handle: the walk's identity once
// the folder was checked against it, else its own.
std::optional<TFolderKey> KeyOfFolder(int Handle, const std::optional<TFolderIdentity>& Identity) {
  if (Identity) return TFolderKey{Identity->Device, Identity->Inode};
  struct stat Info;
  if (fstat(Handle, &Info) != 0) return std::nullopt;
  return FolderKeyOf(Info);
}

}  // namespace

struct TTagReading::TWork {
  TSharedFolder Root;
  bool UseCache = false;
  // The folders handed over so far, in walk order; the readers take them
  // one after another. A folder stays where it is until Done.
  std::mutex QueueLock;
  std::condition_variable QueueWake;
  std::deque<TTagFolder> Folders;
  std::size_t NextFolder = 0;
  bool Closed = false;
  std::atomic<int> FilesRead{0};
  std::atomic<int> ReadersLeft{0};
  std::atomic<std::chrono::steady_clock::rep> LastProgress{0};
  // Opened by the first reader that needs it; finished by the last one.
  std::once_flag CacheOpened;
  std::unique_ptr<TTagCache> Cache;
  std::mutex WarningsLock;
  std::vector<String> Warnings;
  std::int64_t RowsWritten = 0;
  // Readers beyond one a processor wait until reading waited for the file
  // system (files not in the page cache, a share): with files at hand the
  // work is the processors', and more readers only queue for the cache.
  std::mutex EngageLock;
  std::condition_variable EngageWake;
  std::atomic<bool> Engaged{false};

  void Add(TTagFolder Folder) {
    {
      const std::lock_guard Guard(QueueLock);
      Folders.push_back(std::move(Folder));
    }
    QueueWake.notify_one();
  }

  void Close() {
    {
      const std::lock_guard Guard(QueueLock);
      Closed = true;
    }
    QueueWake.notify_all();
  }

  // The next folder to read; nullptr when none waits and Wait is false, or
  // once every folder was taken and none will come, or Stopped answers true.
  TTagFolder* Next(const std::function<bool()>& Stopped, bool Wait) {
    std::unique_lock Guard(QueueLock);
    if (Wait) QueueWake.wait(Guard, [&] { return NextFolder < Folders.size() || Closed || Stopped(); });
    if (NextFolder == Folders.size() || Stopped()) return nullptr;
    return &Folders[NextFolder++];
  }

  // Wakes the readers that wait, for one that is to stop. Taking the lock
  // first, none can be between asking whether it stops and waiting.
  void Wake() {
    { const std::lock_guard Guard(QueueLock); }
    QueueWake.notify_all();
    Engage();
  }

  void Engage() {
    if (Engaged.load(std::memory_order_relaxed)) return;
    {
      const std::lock_guard Guard(EngageLock);
      Engaged = true;
    }
    EngageWake.notify_all();
  }

  // Waits until the reader is needed, the work is done or Stopped answers true.
  void AwaitEngaged(const std::function<bool()>& Stopped) {
    std::unique_lock Guard(EngageLock);
    EngageWake.wait(Guard, [&] { return Engaged || Stopped(); });
  }

  TTagCache* OpenCache() {
    if (!UseCache) return nullptr;
    std::call_once(CacheOpened, [this] {
      TTagCacheOptions Options;
      Options.OnWarning = [this](const String& Message) {
        const std::lock_guard Guard(WarningsLock);
        Warnings.push_back(Message);
      };
      Cache = std::make_unique<TTagCache>(std::move(Options));
    });
    return Cache.get();
  }

  void FinishCache() {
    if (!Cache) return;
    Cache->Finish();
    RowsWritten = Cache->RowsWritten();
  }

  // Whether a progress report is due, claiming it for the caller.
  bool ProgressDue() {
    const auto Time = std::chrono::steady_clock::now().time_since_epoch().count();
    auto Last = LastProgress.load(std::memory_order_relaxed);
    const auto Interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(ProgressInterval).count();
    return Time - Last >= Interval && LastProgress.compare_exchange_strong(Last, Time, std::memory_order_relaxed);
  }

  // Answers as ReadReached does.
  long Read(TTagFolder& Folder, TOpenWay& Way, const std::function<bool()>& Stopped, bool CountWaits) {
    Folder.Tags.resize(Folder.Names.Count());
    if (!Folder.Reachable) return 0;
    const int Handle = Way.Follow(Folder.Way);
    if (Handle < 0) return 0;
    const std::optional<TFolderIdentity> Identity = Folder.Way.empty() ? std::nullopt : Folder.Way.back().Identity;
    return ReadReached(Handle, Identity, Folder, Stopped, CountWaits);
  }

  // The folder's tags once it is open at Handle, checked against Identity
  // where the walk saw it. With CountWaits, answers how often reading its
  // files made the reader wait (the cache's lock and database aside).
  long ReadReached(int Handle, const std::optional<TFolderIdentity>& Identity, TTagFolder& Folder,
                   const std::function<bool()>& Stopped, bool CountWaits) {
    TTagCache* const Cached = OpenCache();
    if (Cached && Cached->Active())
      if (const std::optional<TFolderKey> Key = KeyOfFolder(Handle, Identity))
        return ReadThroughCache(*Cached, *Key, Handle, Folder, Stopped, CountWaits);
    const TWaitCount Reading(CountWaits);
    Folder.Names.ForEach([&](std::size_t I, const char* Name) {
      if (Stopped()) return false;
      Folder.Tags[I] = ReadMediaTags(Handle, Name);
      FilesRead.fetch_add(1, std::memory_order_relaxed);
      return true;
    });
    return Reading.Count();
  }

  // Each file's key is taken before it is read: a file that changes while
  // it is read is read again next time.
  long ReadThroughCache(TTagCache& Cache, const TFolderKey& Key, int Handle, TTagFolder& Folder,
                        const std::function<bool()>& Stopped, bool CountWaits) {
    const TFolderTags Known = Cache.Lookup(Key);
    const TWaitCount Reading(CountWaits);
    std::vector<TTaggedFile> Files;
    std::vector<std::size_t> Places;
    Files.reserve(Folder.Names.Count());
    Places.reserve(Folder.Names.Count());
    bool Complete = true;
    Folder.Names.ForEach([&](std::size_t I, const char* Name) {
      if (Stopped()) return Complete = false;
      FilesRead.fetch_add(1, std::memory_order_relaxed);
      struct stat Info;
      if (fstatat(Handle, Name, &Info, 0) != 0 || !S_ISREG(Info.st_mode)) return true;
      const TFileKey FileKey = FileKeyOf(Info);
      const TMediaTags* const Hit = Known.Find(FileKey);
      Files.push_back({FileKey, Hit ? *Hit : ReadMediaTags(Handle, Name)});
      Places.push_back(I);
      return true;
    });
    if (!Complete) return 0;
    const long FilesWaited = Reading.Count();
    Cache.Store(Known, Files);
    for (std::size_t J = 0; J < Files.size(); ++J) Folder.Tags[Places[J]] = std::move(Files[J].Tags);
    return FilesWaited;
  }
};

namespace {

class TTagReader final : public TThread {
public:
  // A reader on standby waits until the reading needs it.
  TTagReader(std::shared_ptr<TTagReading::TWork> Work, bool Standby, std::function<void()> OnProgress,
             std::function<void()> OnDone)
      : FWork(std::move(Work)), FStandby(Standby), FOnProgress(std::move(OnProgress)), FOnDone(std::move(OnDone)) {
    SetPriority(TThreadPriority::tpLower);
  }

protected:
  void Execute() override {
    const std::function<bool()> Stopped = [this] { return Terminated(); };
    if (FStandby) FWork->AwaitEngaged(Stopped);
    TOpenWay Way(FWork->Root->Get());
    while (TTagFolder* Folder = NextFolder(Way, Stopped)) {
      Read(*Folder, Way, Stopped);
      if (FWork->ProgressDue()) Queue(FOnProgress, ReportsWaiting);
    }
    Way.Close();
    // Nothing is left to read: those on standby end too.
    FWork->Engage();
    if (FWork->ReadersLeft.fetch_sub(1) != 1) return;
    FWork->FinishCache();
    if (!Terminated()) Queue(FOnDone, ReportsWaiting);
  }

  void TerminateRequested() override { FWork->Wake(); }

private:
  // A stray wait (a block the machine paged out, a busy machine) does not
  // call the readers on standby; a file system that keeps this one waiting
  // does. A folder that took long begins the count of the next ones; until
  // then no folder asks for its waits, two system calls each that a warm
  // run would pay for nothing.
  void Read(TTagFolder& Folder, TOpenWay& Way, const std::function<bool()>& Stopped) {
    const bool Counting = FCounted > 0 && !FWork->Engaged.load(std::memory_order_relaxed);
    const auto Start = std::chrono::steady_clock::now();
    const long Waits = FWork->Read(Folder, Way, Stopped, Counting);
    if (!Counting) {
      if (std::chrono::steady_clock::now() - Start >= SlowFolder) FCounted = 1;
      return;
    }
    FWaits += Waits;
    if (FWaits >= WaitsToEngage)
      FWork->Engage();
    else if (FCounted++ == FoldersCounted)
      FCounted = FWaits = 0;
  }

  // A reader that has to wait for the walk holds no folder open meanwhile.
  TTagFolder* NextFolder(TOpenWay& Way, const std::function<bool()>& Stopped) {
    if (TTagFolder* Folder = FWork->Next(Stopped, false)) return Folder;
    Way.Close();
    return FWork->Next(Stopped, true);
  }

  const std::shared_ptr<TTagReading::TWork> FWork;
  const bool FStandby;
  // Folders counted since one took long, and how often they waited.
  int FCounted = 0;
  long FWaits = 0;
  const std::function<void()> FOnProgress;
  const std::function<void()> FOnDone;
};

}  // namespace

TTagReading::TTagReading(TSharedFolder Folder, int Threads, TProgressEvent OnProgress, TDoneEvent OnDone,
                         bool UseCache)
    : FWork(std::make_shared<TWork>()), FOnProgress(std::move(OnProgress)), FOnDone(std::move(OnDone)) {
  FWork->Root = std::move(Folder);
  FWork->UseCache = UseCache;
  const int Count = std::max(1, Threads);
  FWork->ReadersLeft = Count;
  std::vector<std::shared_ptr<TThread>> Readers;
  const int Processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (int I = 0; I < Count; ++I) {
    Readers.push_back(std::make_shared<TTagReader>(FWork, I >= Processors, [this] { Progress(); }, [this] { Done(); }));
    FThreads.Add(Readers.back());
  }
  for (const std::shared_ptr<TThread>& Reader : Readers) Reader->Start();
}

TTagReading::~TTagReading() {
  FThreads.Stop();
  FThreads.Join(std::chrono::steady_clock::now() + TThreadGroup::Patience);
}

void TTagReading::Add(const TPlayListFile& Root, TPlayListFile& Node) {
  TTagFolder Work;
  FindWay(Root, Node, Work);
  for (int I = 0; I < Node.Items().Count(); ++I) Work.Names.Add(Node.Items().At(I));
  FTotal += Node.Items().Count();
  FNodes.push_back(&Node);
  FWork->Add(std::move(Work));
}

void TTagReading::Close() {
  FClosed = true;
  FWork->Close();
}

// Read by the main thread only once the last reader has handed Done over.
const std::vector<String>& TTagReading::CacheWarnings() const { return FWork->Warnings; }

std::int64_t TTagReading::CacheRowsWritten() const { return FWork->RowsWritten; }

// While the walk goes on, it reports its own progress.
void TTagReading::Progress() {
  if (FClosed && !FDone && FOnProgress) FOnProgress(FWork->FilesRead.load(std::memory_order_relaxed), FTotal);
}

// Every reader has ended its work, so the results are the main thread's,
// and the copied names are no longer needed.
void TTagReading::Done() {
  FDone = true;
  for (std::size_t I = 0; I < FNodes.size(); ++I) FNodes[I]->SetTags(std::move(FWork->Folders[I].Tags));
  std::deque<TTagFolder>().swap(FWork->Folders);
  if (FOnDone) FOnDone();
}

TFolderTagReader::TFolderTagReader(bool UseCache, std::function<void(const String&)> OnCacheWarning)
    : FWork(std::make_shared<TTagReading::TWork>()), FOnCacheWarning(std::move(OnCacheWarning)) {
  FWork->UseCache = UseCache;
}

TFolderTagReader::~TFolderTagReader() { FWork->FinishCache(); }

// A folder without files is not read at all, as TTagReading leaves it.
std::vector<TMediaTags> TFolderTagReader::Read(int Folder, const std::vector<String>& Names) {
  if (Names.empty()) return {};
  TTagFolder Work;
  for (const String& Name : Names) Work.Names.Add(Name);
  Work.Tags.resize(Names.size());
  FWork->ReadReached(Folder, std::nullopt, Work, [] { return false; }, false);
  for (const String& Warning : std::exchange(FWork->Warnings, {}))
    if (FOnCacheWarning) FOnCacheWarning(Warning);
  return std::move(Work.Tags);
}

void TFolderTagReader::Commit() {
  if (FWork->Cache) FWork->Cache->Commit();
}

}  // namespace cantrel
