// The playlist tree of a search and Make, which writes its playlists.
#include "playlist/PlayListFile.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "playlist/FolderReach.h"
#include "playlist/PlayListConsts.h"
#include "playlist/PlayListWriter.h"
#include "playlist/RelativePath.h"
#include "runtime/AtomicFile.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Locale.h"
#include "runtime/OrderedWork.h"
#include "runtime/Paths.h"
#include "runtime/ResourceStrings.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

constexpr StringView Extensions[] = {u".m3u", u".m3u8", u".xspf", u".wpl", u".pls", u".asx"};

StringView ExtensionOf(TPlayListFileFoamat Format) {
  return Format < std::size(Extensions) ? Extensions[Format] : Extensions[plM3U];
}

// The last component of a folder path that ends in "/".
String FolderName(StringView Path) {
  if (Path.empty()) return {};
  return ExtractFileName(Path.substr(0, Path.size() - 1));
}

}  // namespace

TPlayListFile::TPlayListFile() : FLines(std::make_unique<TStringList>()), FCurrent(this) {
  // Two files may differ only in case; both are kept, in the order a file
  // manager shows them.
  FLines->SetCompareFunction([](const String& A, const String& B) { return AnsiCompareText(A, B); });
  FLines->SetSorted(true);
}

TPlayListFile::~TPlayListFile() = default;

void TPlayListFile::Add(const String& Value) {
  try {
    FLines->Add(Value);
  } catch (const std::exception&) {
  }
}

void TPlayListFile::Add(int Index, const String& Value) {
  try {
    FLines->Insert(Index, Value);
  } catch (const std::exception&) {
  }
}

TPlayListFile* TPlayListFile::AddChild() {
  try {
    return InsertChild(FItems.size(), std::make_unique<TPlayListFile>(), true);
  } catch (const std::exception&) {
    return FCurrent;
  }
}

TPlayListFile* TPlayListFile::AddChild(TPlayListFile* Value) {
  if (!Value || Value->FParent || IsSelfOrAncestor(Value)) return FCurrent;
  return InsertChild(FItems.size(), std::unique_ptr<TPlayListFile>(Value), true);
}

TPlayListFile* TPlayListFile::AddChild(int Index, TPlayListFile* Value) {
  if (!Value || Value->FParent || IsSelfOrAncestor(Value) || Index < 0 || Index > ChildCount()) return FCurrent;
  return InsertChild(static_cast<std::size_t>(Index), std::unique_ptr<TPlayListFile>(Value), false);
}

bool TPlayListFile::IsSelfOrAncestor(const TPlayListFile* Node) const {
  for (const TPlayListFile* Ancestor = this; Ancestor; Ancestor = Ancestor->FParent)
    if (Ancestor == Node) return true;
  return false;
}

TPlayListFile* TPlayListFile::InsertChild(std::size_t Index, std::unique_ptr<TPlayListFile> Child, bool Appending) {
  TPlayListFile* Result = Child.get();
  FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(Index), std::move(Child));
  FSubCount = ChildCount();
  if (Appending) FSubIndex = FSubCount - 1;
  Result->FParent = this;
  FCurrent = Result;
  return Result;
}

void TPlayListFile::Delete(int Index) { FLines->Delete(Index); }

void TPlayListFile::Clear() {
  try {
    FSubCount = 0;
    FSubIndex = -1;
    FCurrent = nullptr;
    FLines->Clear();
    FTags.clear();
    FItems.clear();
  } catch (const std::exception&) {
  }
}

void TPlayListFile::Sort() {}

void TPlayListFile::Up() {
  if (FSubCount > 0)
    Child(FSubIndex)->Up();
  else
    FCurrent = FParent;
}

std::vector<std::unique_ptr<TPlayListFile>> TPlayListFile::TakeChildren() {
  std::vector<std::unique_ptr<TPlayListFile>> Result = std::move(FItems);
  FItems.clear();
  for (const auto& Child : Result) Child->FParent = nullptr;
  FSubCount = 0;
  FSubIndex = -1;
  FCurrent = this;
  return Result;
}

TPlayListFile* TPlayListFile::Last() const { return FItems.empty() ? nullptr : FItems.back().get(); }

TPlayListFile* TPlayListFile::Child(int Index) const {
  if (Index < 0 || Index >= ChildCount()) throw EListError(&SListIndexError, {Index});
  return FItems[static_cast<std::size_t>(Index)].get();
}

int TPlayListFile::GetCount() const {
  int Result = FLines->Count();
  for (const auto& Child : FItems) Result += Child->GetCount();
  return Result;
}

TMakeReport TPlayListFile::makePlayList(const String& aName, bool Recursion, bool UTF8, const TMakeOptions& Options) {
  switch (FFormat) {
    case plM3U8:
      return makePlayList_m3u(aName, Recursion, true, Options);
    case plXSPF:
      return makePlayList_xspf(aName, Recursion, UTF8, Options);
    case plWPL:
      return makePlayList_wpl(aName, Recursion, UTF8, Options);
    case plPLS:
      return makePlayList_pls(aName, Recursion, UTF8, Options);
    case plASX:
      return makePlayList_asx(aName, Recursion, true, Options);
    default:
      return makePlayList_m3u(aName, Recursion, false, Options);
  }
}

// The extension goes on the template before the folder's name is put in,
// so a folder named "Vol. 2" keeps its last piece.
String TPlayListFile::makeFileName(const String& aName) const {
  return ReplaceText(ChangeFileExt(aName, ExtensionOf(FFormat)), u"%album%", FolderName(FPath));
}

namespace {

// One writing thread a processor, for the kernel's share of writing
// (reaching folders, comparing and renaming files); up to this many once the
// writing waits for the file system, as on a network share.
constexpr int WriterThreads = 16;
// Each piece given to them holds a folder's descriptor until it is taken
// back.
constexpr std::size_t PiecesGiven = 4 * WriterThreads;
// A folder with at most this many folders in its tree (itself included) is
// written whole by one thread, the folders below reached there too: one
// hand-over for all of them.
constexpr int FoldersAPiece = 32;

int Processors() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

// Whether Node's tree holds at most Left folders; counts them down.
bool FewFolders(const TPlayListFile& Node, int& Left) {
  if (--Left < 0) return false;
  for (int I = 0; I < Node.ChildCount(); ++I)
    if (!FewFolders(*Node.Child(I), Left)) return false;
  return true;
}

}  // namespace

// One playlist as it was written, or why it was not.
struct TWrittenPlayList {
  const TPlayListFile* Node;
  String Name;
  String FileName;
  std::uint64_t Digest = PlayListDigestSeed;
  std::vector<TLeftOutEntry> LeftOut = {};
  // "Cannot create file ..." with the reason; empty when it was written.
  String Failure = {};
};

// The playlists one piece of Make wrote, in order.
struct TWrittenPlayLists {
  std::vector<TWrittenPlayList> PlayLists;
  bool Failed = false;
};

struct TMakeRun {
  // The main thread's writer: it prepares the children of the folders the
  // main thread goes through, and writes again a piece that failed.
  const TPlayListWriter& Writer;
  const String& aName;
  bool Recursion;
  const TMakeOptions& Options;
  // The folder searched: its path and its descriptor.
  String SearchRoot;
  TSharedFolder Root;
  TMakeReport Report;
  // One writer for each writing thread.
  std::vector<std::unique_ptr<TPlayListWriter>> Writers;
  // Last, so that no writing thread outlives what it uses.
  TOrderedWork Work{WriterThreads, WriterThreads - Processors(), PiecesGiven};

  using TPiece = std::function<void(const TPlayListWriter& Writer, TWrittenPlayLists& Written)>;

  // Whether Make stops here, before the next piece.
  bool Stopping() {
    if (Options.StopRequested && Options.StopRequested()) Report.Stopped = true;
    return Report.Stopped;
  }

  // Piece runs on a writing thread and is reported here, in the order the
  // pieces were given. Only the main thread translates, so a piece in which
  // anything failed is written here once more, to say why in the user's
  // language: a failed replacement left its file as it was, and a playlist
  // written already is found holding its bytes and left alone.
  void Give(TPiece Piece) {
    auto Written = std::make_shared<TWrittenPlayLists>();
    Work.Add([this, Piece, Written](int Worker) { Piece(*Writers[static_cast<std::size_t>(Worker)], *Written); },
             [this, Piece, Written] {
               if (Written->Failed) {
                 *Written = {};
                 Piece(Writer, *Written);
               }
               ReportWritten(*Written);
             });
  }

  void ReportWritten(const TWrittenPlayLists& Written) {
    for (const TWrittenPlayList& PlayList : Written.PlayLists) {
      if (!PlayList.Failure.empty()) {
        Report.Failures.push_back({PlayList.FileName, PlayList.Failure});
        continue;
      }
      if (Options.OnWritten) Options.OnWritten(*PlayList.Node, PlayList.Name, PlayList.Digest);
      for (const TLeftOutEntry& Entry : PlayList.LeftOut)
        Report.LeftOut.push_back({PlayList.FileName, Entry.Entry, LoadResString(Entry.Reason)});
    }
  }
};

namespace {

// Node's folder, from the folder of the node above it (at FromPath) when it
// lies below that one, else from the folder searched; a folder outside the
// folder searched is not reached at all.
TReachedFolder ReachFolder(const TMakeRun& Run, StringView FromPath, const TReachedFolder& From,
                           const TPlayListFile& Node) {
  if (!From.Unreached.empty()) return {{}, -1, {}, From.Unreached};
  if (const auto Pieces = DescendingPieces(GetRelativePath(FromPath, Node.Path())))
    return OpenBelow(From.Handle, From.BelowRoot, *Pieces, Node.FolderIdentity());
  if (const auto Pieces = DescendingPieces(GetRelativePath(Run.SearchRoot, Node.Path())))
    return OpenBelow(Run.Root->Get(), {}, *Pieces, Node.FolderIdentity());
  return {{}, -1, {}, Format(LoadResString(&SFileOutside), {Run.SearchRoot})};
}

}  // namespace

TMakeReport TPlayListFile::Make(const TPlayListWriterMaker& NewWriter, const String& aName, bool Recursion,
                                const TMakeOptions& Options) {
  const std::unique_ptr<TPlayListWriter> Writer = NewWriter();
  TMakeRun Run{*Writer, aName, Recursion, Options, Options.SearchRoot.empty() ? FPath : Options.SearchRoot,
               Options.Folder, {}, {}};
  for (int I = 0; I < WriterThreads; ++I) Run.Writers.push_back(NewWriter());
  TReachedFolder Root;
  if (!Run.Root) {
    TFileHandle Opened = OpenFolder(SystemFileName(Run.SearchRoot));
    if (Opened.Valid())
      Run.Root = std::make_shared<const TFileHandle>(std::move(Opened));
    else
      Root.Unreached = SysErrorMessage(errno);
  }
  if (Run.Root) Root.Handle = Run.Root->Get();
  WritePlayList(Run, std::make_shared<const TReachedFolder>(ReachFolder(Run, Run.SearchRoot, Root, *this)));
  Run.Work.Finish();
  if (!Run.Report.Failures.empty()) throw EMakeError(std::move(Run.Report));
  return std::move(Run.Report);
}

// Children first. The main thread goes through the large trees, each small
// one is a piece of its own, and so is the playlist of each folder the main
// thread went through. Each folder's descriptor is kept while the folders
// below it are reached, and then by the pieces that need it.
void TPlayListFile::WritePlayList(TMakeRun& Run, const std::shared_ptr<const TReachedFolder>& Folder) {
  if (Run.Recursion) {
    for (const auto& Child : FItems) {
      Run.Writer.PrepareChild(*this, *Child);
      if (Run.Options.Chosen && !Run.Options.Chosen(*Child)) continue;
      if (Run.Stopping()) return;
      if (int Left = FoldersAPiece; !Run.Options.Chosen && FewFolders(*Child, Left))
        Run.Give([&Run, this, Folder, Node = Child.get()](const TPlayListWriter& Writer, TWrittenPlayLists& Written) {
          Node->WriteTree(Run, Writer, ReachFolder(Run, FPath, *Folder, *Node), Written);
        });
      else
        Child->WritePlayList(Run, std::make_shared<const TReachedFolder>(ReachFolder(Run, FPath, *Folder, *Child)));
      if (Run.Report.Stopped) return;
    }
  }
  if (Run.Stopping()) return;
  Run.Give([&Run, this, Folder](const TPlayListWriter& Writer, TWrittenPlayLists& Written) {
    WriteOwnPlayList(Writer, Run, *Folder, Written);
  });
}

// The playlists of the node's tree, children first, on the calling thread.
// The folders' descriptors are kept while the folders below are written.
void TPlayListFile::WriteTree(const TMakeRun& Run, const TPlayListWriter& Writer, const TReachedFolder& Folder,
                              TWrittenPlayLists& Written) {
  for (const auto& Child : FItems) {
    Writer.PrepareChild(*this, *Child);
    Child->WriteTree(Run, Writer, ReachFolder(Run, FPath, Folder, *Child), Written);
  }
  WriteOwnPlayList(Writer, Run, Folder, Written);
}

void TPlayListFile::WriteOwnPlayList(const TPlayListWriter& Writer, const TMakeRun& Run, const TReachedFolder& Folder,
                                     TWrittenPlayLists& Written) const {
  TWrittenPlayList& PlayList = Written.PlayLists.emplace_back(TWrittenPlayList{this, makeFileName(Run.aName), {}});
  PlayList.FileName = FPath + PlayList.Name;
  if (!Folder.Unreached.empty()) {
    PlayList.Failure = cantrel::Format(LoadResString(&SFCreateErrorEx), {PlayList.FileName, Folder.Unreached});
    Written.Failed = true;
    return;
  }
  try {
    TFileReplacement File(PlayList.FileName, {Run.Root->Get(), Run.SearchRoot, Folder.Handle, Folder.BelowRoot,
                                              SystemFileName(PlayList.Name)});
    const TEntryListing Listing{Run.Recursion, Run.Options.Tags, Run.Options.OrderByTags};
    // The digest costs a fifth of the writing; only those told of each
    // playlist need it.
    const bool Digesting = static_cast<bool>(Run.Options.OnWritten);
    Writer.Write(
        *this, Listing, PlayList.FileName,
        [&File, &PlayList, Digesting](std::string_view Bytes) {
          File.Write(Bytes);
          if (Digesting) PlayList.Digest = PlayListDigest(PlayList.Digest, Bytes);
        },
        PlayList.LeftOut);
    File.Commit();
  } catch (const EFCreateError& Error) {
    PlayList.Failure = Error.Message();
    Written.Failed = true;
  }
  RemoveStaleTemporaries(Folder.Handle, FTemporaries);
}

}  // namespace cantrel
