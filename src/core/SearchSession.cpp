// One search from Find to Make, shared by the window and cantrel-cli.
#include "core/SearchSession.h"

#include <cerrno>

#include "core/FilterTexts.h"
#include "core/TagReading.h"
#include "filesearch/RootDirectory.h"
#include "i18n/Gettext.h"
#include "playlist/RelativePath.h"
#include "runtime/Format.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

// Directory lies below Parent when Parent, without its trailing "/", is a
// proper prefix of it that ends at a "/". The empty path of a relative
// search holds every relative folder.
bool LiesBelow(StringView Directory, StringView Parent) {
  const String Child = ExcludeTrailingPathDelimiter(Directory);
  const String Holder = ExcludeTrailingPathDelimiter(Parent);
  if (Parent.empty()) return !Child.empty() && Child.front() != PathDelim;
  return Child.size() > Holder.size() && StartsStr(Holder, Child) && Child[Holder.size()] == PathDelim;
}

bool HasSeveralParts(StringView RelativePath) { return RelativePath.find(PathDelim) != StringView::npos; }

}  // namespace

TSearchSession::TSearchSession(TPlayListFile& Root) : FRoot(Root) {}

TSearchSession::~TSearchSession() = default;

int TSearchSession::Find(TFileEnumerator& Enumerator, const TFindOptions& Options, TFileHandlerEx Handler) {
  End();
  FEnumerator = &Enumerator;
  Start();
  FFoundWith = FChosen = {Options.Tags, Options.OrderByTags};
  FTagReaders = Options.TagReaders;
  FTagCache = Options.TagCache;
  // Every playlist is named from the folder searched, even when the walk
  // cannot enter it.
  FSearchFolder = NormalizeRootDirectory(Options.Folder);
  FRoot.SetName(FSearchFolder);
  FRoot.SetPath(FSearchFolder);
  FFolder = Options.OpenedFolder;
  if (!FFolder) {
    TFileHandle Opened = OpenFolder(SystemFileName(Options.Folder));
    if (!Opened.Valid()) {
      const String Message = SysErrorMessage(errno);
      Terminated(false, Message);
      throw ESearchFailedError(Message);
    }
    FFolder = std::make_shared<const TFileHandle>(std::move(Opened));
  }
  if (FFoundWith.Read()) StartTagReading();
  Enumerator.SetFileMask(MasksOfFilter(Options.FilterText));
  Enumerator.SetIncludeSubDirectories(Options.Recursion);
  Enumerator.SetIncludeHiddenSubDirectories(Options.Recursion);
  Enumerator.SetRootDirectory(Options.Folder, FFolder);
  Enumerator.SetSubDirectoryMask(u"*");
  Enumerator.SetCaseSensitiveSearch(false);
  Enumerator.SetFollowDirectoryLinks(Options.FollowLinks);
  Enumerator.SetFileSizeMin(Options.MinSize);
  // Find reads the names alone.
  Enumerator.SetReadFileDetails(false);
  try {
    return Enumerator.ForEach(std::move(Handler));
  } catch (const Exception& Error) {
    Terminated(false, Error.Message());
    throw;
  }
}

void TSearchSession::End() {
  // A reading that is over has given the tree its tags; its last reader
  // may still be on its way out.
  if (FRunning) FTagReading.reset();
  if (FEnumerator) FEnumerator->StopAllTasks(true);
  if (FRunning) Terminated(true, std::nullopt);
}

void TSearchSession::Start() {
  FTagReading.reset();
  FFilled = nullptr;
  FRoot.Clear();
  FFolder.reset();
  FDirCount = 0;
  FT0 = Now();
  FStarted = true;
  FRunning = true;
  FAborted = false;
  FFailure.reset();
  FUnreadableFolders.clear();
}

TPlayListFile* TSearchSession::EnterDirectory(const String& Directory) {
  HandOverForTags();
  ++FDirCount;
  TPlayListFile* Node = ChooseNode(Directory);
  FFilled = Node;
  if (!Node) return nullptr;
  Node->SetName(Directory);
  Node->SetPath(Directory);
  Node->Items().Clear();
  Node->SetFolderIdentity(std::nullopt);
  Node->SetTemporaries({});
  Node->SetTags({});
  return Node;
}

TPlayListFile* TSearchSession::EnterDirectory(const String& Directory, const TEnteredDirectory& Entered) {
  TPlayListFile* Node = EnterDirectory(Directory);
  if (Node) {
    Node->SetFolderIdentity(Entered.Identity);
    Node->SetTemporaries(Entered.Temporaries);
  }
  return Node;
}

TPlayListFile* TSearchSession::ChooseNode(const String& Directory) {
  if (FDirCount == 1) {
    FRoot.SetCurrent(&FRoot);
    return &FRoot;
  }
  TPlayListFile* Cursor = FRoot.Current();
  if (!Cursor) return nullptr;
  if (LiesBelow(Directory, Cursor->Path())) {
    // Two levels below the cursor: the folder between is its latest child.
    if (HasSeveralParts(GetRelativePath(Cursor->Path(), Directory)) && Cursor->Last()) {
      Cursor = Cursor->Last();
      FRoot.SetCurrent(Cursor);
    }
    return Cursor->AddChild();
  }
  // Back up the tree: climb until the cursor's folder holds this one, so
  // every node hangs under its real parent however many levels the walk
  // came back up.
  TPlayListFile* Parent = Cursor->Parent();
  while (Parent && Parent->Parent() && !LiesBelow(Directory, Parent->Path())) Parent = Parent->Parent();
  FRoot.SetCurrent(Parent);
  return Parent ? Parent->AddChild() : nullptr;
}

const String& TSearchSession::FileFound(const String& Directory, const TSearchRec& FileInfo, const String& ShownFolder) {
  if (TPlayListFile* Cursor = FRoot.Current()) {
    TPlayListFile* Folder = Cursor->SubCount() > 0 ? Cursor->Last() : Cursor;
    Folder->Items().Add(FileInfo.Name);
  }
  // A folder's files come one after another: its line prefix is made once.
  if (Directory != FShownDirectory || ShownFolder != FShownFrom) {
    const String Relative = GetRelativePath(ShownFolder, Directory);
    FShownPrefix = Relative == u"." ? String() : Relative + PathDelim;
    FShownDirectory = Directory;
    FShownFrom = ShownFolder;
  }
  FShownLine.assign(FShownPrefix).append(FileInfo.Name);
  return FShownLine;
}

bool TSearchSession::DirectoryError(const String& Directory, const String& Message) {
  if (Directory == FSearchFolder) {
    FFailure = Message;
    return false;
  }
  FUnreadableFolders.push_back({Directory, Message});
  return true;
}

bool TSearchSession::Terminated(bool Aborted, const std::optional<String>& Failure) {
  if (Failure) FFailure = Failure;
  if (FTagReading && !Aborted && !FFailure && FRoot.Count() > 0) {
    HandOverForTags();
    FTagReading->Close();
    return false;
  }
  FTagReading.reset();
  FRunning = false;
  FAborted = Aborted;
  return true;
}

void TSearchSession::StartTagReading() {
  FTagReading = std::make_unique<TTagReading>(
      FFolder, FTagReaders,
      [this](int Read, int Total) {
        if (FOnTagsProgress) FOnTagsProgress(Read, Total);
      },
      [this] { TagsRead(); }, FTagCache);
}

// A folder's files all come before the next folder is entered: their tags
// are read while the walk goes on.
void TSearchSession::HandOverForTags() {
  if (FTagReading && FFilled && FFilled->Items().Count() > 0) FTagReading->Add(FRoot, *FFilled);
  FFilled = nullptr;
}

void TSearchSession::TagsRead() {
  FRunning = false;
  for (const String& Warning : FTagReading->CacheWarnings())
    if (FOnTagCacheWarning) FOnTagCacheWarning(Warning);
  if (FOnSearchEnd) FOnSearchEnd();
}

std::int64_t TSearchSession::TagCacheRowsWritten() const {
  return FTagReading ? FTagReading->CacheRowsWritten() : 0;
}

void TSearchSession::ChooseTagOptions(bool Tags, bool OrderByTags) { FChosen = {Tags, OrderByTags}; }

TMakeAvailability TSearchSession::MakeAvailability() const {
  if (!FStarted) return TMakeAvailability::maNoSearch;
  if (FRunning) return TMakeAvailability::maSearching;
  if (FFailure) return TMakeAvailability::maSearchFailed;
  if (FAborted) return TMakeAvailability::maSearchStopped;
  if (FRoot.Count() == 0) return TMakeAvailability::maNothingFound;
  if (FChosen != FFoundWith) return TMakeAvailability::maTagsNotRead;
  return TMakeAvailability::maAvailable;
}

String TSearchSession::MakeUnavailableReason() const {
  switch (MakeAvailability()) {
    case TMakeAvailability::maAvailable: return {};
    case TMakeAvailability::maSearching: return gettext(u"The search is still running.");
    case TMakeAvailability::maSearchFailed: return gettext(u"The last search failed. Press Find again.");
    case TMakeAvailability::maNothingFound: return gettext(u"The last search found no file.");
    case TMakeAvailability::maTagsNotRead: return gettext(u"Press Find again to read the tags.");
    // A stopped search left part of the folder unsearched: as good as none.
    case TMakeAvailability::maNoSearch:
    case TMakeAvailability::maSearchStopped: break;
  }
  return gettext(u"Press Find first.");
}

TMakeReport TSearchSession::Make(const TMakeRequest& Request) {
  switch (MakeAvailability()) {
    case TMakeAvailability::maAvailable: break;
    case TMakeAvailability::maSearchFailed: throw ESearchFailedError(MakeUnavailableReason());
    default: throw EMakeUnavailableError(MakeUnavailableReason());
  }
  FRoot.SetFormat(Request.Format);
  FRoot.SetUTF8BOM(Request.UTF8BOM);
  TMakeOptions Options;
  Options.Folder = FFolder;
  Options.StopRequested = Request.StopRequested;
  Options.OnWritten = Request.OnWritten;
  Options.Tags = FFoundWith.Tags;
  Options.OrderByTags = FFoundWith.OrderByTags;
  try {
    return FRoot.makePlayList(Request.NameTemplate, Request.Recursion, Request.UTF8BOM, Options);
  } catch (const EMakeError& Error) {
    return Error.Report();
  }
}

String TSearchSession::FilesText(int Files) { return Format(gettext(u"%d files"), {Files}); }

String TSearchSession::DirectoriesText() const { return Format(gettext(u"%d directories"), {FDirCount}); }

String TSearchSession::ProcessingText(const String& Directory) {
  return Format(gettext(u"Processing %s..."), {Directory});
}

String TSearchSession::TagsText(int Read, int Total) {
  return Format(gettext(u"Reading tags: %d of %d"), {Read, Total});
}

String TSearchSession::EndText() const {
  if (FFailure) return Format(gettext(u"Search failed: %s"), {*FFailure});
  if (FAborted) return gettext(u"Prematurely aborted.");
  return Format(gettext(u"...finished (%f seconds)."), {(Now() - FT0) * 86400.0});
}

}  // namespace cantrel
