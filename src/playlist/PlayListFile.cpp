// The playlist tree of a search and Make, which writes its playlists.
#include "playlist/PlayListFile.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>

#include "playlist/FolderReach.h"
#include "playlist/PlayListConsts.h"
#include "playlist/PlayListWriter.h"
#include "playlist/RelativePath.h"
#include "runtime/AtomicFile.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Locale.h"
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

struct TMakeRun {
  const TPlayListWriter& Writer;
  const String& aName;
  bool Recursion;
  const TMakeOptions& Options;
  // The folder searched: its path and its descriptor.
  String SearchRoot;
  TSharedFolder Root;
  TMakeReport Report;
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

TMakeReport TPlayListFile::Make(const TPlayListWriter& Writer, const String& aName, bool Recursion,
                                const TMakeOptions& Options) {
  TMakeRun Run{Writer, aName, Recursion, Options, Options.SearchRoot.empty() ? FPath : Options.SearchRoot,
               Options.Folder, {}};
  TReachedFolder Root;
  if (!Run.Root) {
    TFileHandle Opened = OpenFolder(SystemFileName(Run.SearchRoot));
    if (Opened.Valid())
      Run.Root = std::make_shared<const TFileHandle>(std::move(Opened));
    else
      Root.Unreached = SysErrorMessage(errno);
  }
  if (Run.Root) Root.Handle = Run.Root->Get();
  WritePlayList(Run, ReachFolder(Run, Run.SearchRoot, Root, *this));
  if (!Run.Report.Failures.empty()) throw EMakeError(std::move(Run.Report));
  return std::move(Run.Report);
}

// Children first, each playlist streamed to its file as it is made. Each
// folder's descriptor is kept while the folders below it are written.
void TPlayListFile::WritePlayList(TMakeRun& Run, const TReachedFolder& Folder) {
  if (Run.Recursion) {
    for (const auto& Child : FItems) {
      Run.Writer.PrepareChild(*this, *Child);
      if (Run.Options.Chosen && !Run.Options.Chosen(*Child)) continue;
      Child->WritePlayList(Run, ReachFolder(Run, FPath, Folder, *Child));
      if (Run.Report.Stopped) return;
    }
  }
  if (Run.Options.StopRequested && Run.Options.StopRequested()) {
    Run.Report.Stopped = true;
    return;
  }
  WriteOwnPlayList(Run, Folder);
}

void TPlayListFile::WriteOwnPlayList(TMakeRun& Run, const TReachedFolder& Folder) {
  const String Name = makeFileName(Run.aName);
  const String FileName = FPath + Name;
  if (!Folder.Unreached.empty()) {
    const String Message = cantrel::Format(LoadResString(&SFCreateErrorEx), {FileName, Folder.Unreached});
    Run.Report.Failures.push_back({FileName, Message});
    return;
  }
  std::vector<TLeftOutName> LeftOut;
  try {
    TFileReplacement File(FileName,
                          {Run.Root->Get(), Run.SearchRoot, Folder.Handle, Folder.BelowRoot, SystemFileName(Name)});
    const TEntryListing Listing{Run.Recursion, Run.Options.Tags, Run.Options.OrderByTags};
    std::uint64_t Digest = PlayListDigestSeed;
    Run.Writer.Write(
        *this, Listing, FileName,
        [&File, &Digest](std::string_view Bytes) {
          File.Write(Bytes);
          Digest = PlayListDigest(Digest, Bytes);
        },
        LeftOut);
    File.Commit();
    if (Run.Options.OnWritten) Run.Options.OnWritten(*this, Name, Digest);
    Run.Report.LeftOut.insert(Run.Report.LeftOut.end(), LeftOut.begin(), LeftOut.end());
  } catch (const EFCreateError& Error) {
    Run.Report.Failures.push_back({FileName, Error.Message()});
  }
  RemoveStaleTemporaries(Folder.Handle, FTemporaries);
}

}  // namespace cantrel
