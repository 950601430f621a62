// TLibraryWatcher: the playlist tree kept current as the library changes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include "core/TagReading.h"
#include "filesearch/FolderRules.h"
#include "playlist/PlayListFile.h"
#include "watch/InotifyWatch.h"

namespace cantrel {

// What the playlists are written with, and the two times of the watch.
struct TWatchSettings {
  String NameTemplate;
  TPlayListFileFoamat Format = plM3U;
  bool Recursion = true;
  bool UTF8BOM = false;
  // Entries with titles, artists and lengths from the tags; each folder's
  // files in album order; the tags through the tag cache. With either tag
  // option, a folder read again has its files' tags read again, and a file
  // written or whose attributes changed touches its folder.
  bool Tags = false;
  bool OrderByTags = false;
  bool TagCache = true;
  // Quiet time after a change before the playlists are written.
  std::chrono::milliseconds Settle{2000};
  // How often folders that cannot be watched are read again.
  std::chrono::milliseconds Rescan{600000};
};

// What the watcher tells its owner.
struct TWatchEvents {
  // The tree is current again: how many folders were read since the last
  // time and how many playlists written.
  std::function<void(int FoldersRead, int PlayListsWritten)> OnSettled;
  // The system's limit of watches is reached: Unwatched folders are read
  // again periodically; Needed is the limit that would watch them all.
  std::function<void(int Unwatched, long Needed)> OnWatchLimit;
  // No inotify instance could be made: every folder is read again
  // periodically; Needed is the limit of instances that would do.
  std::function<void(long Needed)> OnInstanceLimit;
  // Folder lies on a file system whose changes made elsewhere are not seen.
  std::function<void(const String& Folder)> OnRemoteFolder;
  std::function<void(const String& Folder, const String& Message)> OnUnreadableFolder;
  // What writing the playlists of the changed folders reported.
  std::function<void(const TMakeReport& Report)> OnMade;
  // The tag cache's one warning of the watch (translated).
  std::function<void(const String& Message)> OnTagCacheWarning;
};

// Keeps the playlists of a search's tree current: one watch per folder,
// added before the folder is listed; the folders a change touched read
// again by the walk's rules once the tree has been quiet for the settle
// time, and only the playlists of the folders that changed and of the
// folders above them written. Main thread only.
class TLibraryWatcher {
public:
  // Root is the tree of a search of the folder open at Folder (at Root's
  // path) with Criteria, whose rules every folder is read with.
  TLibraryWatcher(TPlayListFile& Root, TSharedFolder Folder, const TFileSearchCriteria& Criteria,
                  TWatchSettings Settings, TWatchEvents Events, TInotifyWatch::TAddWatch AddWatch = {},
                  TInotifyWatch::TReadEvents ReadEvents = {});
  TLibraryWatcher(const TLibraryWatcher&) = delete;
  TLibraryWatcher& operator=(const TLibraryWatcher&) = delete;

  // Watches every folder of the tree and reads it again, so that nothing
  // that changed since the search is missed. False when the folder itself
  // can no longer be read.
  bool Attach();
  // To be told of every playlist the first Make writes (TMakeRequest::OnWritten).
  void Written(const TPlayListFile& Node, const String& Name, std::uint64_t Digest);
  // Keeps the tree current until Stopped answers true (then true) or the
  // folder itself is removed or unmounted (then false). Stopped is asked
  // whenever SIGINT or SIGTERM came.
  bool Run(const std::function<bool()>& Stopped);

  // The same for an event loop of the caller's: Begin once, then Step
  // whenever Handle is readable (EventsWaiting) or NextWake has come;
  // false once the folder itself is gone.
  void Begin(const std::function<bool()>& Stopped);
  bool Step(bool EventsWaiting);
  // The inotify descriptor, -1 without one.
  int Handle() const { return FInotify.Valid() ? FInotify.Handle() : -1; }
  // When Step is due without events; none while nothing waits.
  std::optional<std::chrono::steady_clock::time_point> NextWake() const;

private:
  using TIdentityKey = std::pair<dev_t, ino_t>;
  struct TWrittenPlayList {
    String Name;
    std::uint64_t Digest = 0;
  };
  struct TStalePlayList {
    String Folder;
    TFolderIdentity Identity;
    TWrittenPlayList PlayList;
  };

  bool ReadFolder(TPlayListFile& Node, int Folder, bool Deep);
  bool ReadFiles(TPlayListFile& Node, TDirectoryListing& Listing);
  bool ReadTags(TPlayListFile& Node, int Folder);
  bool ReadSubdirectories(TPlayListFile& Node, TDirectoryListing& Listing, bool Deep);
  std::unique_ptr<TPlayListFile> ReadNewFolder(const TFolder& Folder, int Parent);
  void Watch(const String& Path, int Folder);
  void Forget(const TPlayListFile& Node);
  bool OnRemoteFileSystem(const String& Path, int Folder);
  TPlayListFile* FindNode(const String& Path) const;
  void Drop(TPlayListFile& Node);

  void TakeEvents();
  void HandleEvent(const TWatchEvent& Event);
  bool RootRemains() const;
  void ReadTouchedFolders();
  void ReadTouchedFolder(const String& Path);
  void Settle();
  int WriteChanged();
  void RemoveStale();
  void SayLimits();

  TPlayListFile& FRoot;
  std::function<bool()> FStopped;
  TSharedFolder FFolder;
  String FRootPath;
  TFolderRules FRules;
  TFileNameMasks FMasks;
  TWatchSettings FSettings;
  TWatchEvents FEvents;
  TInotifyWatch FInotify;
  // Only with a tag option.
  std::unique_ptr<TFolderTagReader> FTagReader;
  // Each folder watched by its path, and the other way round.
  std::unordered_map<int, String> FFolderOf;
  std::unordered_map<String, int> FWatchOf;
  // Folders read again periodically: not watched, or whose changes made
  // elsewhere inotify does not see.
  std::set<String> FRescanned;
  std::set<dev_t> FRemoteDevices;
  std::set<dev_t> FLocalDevices;
  bool FAttached = false;
  bool FLimitReached = false;
  bool FLimitSaid = false;
  bool FRemoteSaid = false;
  // Folders a change touched since the last settle, and what changed.
  std::set<String> FTouched;
  std::set<String> FRead;
  std::set<String> FChanged;
  bool FOverflow = false;
  bool FRootGone = false;
  // An event touched a folder since the last settle.
  bool FHeard = false;
  // No playlist was written last time, the tree holding no file: the next
  // time every playlist is.
  bool FWriteAll = false;
  int FFoldersRead = 0;
  int FWritten = 0;
  std::optional<std::chrono::steady_clock::time_point> FSettleAt;
  std::chrono::steady_clock::time_point FRescanAt;
  // Only where the playlist's name holds the folder's name can it change.
  bool FNamesFollowFolders;
  std::map<TIdentityKey, TWrittenPlayList> FWrittenPlayLists;
  std::vector<TStalePlayList> FStale;
};

}  // namespace cantrel
