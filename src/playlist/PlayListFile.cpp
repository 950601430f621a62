#include "playlist/PlayListFile.h"

#include "playlist/PlayListWriter.h"
#include "playlist/RelativePath.h"
#include "runtime/AtomicFile.h"
#include "runtime/Exceptions.h"
#include "runtime/Locale.h"
#include "runtime/Paths.h"
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

// Every line, the last included, ends with CR LF.
String JoinWithCrLf(const TStrings& Lines) {
  String Text;
  for (int I = 0; I < Lines.Count(); ++I) Text.append(Lines.Get(I)).append(u"\r\n");
  return Text;
}

}  // namespace

TPlayListFile::TPlayListFile()
    : FLines(std::make_unique<TStringList>()),
      FListAll(std::make_unique<TStringList>()),
      FCurrent(this) {
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
    FListAll->Clear();
    FLines->Clear();
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

void TPlayListFile::makePlayList(const String& aName, bool Recursion, bool UTF8) {
  switch (FFormat) {
    case plM3U8:
      return makePlayList_m3u(aName, Recursion, true);
    case plXSPF:
      return makePlayList_xspf(aName, Recursion, UTF8);
    case plWPL:
      return makePlayList_wpl(aName, Recursion, UTF8);
    case plPLS:
      return makePlayList_pls(aName, Recursion, UTF8);
    case plASX:
      return makePlayList_asx(aName, Recursion, true);
    default:
      return makePlayList_m3u(aName, Recursion, false);
  }
}

String TPlayListFile::makeFileName(const String& aName) const {
  return ChangeFileExt(ReplaceText(aName, u"%album%", FolderName(FPath)), ExtensionOf(FFormat));
}

void TPlayListFile::WritePlayList(const TPlayListWriter& Writer, const String& aName, bool Recursion) {
  const String FileName = makeFileName(aName);
  TStringList& Lines = *FListAll;
  Lines.Clear();
  Writer.AddHeader(Lines, ChangeFileExt(ExtractFileName(FileName), u""));
  int Entries = 0;
  if (FLines->Count() > 0) {
    for (int I = 0; I < FLines->Count(); ++I) Writer.AddEntry(Lines, FLines->Get(I), ++Entries);
    Lines.Add(u"");
  }
  if (Recursion) {
    for (const auto& Child : FItems) {
      Writer.PrepareChild(*this, *Child);
      Child->WritePlayList(Writer, aName, Recursion);
      Entries += Writer.AddCarried(Lines, *Child, RelativePrefix(*this, *Child), Entries);
      Lines.Add(u"");
    }
  }
  Writer.AddClosing(Lines, Entries);
  RemoveTrailingEmptyLines();
  WriteFileAtomically(FPath + FileName, Writer.Encode(*this, JoinWithCrLf(Lines)));
}

void TPlayListFile::RemoveTrailingEmptyLines() {
  TStringList& Lines = *FListAll;
  if (Lines.Count() >= 2 && Lines.Get(Lines.Count() - 2).empty()) Lines.Delete(Lines.Count() - 2);
  if (Lines.Count() >= 1 && Lines.Get(Lines.Count() - 1).empty()) Lines.Delete(Lines.Count() - 1);
}

String RelativePrefix(const TPlayListFile& Node, const TPlayListFile& Child) {
  const String Relative = GetRelativePath(Node.Path(), Child.Path());
  return Relative == u"." ? String() : Relative + PathDelim;
}

void CollectEntryPaths(const TPlayListFile& Node, const String& Prefix, std::vector<String>& Paths) {
  for (int I = 0; I < Node.Items().Count(); ++I) Paths.push_back(Prefix + Node.Items().Get(I));
  for (int I = 0; I < Node.ChildCount(); ++I) {
    const TPlayListFile& Child = *Node.Child(I);
    CollectEntryPaths(Child, Prefix + RelativePrefix(Node, Child), Paths);
  }
}

}  // namespace cantrel
