// The tags of every file a search found, read on a pool of threads once its walk has ended.
#include "core/TagReading.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
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

// One folder on the way down from the folder searched, as the walk saw it.
struct TTagStep {
  std::vector<std::string> Pieces;
  std::optional<TFolderIdentity> Identity;
};

// One folder to read: the way to it and its files' names, copied from the
// tree so that a reader never touches the tree itself. Each step is taken
// from the folder before it, so a link the walk crossed is crossed there
// again and nowhere else.
struct TTagFolder {
  std::vector<TTagStep> Way;
  bool Reachable = true;
  std::vector<String> Names;
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

// The folder at the end of Way, or one that says why it was not reached.
TReachedFolder FollowWay(int Root, const std::vector<TTagStep>& Way) {
  TReachedFolder Reached;
  Reached.Handle = Root;
  for (const TTagStep& Step : Way) {
    TReachedFolder Next = OpenBelow(Reached.Handle, {}, Step.Pieces, Step.Identity);
    if (!Next.Unreached.empty()) return Next;
    if (Next.Owned.Valid()) Reached = std::move(Next);
  }
  return Reached;
}

}  // namespace

struct TTagReading::TWork {
  TSharedFolder Root;
  bool UseCache = false;
  std::vector<TTagFolder> Folders;
  int Total = 0;
  std::atomic<std::size_t> NextFolder{0};
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
  long Read(TTagFolder& Folder, const std::function<bool()>& Stopped) {
    Folder.Tags.resize(Folder.Names.size());
    if (!Folder.Reachable) return 0;
    const TReachedFolder Reached = FollowWay(Root->Get(), Folder.Way);
    if (!Reached.Unreached.empty()) return 0;
    return ReadReached(Reached.Handle, Folder, Stopped);
  }

  // The folder's tags once it is open at Handle; answers how often reading
  // its files made the reader wait (the cache's lock and database aside).
  long ReadReached(int Handle, TTagFolder& Folder, const std::function<bool()>& Stopped) {
    struct stat Info;
    TTagCache* const Cached = OpenCache();
    if (Cached && Cached->Active() && fstat(Handle, &Info) == 0)
      return ReadThroughCache(*Cached, FolderKeyOf(Info), Handle, Folder, Stopped);
    const TWaitCount Reading(!Engaged.load(std::memory_order_relaxed));
    ReadFiles(Handle, Folder, Stopped);
    return Reading.Count();
  }

  void ReadFiles(int Handle, TTagFolder& Folder, const std::function<bool()>& Stopped) {
    for (std::size_t I = 0; I < Folder.Names.size() && !Stopped(); ++I) {
      Folder.Tags[I] = ReadMediaTags(Handle, Folder.Names[I]);
      FilesRead.fetch_add(1, std::memory_order_relaxed);
    }
  }

  // Each file's key is taken before it is read: a file that changes while
  // it is read is read again next time.
  long ReadThroughCache(TTagCache& Cache, const TFolderKey& Key, int Handle, TTagFolder& Folder,
                        const std::function<bool()>& Stopped) {
    const TFolderTags Known = Cache.Lookup(Key);
    const TWaitCount Reading(!Engaged.load(std::memory_order_relaxed));
    std::vector<TTaggedFile> Files;
    std::vector<std::size_t> Places;
    Files.reserve(Folder.Names.size());
    Places.reserve(Folder.Names.size());
    for (std::size_t I = 0; I < Folder.Names.size(); ++I) {
      if (Stopped()) return 0;
      FilesRead.fetch_add(1, std::memory_order_relaxed);
      struct stat Info;
      if (fstatat(Handle, SystemFileName(Folder.Names[I]).c_str(), &Info, 0) != 0 || !S_ISREG(Info.st_mode)) continue;
      const TFileKey FileKey = FileKeyOf(Info);
      const TMediaTags* const Hit = Known.Find(FileKey);
      Files.push_back({FileKey, Hit ? *Hit : ReadMediaTags(Handle, Folder.Names[I])});
      Places.push_back(I);
    }
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
    long Waits = 0;
    int Folders = 0;
    for (std::size_t Index; !Terminated() && (Index = FWork->NextFolder.fetch_add(1)) < FWork->Folders.size();) {
      Waits += FWork->Read(FWork->Folders[Index], Stopped);
      if (Waits >= WaitsToEngage)
        FWork->Engage();
      else if (++Folders == FoldersCounted)
        Folders = Waits = 0;
      if (FWork->ProgressDue()) Queue(FOnProgress, ReportsWaiting);
    }
    // Nothing is left to read: those on standby end too.
    FWork->Engage();
    if (FWork->ReadersLeft.fetch_sub(1) != 1) return;
    FWork->FinishCache();
    if (!Terminated()) Queue(FOnDone, ReportsWaiting);
  }

  void TerminateRequested() override { FWork->Engage(); }

private:
  const std::shared_ptr<TTagReading::TWork> FWork;
  const bool FStandby;
  const std::function<void()> FOnProgress;
  const std::function<void()> FOnDone;
};

}  // namespace

TTagReading::TTagReading(TPlayListFile& Root, TSharedFolder Folder, int Threads, TProgressEvent OnProgress,
                         TDoneEvent OnDone, bool UseCache)
    : FWork(std::make_shared<TWork>()), FOnProgress(std::move(OnProgress)), FOnDone(std::move(OnDone)) {
  FWork->Root = std::move(Folder);
  FWork->UseCache = UseCache;
  const std::function<void(TPlayListFile&)> Collect = [&](TPlayListFile& Node) {
    if (Node.Items().Count() > 0) {
      TTagFolder Work;
      FindWay(Root, Node, Work);
      Work.Names.reserve(static_cast<std::size_t>(Node.Items().Count()));
      for (int I = 0; I < Node.Items().Count(); ++I) Work.Names.push_back(Node.Items().At(I));
      FWork->Total += Node.Items().Count();
      FWork->Folders.push_back(std::move(Work));
      FNodes.push_back(&Node);
    }
    for (int I = 0; I < Node.ChildCount(); ++I) Collect(*Node.Child(I));
  };
  Collect(Root);
  const int Count = std::max(1, std::min(Threads, static_cast<int>(FWork->Folders.size())));
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

int TTagReading::Total() const { return FWork->Total; }

// Read by the main thread only once the last reader has handed Done over.
const std::vector<String>& TTagReading::CacheWarnings() const { return FWork->Warnings; }

std::int64_t TTagReading::CacheRowsWritten() const { return FWork->RowsWritten; }

void TTagReading::Progress() {
  if (!FDone && FOnProgress) FOnProgress(FWork->FilesRead.load(std::memory_order_relaxed), FWork->Total);
}

// Every reader has ended its work, so the results are the main thread's,
// and the copied names are no longer needed.
void TTagReading::Done() {
  FDone = true;
  for (std::size_t I = 0; I < FNodes.size(); ++I) FNodes[I]->SetTags(std::move(FWork->Folders[I].Tags));
  std::vector<TTagFolder>().swap(FWork->Folders);
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
  Work.Names = Names;
  Work.Tags.resize(Names.size());
  FWork->ReadReached(Folder, Work, [] { return false; });
  for (const String& Warning : std::exchange(FWork->Warnings, {}))
    if (FOnCacheWarning) FOnCacheWarning(Warning);
  return std::move(Work.Tags);
}

void TFolderTagReader::Commit() {
  if (FWork->Cache) FWork->Cache->Commit();
}

}  // namespace cantrel
