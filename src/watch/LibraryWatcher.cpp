// TLibraryWatcher: the playlist tree kept current as the library changes.
#include "watch/LibraryWatcher.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>

#include "filesearch/FileSearchCriteria.h"
#include "playlist/FolderReach.h"
#include "playlist/RelativePath.h"
#include "runtime/AtomicFile.h"
#include "runtime/Exceptions.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

// File systems whose changes made by other machines inotify never sees.
constexpr long CifsMagic = 0xFF534D42;
constexpr long Smb2Magic = 0xFE534D42;
constexpr long FuseMagic = 0x65735546;

bool IsRemoteFileSystem(long Type) {
  return Type == NFS_SUPER_MAGIC || Type == SMB_SUPER_MAGIC || Type == CifsMagic || Type == Smb2Magic ||
         Type == FuseMagic;
}

long ReadLimit(const char* Path) {
  std::ifstream File(Path);
  long Value = 0;
  File >> Value;
  return Value;
}

std::optional<TFolderIdentity> IdentityAt(int Parent, const std::string& Name) {
  struct stat Info {};
  if (fstatat(Parent, Name.c_str(), &Info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return TFolderIdentity{Info.st_dev, Info.st_ino, false};
}

bool SameFolder(const std::optional<TFolderIdentity>& A, const std::optional<TFolderIdentity>& B) {
  return A && B && A->Device == B->Device && A->Inode == B->Inode;
}

std::vector<String> NamesOf(const TPlayListFile& Node) {
  std::vector<String> Names;
  for (int I = 0; I < Node.Items().Count(); ++I) Names.push_back(Node.Items().At(I));
  return Names;
}

std::optional<std::uint64_t> DigestOfFile(int Folder, const std::string& Name) {
  TFileHandle File(openat(Folder, Name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!File.Valid()) return std::nullopt;
  std::uint64_t Digest = PlayListDigestSeed;
  char Buffer[64 * 1024];
  for (ssize_t Read; (Read = read(File.Get(), Buffer, sizeof Buffer)) != 0;) {
    if (Read < 0) return std::nullopt;
    Digest = PlayListDigest(Digest, std::string_view(Buffer, static_cast<std::size_t>(Read)));
  }
  return Digest;
}

}  // namespace

TLibraryWatcher::TLibraryWatcher(TPlayListFile& Root, TSharedFolder Folder, const TFileSearchCriteria& Criteria,
                                 TWatchSettings Settings, TWatchEvents Events, TInotifyWatch::TAddWatch AddWatch,
                                 TInotifyWatch::TReadEvents ReadEvents)
    : FRoot(Root),
      FFolder(std::move(Folder)),
      FRootPath(Root.Path()),
      FRules(Criteria),
      FMasks(Criteria.GetFileMasks(), Criteria.GetCaseSensitiveSearch()),
      FSettings(std::move(Settings)),
      FEvents(std::move(Events)),
      FInotify(FSettings.Tags || FSettings.OrderByTags, std::move(AddWatch), std::move(ReadEvents)),
      FNamesFollowFolders(PosText(u"%album%", FSettings.NameTemplate) != String::npos) {
  if (FSettings.Tags || FSettings.OrderByTags)
    FTagReader = std::make_unique<TFolderTagReader>(FSettings.TagCache, [this](const String& Message) {
      if (FEvents.OnTagCacheWarning) FEvents.OnTagCacheWarning(Message);
    });
}

bool TLibraryWatcher::Attach() {
  if (!FInotify.Valid() && FEvents.OnInstanceLimit)
    FEvents.OnInstanceLimit(ReadLimit("/proc/sys/fs/inotify/max_user_instances") + 1);
  const bool Read = ReadFolder(FRoot, FFolder->Get(), true);
  FChanged.clear();
  FWriteAll = FRoot.Count() == 0;
  FRescanAt = std::chrono::steady_clock::now() + FSettings.Rescan;
  FAttached = true;
  if (FTagReader) FTagReader->Commit();
  SayLimits();
  return Read;
}

// The events of each playlist are taken as it is written: those of
// thousands written at once would overflow the kernel's queue.
void TLibraryWatcher::Written(const TPlayListFile& Node, const String& Name, std::uint64_t Digest) {
  ++FWritten;
  TakeEvents();
  const std::optional<TFolderIdentity>& Identity = Node.FolderIdentity();
  if (!FNamesFollowFolders || !Identity) return;
  TWrittenPlayList& Kept = FWrittenPlayLists[{Identity->Device, Identity->Inode}];
  if (!Kept.Name.empty() && Kept.Name != Name) FStale.push_back({Node.Path(), *Identity, Kept});
  Kept = {Name, Digest};
}

// A folder is watched before it is listed: whatever is created meanwhile
// comes as an event.
bool TLibraryWatcher::ReadFolder(TPlayListFile& Node, int Folder, bool Deep) {
  Watch(Node.Path(), Folder);
  TDirectoryListing Listing;
  if (!Listing.Open(Folder, ".", true)) {
    // The search has told of those it could not read.
    if (FAttached && FEvents.OnUnreadableFolder)
      FEvents.OnUnreadableFolder(Node.Path(), SysErrorMessage(Listing.Error()));
    return false;
  }
  ++FFoldersRead;
  FRead.insert(Node.Path());
  const bool Link = Node.FolderIdentity() && Node.FolderIdentity()->ThroughLink;
  const std::optional<TFolderIdentity> Identity = TFolderIdentity{Listing.Device(), Listing.Inode(), Link};
  bool Changed = !SameFolder(Node.FolderIdentity(), Identity);
  Node.SetFolderIdentity(Identity);
  Node.SetTemporaries(TFolderRules::Temporaries(Listing));
  Changed = ReadFiles(Node, Listing) || Changed;
  if (FRules.IncludeSubDirectories()) Changed = ReadSubdirectories(Node, Listing, Deep) || Changed;
  if (Changed) FChanged.insert(Node.Path());
  return true;
}

bool TLibraryWatcher::ReadFiles(TPlayListFile& Node, TDirectoryListing& Listing) {
  const TFoundFiles Files = FRules.PassingFiles(Listing, FRules.FileCandidates(Listing), [] { return false; });
  const std::vector<String> Before = NamesOf(Node);
  Node.Items().Clear();
  for (std::size_t Index = 0; Index < Files.Count(); ++Index) Node.Items().Add(String(Files.Name(Index)));
  const bool Renamed = NamesOf(Node) != Before;
  return (FTagReader && ReadTags(Node, Listing.Handle())) || Renamed;
}

// The tags as a run reads them: a file the cache knows in its present
// state is not opened.
bool TLibraryWatcher::ReadTags(TPlayListFile& Node, int Folder) {
  std::vector<TMediaTags> Tags = FTagReader->Read(Folder, NamesOf(Node));
  const bool Changed = Tags != Node.Tags();
  Node.SetTags(std::move(Tags));
  return Changed;
}

// Each subdirectory that is still the folder its node was made from keeps
// its node; any other is read as a new folder, with all below it.
bool TLibraryWatcher::ReadSubdirectories(TPlayListFile& Node, TDirectoryListing& Listing, bool Deep) {
  std::vector<std::unique_ptr<TPlayListFile>> Before = Node.TakeChildren();
  std::unordered_map<String, std::size_t> PlaceBefore;
  for (std::size_t I = 0; I < Before.size(); ++I) PlaceBefore[Before[I]->Path()] = I;
  bool Changed = false;
  std::size_t Place = 0;
  for (const TFolder& Subdirectory : FRules.AdmittedSubdirectories(FRootPath, Node.Path(), Listing)) {
    const auto Known = PlaceBefore.find(Subdirectory.Directory);
    const bool Same = Known != PlaceBefore.end() &&
                      SameFolder(Before[Known->second]->FolderIdentity(),
                                 IdentityAt(Listing.Handle(), Subdirectory.Name));
    std::unique_ptr<TPlayListFile> Child;
    if (Same) {
      Changed = Changed || Known->second != Place;
      Child = std::move(Before[Known->second]);
      if (Deep) {
        TFileHandle Opened(openat(Listing.Handle(), Subdirectory.Name.c_str(),
                                  O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!Opened.Valid() || !ReadFolder(*Child, Opened.Get(), true)) {
          Forget(*Child);
          Changed = true;
          continue;
        }
      }
    } else {
      Child = ReadNewFolder(Subdirectory, Listing.Handle());
      Changed = true;
      if (!Child) continue;
    }
    Node.AddChild(Child.release());
    ++Place;
  }
  for (const auto& Gone : Before) {
    if (!Gone) continue;
    Forget(*Gone);
    Changed = true;
  }
  return Changed;
}

std::unique_ptr<TPlayListFile> TLibraryWatcher::ReadNewFolder(const TFolder& Folder, int Parent) {
  TFileHandle Opened(openat(Parent, Folder.Name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!Opened.Valid()) return nullptr;
  auto Node = std::make_unique<TPlayListFile>();
  Node->SetName(Folder.Directory);
  Node->SetPath(Folder.Directory);
  if (ReadFolder(*Node, Opened.Get(), true)) return Node;
  Forget(*Node);
  return nullptr;
}

void TLibraryWatcher::Watch(const String& Path, int Folder) {
  const bool Remote = OnRemoteFileSystem(Path, Folder);
  const int Watch = FInotify.Add(Folder);
  if (Watch >= 0) {
    FFolderOf[Watch] = Path;
    FWatchOf[Path] = Watch;
  } else if (errno == ENOSPC) {
    FLimitReached = true;
  }
  if (Watch < 0 || Remote)
    FRescanned.insert(Path);
  else
    FRescanned.erase(Path);
}

// A file system's kind is asked once per device.
bool TLibraryWatcher::OnRemoteFileSystem(const String& Path, int Folder) {
  struct stat Info {};
  if (fstat(Folder, &Info) != 0 || FLocalDevices.count(Info.st_dev)) return false;
  if (FRemoteDevices.count(Info.st_dev)) return true;
  struct statfs System {};
  if (fstatfs(Folder, &System) != 0 || !IsRemoteFileSystem(static_cast<long>(System.f_type))) {
    FLocalDevices.insert(Info.st_dev);
    return false;
  }
  FRemoteDevices.insert(Info.st_dev);
  if (!FRemoteSaid && FEvents.OnRemoteFolder) FEvents.OnRemoteFolder(Path);
  FRemoteSaid = true;
  return true;
}

// A watch another path took over since (a folder moved within the tree)
// stays.
void TLibraryWatcher::Forget(const TPlayListFile& Node) {
  for (int I = 0; I < Node.ChildCount(); ++I) Forget(*Node.Child(I));
  FRescanned.erase(Node.Path());
  const auto Watched = FWatchOf.find(Node.Path());
  if (Watched == FWatchOf.end()) return;
  const auto Folder = FFolderOf.find(Watched->second);
  if (Folder != FFolderOf.end() && Folder->second == Node.Path()) {
    FInotify.Remove(Watched->second);
    FFolderOf.erase(Folder);
  }
  FWatchOf.erase(Watched);
}

TPlayListFile* TLibraryWatcher::FindNode(const String& Path) const {
  TPlayListFile* Node = &FRoot;
  while (Node->Path() != Path) {
    TPlayListFile* Next = nullptr;
    for (int I = 0; I < Node->ChildCount() && !Next; ++I) {
      const String& ChildPath = Node->Child(I)->Path();
      if (StartsStr(ChildPath, Path)) Next = Node->Child(I);
    }
    if (!Next) return nullptr;
    Node = Next;
  }
  return Node;
}

// A folder that can no longer be read leaves the tree, as the walk leaves it out.
void TLibraryWatcher::Drop(TPlayListFile& Node) {
  TPlayListFile* Parent = Node.Parent();
  std::vector<std::unique_ptr<TPlayListFile>> Children = Parent->TakeChildren();
  for (auto& Child : Children) {
    if (Child.get() == &Node)
      Forget(*Child);
    else
      Parent->AddChild(Child.release());
  }
  FChanged.insert(Parent->Path());
}

void TLibraryWatcher::Begin(const std::function<bool()>& Stopped) {
  FStopped = Stopped;
  if (FEvents.OnSettled) FEvents.OnSettled(FFoldersRead, FWritten);
  FFoldersRead = FWritten = 0;
  FRead.clear();
}

bool TLibraryWatcher::Step(bool EventsWaiting) {
  if (EventsWaiting) TakeEvents();
  if (FRootGone) return false;
  const auto Now = std::chrono::steady_clock::now();
  if (!FRescanned.empty() && Now >= FRescanAt) {
    FTouched.insert(FRescanned.begin(), FRescanned.end());
    FRescanAt = Now + FSettings.Rescan;
    FSettleAt = Now;
  }
  if (FSettleAt && Now >= *FSettleAt) {
    if (!RootRemains()) return false;
    Settle();
  }
  return true;
}

bool TLibraryWatcher::Run(const std::function<bool()>& Stopped) {
  Begin(Stopped);
  sigset_t StopSignals;
  sigemptyset(&StopSignals);
  sigaddset(&StopSignals, SIGINT);
  sigaddset(&StopSignals, SIGTERM);
  for (;;) {
    // The signals wait while Stopped is asked, and can only come during
    // the wait itself: none is lost between the two.
    sigset_t Before;
    pthread_sigmask(SIG_BLOCK, &StopSignals, &Before);
    if (Stopped()) {
      pthread_sigmask(SIG_SETMASK, &Before, nullptr);
      return true;
    }
    pollfd Events{FInotify.Handle(), POLLIN, 0};
    const auto Wake = NextWake();
    timespec Timeout{};
    if (Wake) {
      const auto Left =
          std::max(std::chrono::nanoseconds(0), std::chrono::nanoseconds(*Wake - std::chrono::steady_clock::now()));
      Timeout.tv_sec = static_cast<time_t>(Left.count() / 1000000000);
      Timeout.tv_nsec = static_cast<long>(Left.count() % 1000000000);
    }
    const int Ready = ppoll(&Events, FInotify.Valid() ? 1 : 0, Wake ? &Timeout : nullptr, &Before);
    pthread_sigmask(SIG_SETMASK, &Before, nullptr);
    if (!Step(Ready > 0 && (Events.revents & POLLIN))) return false;
  }
}

std::optional<std::chrono::steady_clock::time_point> TLibraryWatcher::NextWake() const {
  std::optional<std::chrono::steady_clock::time_point> Wake = FSettleAt;
  if (!FRescanned.empty() && (!Wake || FRescanAt < *Wake)) Wake = FRescanAt;
  return Wake;
}

void TLibraryWatcher::TakeEvents() {
  if (FInotify.Valid()) FInotify.ReadEvents([this](const TWatchEvent& Event) { HandleEvent(Event); });
}

// Only notes what the event touched: the tree is read at the settle, and
// this may run while playlists are written from it.
void TLibraryWatcher::HandleEvent(const TWatchEvent& Event) {
  if (Event.Mask & IN_Q_OVERFLOW) {
    FOverflow = true;
    FSettleAt = std::chrono::steady_clock::now() + FSettings.Settle;
    return;
  }
  const auto Folder = FFolderOf.find(Event.Watch);
  if (Folder == FFolderOf.end()) return;
  const String Path = Folder->second;
  const bool Root = Path == FRootPath;
  if (Event.Mask & IN_IGNORED) {
    FFolderOf.erase(Folder);
    FWatchOf.erase(Path);
  }
  if (Event.Mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
    FRootGone = FRootGone || (Root && !RootRemains());
    return;
  }
  if (Event.Name.empty()) return;
  // Cantrel's own temporaries and files no mask admits change nothing.
  if (!(Event.Mask & IN_ISDIR) && (IsReplacementTemporary(Utf8ToString(Event.Name)) ||
                                   !FMasks.Matches(Utf8ToString(Event.Name))))
    return;
  FTouched.insert(Path);
  FHeard = true;
  FSettleAt = std::chrono::steady_clock::now() + FSettings.Settle;
}

// The folder searched is still there, at its path, and can be listed.
bool TLibraryWatcher::RootRemains() const {
  struct stat Opened {};
  struct stat AtPath {};
  return fstat(FFolder->Get(), &Opened) == 0 && Opened.st_nlink > 0 &&
         stat(SystemFileName(FRootPath).c_str(), &AtPath) == 0 && AtPath.st_dev == Opened.st_dev &&
         AtPath.st_ino == Opened.st_ino;
}

// A rescan that found nothing changed says nothing.
void TLibraryWatcher::Settle() {
  FSettleAt.reset();
  if (FOverflow)
    ReadFolder(FRoot, FFolder->Get(), true);
  else
    ReadTouchedFolders();
  const bool Say = FHeard || FOverflow || !FChanged.empty();
  FHeard = FOverflow = false;
  FTouched.clear();
  FRead.clear();
  if (!FChanged.empty() || FWriteAll) WriteChanged();
  FChanged.clear();
  RemoveStale();
  if (FTagReader) FTagReader->Commit();
  SayLimits();
  if (Say && FEvents.OnSettled) FEvents.OnSettled(FFoldersRead, FWritten);
  FFoldersRead = FWritten = 0;
}

// Folders above first: one read again as new takes those below with it.
void TLibraryWatcher::ReadTouchedFolders() {
  for (const String& Path : FTouched)
    if (!FRead.count(Path)) ReadTouchedFolder(Path);
}

void TLibraryWatcher::ReadTouchedFolder(const String& Path) {
  TPlayListFile* Node = FindNode(Path);
  if (!Node) return;
  const auto Pieces = DescendingPieces(GetRelativePath(FRootPath, Path));
  if (!Pieces) return;
  // A folder replaced meanwhile is its parent's to read.
  const TReachedFolder Folder = OpenBelow(FFolder->Get(), {}, *Pieces, Node->FolderIdentity());
  if (!Folder.Unreached.empty()) return;
  if (!ReadFolder(*Node, Folder.Handle, false) && Node != &FRoot) Drop(*Node);
}

// The playlists of the changed folders and of all folders above them; a
// tree without any file writes none, as a search that found nothing.
int TLibraryWatcher::WriteChanged() {
  if (FRoot.Count() == 0) {
    FWriteAll = true;
    return 0;
  }
  std::set<const TPlayListFile*> Chosen;
  for (const String& Path : FChanged)
    for (const TPlayListFile* Node = FindNode(Path); Node && Chosen.insert(Node).second; Node = Node->Parent()) {
    }
  TMakeOptions Options;
  Options.SearchRoot = FRootPath;
  Options.Folder = FFolder;
  Options.Tags = FSettings.Tags;
  Options.OrderByTags = FSettings.OrderByTags;
  // A stop comes between two playlists, each written whole.
  Options.StopRequested = FStopped;
  if (!FWriteAll) Options.Chosen = [&Chosen](const TPlayListFile& Node) { return Chosen.count(&Node) > 0; };
  Options.OnWritten = [this](const TPlayListFile& Node, const String& Name, std::uint64_t Digest) {
    Written(Node, Name, Digest);
  };
  FWriteAll = false;
  FRoot.SetFormat(FSettings.Format);
  FRoot.SetUTF8BOM(FSettings.UTF8BOM);
  TMakeReport Report;
  try {
    Report = FRoot.makePlayList(FSettings.NameTemplate, FSettings.Recursion, FSettings.UTF8BOM, Options);
  } catch (const EMakeError& Error) {
    Report = Error.Report();
  }
  if (FEvents.OnMade) FEvents.OnMade(Report);
  return FWritten;
}

// A playlist named after a folder that was renamed since: removed where it
// still holds what was written.
void TLibraryWatcher::RemoveStale() {
  for (const TStalePlayList& Stale : FStale) {
    const auto Pieces = DescendingPieces(GetRelativePath(FRootPath, Stale.Folder));
    if (!Pieces) continue;
    const TReachedFolder Folder = OpenBelow(FFolder->Get(), {}, *Pieces, Stale.Identity);
    if (!Folder.Unreached.empty()) continue;
    const std::string Name = SystemFileName(Stale.PlayList.Name);
    if (DigestOfFile(Folder.Handle, Name) == Stale.PlayList.Digest) unlinkat(Folder.Handle, Name.c_str(), 0);
  }
  FStale.clear();
}

void TLibraryWatcher::SayLimits() {
  if (!FLimitReached || FLimitSaid) return;
  FLimitSaid = true;
  const int Unwatched = static_cast<int>(FRescanned.size());
  if (FEvents.OnWatchLimit)
    FEvents.OnWatchLimit(Unwatched, ReadLimit("/proc/sys/fs/inotify/max_user_watches") + Unwatched);
}

}  // namespace cantrel
