#include "playlist/PlayListFile.h"

#include <algorithm>

#include "playlist/PlayListWriter.h"
#include "playlist/RelativePath.h"
#include "runtime/AtomicFile.h"
#include "runtime/Exceptions.h"
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

// Every line, the last included, ends with CR LF.
String JoinWithCrLf(const TPlayListLines& Lines) {
  String Text;
  for (const String& Line : Lines) Text.append(Line).append(u"\r\n");
  return Text;
}

// The tidy every playlist gets: a blank second-to-last line goes, then a
// blank last line.
void RemoveTrailingEmptyLines(TPlayListLines& Lines) {
  if (Lines.size() >= 2 && Lines[Lines.size() - 2].empty()) Lines.erase(Lines.end() - 2);
  if (!Lines.empty() && Lines.back().empty()) Lines.pop_back();
}

// The prefix that puts Child's entries in Node's playlist: its relative
// path and "/", or empty for the same folder.
String RelativePrefix(const TPlayListFile& Node, const TPlayListFile& Child) {
  const String Relative = GetRelativePath(Node.Path(), Child.Path());
  return Relative == u"." ? String() : Relative + PathDelim;
}

// The lines of a written node's M3U playlist below its header ("#EXTM3U"
// and a blank line), taken from the node's names and those of every folder
// below, each behind Prefix: the names exactly as found, blank lines where
// the playlist has them. Other formats take the entries alone.
void CollectBody(const TPlayListFile& Node, const String& Prefix, TPlayListLines& Body) {
  TPlayListLines Lines{u"#EXTM3U", u""};
  const TStringList& Names = Node.Items();
  for (int I = 0; I < Names.Count(); ++I) Lines.push_back(Prefix + Names.Get(I));
  if (Names.Count() > 0) Lines.emplace_back();
  for (int I = 0; I < Node.ChildCount(); ++I) {
    const TPlayListFile& Child = *Node.Child(I);
    CollectBody(Child, Prefix + RelativePrefix(Node, Child), Lines);
    Lines.emplace_back();
  }
  RemoveTrailingEmptyLines(Lines);
  Body.insert(Body.end(), Lines.begin() + std::min<std::ptrdiff_t>(2, std::ssize(Lines)), Lines.end());
}

template <class T>
TPropInfo OrdinalProperty(String Name, T (TPlayListFile::*Get)() const) {
  return TPropInfo{std::move(Name), TTypeKind::tkOther,
                   [Get](const TObject& Object) {
                     return TPropValue(static_cast<std::int64_t>((static_cast<const TPlayListFile&>(Object).*Get)()));
                   },
                   nullptr};
}

}  // namespace

const TClassInfo& TPlayListFile::StaticClass() {
  static const TClassInfo Info(
      u"TPlayListFile", &TPersistent::StaticClass(),
      {ObjectProperty<TPlayListFile>(u"Parent", &TPlayListFile::Parent),
       OrdinalProperty(u"Count", &TPlayListFile::Count),
       StringProperty<TPlayListFile>(u"Name", &TPlayListFile::Name, &TPlayListFile::SetName),
       StringProperty<TPlayListFile>(u"Path", &TPlayListFile::Path, &TPlayListFile::SetPath),
       ObjectProperty<TPlayListFile>(u"Items", &TPlayListFile::ItemsObject),
       OrdinalProperty(u"SubCount", &TPlayListFile::SubCount),
       OrdinalProperty(u"SubIndex", &TPlayListFile::SubIndex),
       OrdinalProperty(u"UTF8", &TPlayListFile::UTF8),
       OrdinalProperty(u"UTF8BOM", &TPlayListFile::UTF8BOM),
       OrdinalProperty(u"Recursion", &TPlayListFile::Recursion),
       OrdinalProperty(u"Format", &TPlayListFile::Format),
       ObjectProperty<TPlayListFile>(u"Current", &TPlayListFile::Current)});
  return Info;
}

const TClassInfo& TPlayListFile::ClassType() const { return StaticClass(); }

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
  String SearchRoot;
  TMakeReport Report;
};

TMakeReport TPlayListFile::Make(const TPlayListWriter& Writer, const String& aName, bool Recursion,
                                const TMakeOptions& Options) {
  TMakeRun Run{Writer, aName, Recursion, Options, Options.SearchRoot.empty() ? FPath : Options.SearchRoot, {}};
  WritePlayList(Run);
  if (!Run.Report.Failures.empty()) throw EMakeError(std::move(Run.Report));
  return std::move(Run.Report);
}

void TPlayListFile::WritePlayList(TMakeRun& Run) {
  const TPlayListWriter& Writer = Run.Writer;
  const String FileName = FPath + makeFileName(Run.aName);
  TPlayListLines Lines;
  std::vector<TLeftOutName> LeftOut;
  int Entries = 0;
  auto AddEntry = [&](const String& Path, bool Carried) {
    if (const TResStringRec* Reason = Writer.AddEntry(Lines, Path, Carried, Entries + 1))
      LeftOut.push_back({FileName, Path, LoadResString(Reason)});
    else
      ++Entries;
  };

  Writer.AddHeader(Lines, ChangeFileExt(ExtractFileName(FileName), u""));
  if (FLines->Count() > 0) {
    for (int I = 0; I < FLines->Count(); ++I) AddEntry(FLines->Get(I), false);
    Lines.emplace_back();
  }
  if (Run.Recursion) {
    for (const auto& Child : FItems) {
      Writer.PrepareChild(*this, *Child);
      Child->WritePlayList(Run);
      if (Run.Report.Stopped) return;
      TPlayListLines Carried;
      CollectBody(*Child, RelativePrefix(*this, *Child), Carried);
      for (const String& Line : Carried) {
        if (!Line.empty())
          AddEntry(Line, true);
        else if (Writer.CarriesBlankLines())
          Lines.emplace_back();
      }
      Lines.emplace_back();
    }
  }
  Writer.AddClosing(Lines, Entries);
  RemoveTrailingEmptyLines(Lines);
  FListAll->Clear();
  for (const String& Line : Lines) FListAll->Add(Line);

  if (Run.Options.StopRequested && Run.Options.StopRequested()) {
    Run.Report.Stopped = true;
    return;
  }
  try {
    ReplaceUserFile(FileName, Writer.Encode(*this, JoinWithCrLf(Lines)), Run.SearchRoot);
    Run.Report.LeftOut.insert(Run.Report.LeftOut.end(), LeftOut.begin(), LeftOut.end());
  } catch (const EFCreateError& Error) {
    Run.Report.Failures.push_back({FileName, Error.Message()});
  }
}

}  // namespace cantrel
