// One search from Find to Make, shared by the window and cantrel-cli.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "filesearch/FileEnumerator.h"
#include "playlist/PlayListFile.h"
#include "runtime/DateTime.h"

namespace cantrel {

class TTagReading;

// What Find searches with: the filter text as shown (its masks are taken
// from it), the folder, whether sub-folders are searched, whether links to
// folders are walked into, and the minimum file size of the settings (handed
// on, not applied).
struct TFindOptions {
  String FilterText;
  String Folder;
  // The folder as the caller opened it (following links); unset, Find
  // opens Folder itself. The search walks it and Make writes into it by
  // this descriptor, whatever Folder leads to meanwhile.
  TSharedFolder OpenedFolder;
  bool Recursion = true;
  bool FollowLinks = false;
  std::int32_t MinSize = 102400;
  // Make's entries carry titles, artists and lengths from the files' tags.
  bool Tags = false;
  // Make lists each folder's files in album order (TrackOrder).
  bool OrderByTags = false;
  // With either, the tags are read folder by folder while the walk goes on,
  // by this many threads at once, through the tag cache unless TagCache is
  // false.
  int TagReaders = 16;
  bool TagCache = true;
};

// A folder the walk could not list, and the system's text for why.
struct TUnreadableFolder {
  String Path;
  String Message;
};

// What Make writes from the tree: the file name template ("%album%" is each
// folder's name), the format, whether the folders below get playlists too,
// and the "UTF8BOM" box.
struct TMakeRequest {
  String NameTemplate;
  TPlayListFileFoamat Format = plM3U;
  bool Recursion = true;
  bool UTF8BOM = false;
  // Asked before each playlist; true stops Make there, with every playlist
  // written so far complete. It may read a flag a signal handler sets.
  std::function<bool()> StopRequested;
  // Told of each playlist written (TMakeOptions::OnWritten).
  std::function<void(const TPlayListFile&, const String& Name, std::uint64_t Digest)> OnWritten;
};

// Whether Make can write something sound from the tree: only once the last
// search has come to its end, neither stopped nor failed, with at least one
// file found. Anything else would replace good playlists by worse ones.
enum class TMakeAvailability : std::uint8_t {
  maAvailable,
  maNoSearch,
  maSearching,
  maSearchStopped,
  maSearchFailed,
  maNothingFound,
  // The tag options chosen differ from those the last search read with.
  maTagsNotRead,
};

// Make refused: the tree is no sound picture of the folder (yet).
CANTREL_EXCEPTION(EMakeUnavailableError, Exception);
// Make refused because the last search failed.
CANTREL_EXCEPTION(ESearchFailedError, EMakeUnavailableError);

// Find without its window: prepares the enumerator, and builds the playlist
// tree from the search's reports, one node per folder entered holding the
// names of its own files. The window and the command line both use it.
// One search runs at a time: no report of an earlier one reaches the tree,
// the caller or the handlers after the next Find or End.
class TSearchSession {
public:
  using TTagsProgressEvent = std::function<void(int Read, int Total)>;

  explicit TSearchSession(TPlayListFile& Root);
  ~TSearchSession();
  TSearchSession(const TSearchSession&) = delete;
  TSearchSession& operator=(const TSearchSession&) = delete;

  // Ends the search that runs (End), then clears the tree, gives its root
  // the folder's path, opens the folder, sets the enumerator's options and
  // starts the task, answering its id. Reports then reach EnterDirectory
  // and FileFound through the enumerator's events and Handler. A folder
  // that cannot be opened, or a task that cannot start, fails the search at
  // once and raises (the folder's case ESearchFailedError with the system's
  // reason), which Failure() keeps. The enumerator serves this session
  // alone and outlives its searches.
  int Find(TFileEnumerator& Enumerator, const TFindOptions& Options, TFileHandlerEx Handler);
  // Ends the search for good, as a stopped one: once it returns, none of
  // its reports runs any more, the end report included, and its threads
  // have ended or are left to end on their own.
  void End();
  // Empties the tree and starts the count and the clock of a new search,
  // which runs until Terminated.
  void Start();

  // A folder entered: answers its node, or nullptr when the tree has no
  // cursor (it was cleared while an older search still reports). The node
  // keeps what the walk saw of the folder, for Make.
  TPlayListFile* EnterDirectory(const String& Directory);
  TPlayListFile* EnterDirectory(const String& Directory, const TEnteredDirectory& Entered);
  // A file found: adds its name to its folder's node and answers the line
  // that lists it, relative to ShownFolder, until the next file.
  const String& FileFound(const String& Directory, const TSearchRec& FileInfo, const String& ShownFolder);
  // A folder the walk could not list: it has no node. One below the folder
  // searched is remembered, and the answer is true; the folder searched
  // itself fails the search with Message, the system's reason, and the
  // answer is false.
  bool DirectoryError(const String& Directory, const String& Message);
  // The end report of the walk: Aborted when it was stopped, Failure the
  // message of the error that ended it early. Answers whether the search
  // has ended; a Find with a tag option reads the tags of each folder's
  // files while the walk goes on and, after a walk that came to its end
  // with files found, reports OnTagsProgress until the last are read and
  // OnSearchEnd once every node holds its files' tags.
  bool Terminated(bool Aborted, const std::optional<String>& Failure);
  void SetOnTagsProgress(TTagsProgressEvent Value) { FOnTagsProgress = std::move(Value); }
  void SetOnSearchEnd(std::function<void()> Value) { FOnSearchEnd = std::move(Value); }
  // Hears the tag cache's one warning of a run (translated), before the
  // search ends.
  void SetOnTagCacheWarning(std::function<void(const String&)> Value) { FOnTagCacheWarning = std::move(Value); }
  // The rows the last search wrote into the tag cache.
  std::int64_t TagCacheRowsWritten() const;
  // The tag options the next Make would write with (the window's menu);
  // while they differ from the last Find's, Make is not available.
  void ChooseTagOptions(bool Tags, bool OrderByTags);

  TMakeAvailability MakeAvailability() const;
  // Why Make is not available, translated ("Press Find first.", "The search
  // is still running.", "The last search found no file.", "The last search
  // failed. Press Find again."); empty when it is.
  String MakeUnavailableReason() const;

  // Writes the playlists of the tree as Make does: every playlist that can
  // be written is, and the report holds every one that could not be, every
  // name left out and whether Make stopped. Where Make is not available it
  // writes nothing and raises EMakeUnavailableError with the reason
  // (ESearchFailedError after a failed search), so a partial or empty tree
  // never replaces good playlists.
  TMakeReport Make(const TMakeRequest& Request);

  int DirCount() const { return FDirCount; }
  // The folder of the last search as Find opened it.
  const TSharedFolder& Folder() const { return FFolder; }
  TDateTime StartTime() const { return FT0; }
  const std::vector<TUnreadableFolder>& UnreadableFolders() const { return FUnreadableFolders; }
  // The message of the error that ended the walk; empty while the search
  // runs and after one that came to its end or was stopped.
  const std::optional<String>& Failure() const { return FFailure; }

  // The status texts, translated and filled in.
  static String FilesText(int Files);
  String DirectoriesText() const;
  static String ProcessingText(const String& Directory);
  // "Search failed: %s" after a failed search, else the text of a search
  // stopped or finished.
  String EndText() const;
  static String TagsText(int Read, int Total);

private:
  struct TTagOptions {
    bool Tags = false;
    bool OrderByTags = false;
    bool operator==(const TTagOptions&) const = default;
    bool Read() const { return Tags || OrderByTags; }
  };

  TPlayListFile* ChooseNode(const String& Directory);
  void StartTagReading();
  void HandOverForTags();
  void TagsRead();

  TPlayListFile& FRoot;
  // The enumerator of the last Find.
  TFileEnumerator* FEnumerator = nullptr;
  // The folder searched as the walk reports it.
  String FSearchFolder;
  // The folder of the last search, for the Make after it.
  TSharedFolder FFolder;
  int FDirCount = 0;
  TDateTime FT0 = 0;
  bool FStarted = false;
  bool FRunning = false;
  bool FAborted = false;
  std::optional<String> FFailure;
  std::vector<TUnreadableFolder> FUnreadableFolders;
  // What the last Find read, and what Make is to write with.
  TTagOptions FFoundWith;
  TTagOptions FChosen;
  int FTagReaders = 16;
  bool FTagCache = true;
  std::unique_ptr<TTagReading> FTagReading;
  // The node the walk's files go to now, not yet handed over for its tags.
  TPlayListFile* FFilled = nullptr;
  TTagsProgressEvent FOnTagsProgress;
  std::function<void()> FOnSearchEnd;
  std::function<void(const String&)> FOnTagCacheWarning;
  // The prefix of the listed lines of the folder FileFound saw last.
  String FShownDirectory;
  String FShownFrom;
  String FShownPrefix;
  // Made anew for each file without allocating: a million files are listed.
  String FShownLine;
};

}  // namespace cantrel
