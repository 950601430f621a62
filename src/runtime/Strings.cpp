// TStrings and TStringList: lists of text lines, each with an object.
#include "runtime/Strings.h"

#include <algorithm>

#include "runtime/Exceptions.h"
#include "runtime/Locale.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

void TStrings::Put(int Index, const String& S) {
  TObject* Object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, Object);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const String& S) {
  const int Index = Count();
  Insert(Index, S);
  return Index;
}

int TStrings::AddObject(const String& S, TObject* Object) {
  const int Index = Add(S);
  PutObject(Index, Object);
  return Index;
}

void TStrings::AddStrings(const TStrings& Strings) {
  BeginUpdate();
  for (int I = 0; I < Strings.Count(); ++I) AddObject(Strings.Get(I), Strings.GetObject(I));
  EndUpdate();
}

void TStrings::InsertObject(int Index, const String& S, TObject* Object) {
  Insert(Index, S);
  PutObject(Index, Object);
}

int TStrings::IndexOf(const String& S) const {
  for (int I = 0; I < Count(); ++I)
    if (CompareStrings(Get(I), S) == 0) return I;
  return -1;
}

String TStrings::Text() const {
  String Result;
  for (int I = 0; I < Count(); ++I) Result.append(Get(I)).append(LineBreak);
  return Result;
}

void TStrings::SetText(StringView Text) {
  BeginUpdate();
  Clear();
  std::size_t Start = 0;
  while (Start < Text.size()) {
    std::size_t End = Start;
    while (End < Text.size() && Text[End] != u'\r' && Text[End] != u'\n') ++End;
    Add(String(Text.substr(Start, End - Start)));
    if (End < Text.size() && Text[End] == u'\r') ++End;
    if (End < Text.size() && Text[End] == u'\n') ++End;
    Start = End;
  }
  EndUpdate();
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::Assign(const TPersistent& Source) {
  const auto* Strings = dynamic_cast<const TStrings*>(&Source);
  if (!Strings) return TPersistent::Assign(Source);
  if (Strings == this) return;
  BeginUpdate();
  Clear();
  AddStrings(*Strings);
  EndUpdate();
}

int TStrings::CompareStrings(const String& S1, const String& S2) const { return AnsiCompareTextLoose(S1, S2); }

void TStrings::Error(const TResStringRec* Message, int Data) const { throw EStringListError(Message, {Data}); }

TStringList::TStringList(bool OwnsObjects) : FOwnsObjects(OwnsObjects) {}

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  Clear();
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error(&SListIndexError, Index);
}

String TStringList::Get(int Index) const { return At(Index); }

const String& TStringList::At(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].FString;
}

void TStringList::Put(int Index, const String& S) {
  if (FSorted) Error(&SSortedListError, 0);
  CheckIndex(Index);
  Changing();
  FList[static_cast<std::size_t>(Index)].FString = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* Object) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<std::size_t>(Index)].FObject = Object;
  Changed();
}

int TStringList::Add(const String& S) {
  int Index = Count();
  // Lines often come in order already: then one comparison places them.
  const bool AfterLast = FSorted && Index > 0 && CompareStrings(FList.back().FString, S) < 0;
  if (FSorted && !AfterLast && Find(S, Index)) {
    switch (FDuplicates) {
      case TDuplicates::dupIgnore:
        return Index;
      case TDuplicates::dupError:
        Error(&SDuplicateString, 0);
      case TDuplicates::dupAccept:
        break;
    }
  }
  InsertItem(Index, S, nullptr);
  return Index;
}

void TStringList::Insert(int Index, const String& S) {
  if (FSorted) Error(&SSortedListError, 0);
  if (Index < 0 || Index > Count()) Error(&SListIndexError, Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::InsertItem(int Index, const String& S, TObject* Object) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, Object});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  TObject* Object = FList[static_cast<std::size_t>(Index)].FObject;
  FList.erase(FList.begin() + Index);
  if (FOwnsObjects) delete Object;
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<TStringItem> Old;
  Old.swap(FList);
  if (FOwnsObjects)
    for (TStringItem& Item : Old) delete Item.FObject;
  Changed();
}

int TStringList::IndexOf(const String& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int Index;
  return Find(S, Index) ? Index : -1;
}

bool TStringList::Find(const String& S, int& Index) const {
  int Low = 0;
  int High = Count() - 1;
  bool Found = false;
  while (Low <= High) {
    const int Middle = Low + (High - Low) / 2;
    const int Compared = CompareStrings(FList[static_cast<std::size_t>(Middle)].FString, S);
    if (Compared < 0) {
      Low = Middle + 1;
    } else {
      High = Middle - 1;
      if (Compared == 0) {
        Found = true;
        if (FDuplicates != TDuplicates::dupAccept) Low = Middle;
      }
    }
  }
  Index = Low;
  return Found;
}

void TStringList::Sort() {
  Changing();
  std::stable_sort(FList.begin(), FList.end(), [this](const TStringItem& A, const TStringItem& B) {
    return CompareStrings(A.FString, B.FString) < 0;
  });
  Changed();
}

void TStringList::CustomSort(const std::function<int(TStringList& List, int Index1, int Index2)>& Compare) {
  if (FSorted || FList.size() < 2) return;
  // The compare function works on indexes, so sort a permutation first.
  std::vector<int> Order(FList.size());
  for (std::size_t I = 0; I < Order.size(); ++I) Order[I] = static_cast<int>(I);
  std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) { return Compare(*this, A, B) < 0; });
  Changing();
  std::vector<TStringItem> Sorted;
  Sorted.reserve(FList.size());
  for (int Index : Order) Sorted.push_back(std::move(FList[static_cast<std::size_t>(Index)]));
  FList.swap(Sorted);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) Sort();
}

void TStringList::SetCompareFunction(TCompareFunction Compare) {
  FCompare = std::move(Compare);
  if (FSorted) Sort();
}

int TStringList::CompareStrings(const String& S1, const String& S2) const {
  if (FCompare) return FCompare(S1, S2);
  if (FCaseSensitive) return AnsiCompareText(S1, S2);
  return AnsiCompareTextLoose(S1, S2);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(*this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(*this);
}

}  // namespace cantrel
