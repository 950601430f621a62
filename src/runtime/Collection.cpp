#include "runtime/Collection.h"

#include <algorithm>

#include "runtime/Exceptions.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

const TClassInfo& TCollectionItem::StaticClass() {
  static const TClassInfo Info(u"TCollectionItem", &TPersistent::StaticClass());
  return Info;
}

const TClassInfo& TCollectionItem::ClassType() const { return StaticClass(); }

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(*this);
  if (Value) Value->InsertItem(*this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  const auto& Items = FCollection->FItems;
  return static_cast<int>(std::find(Items.begin(), Items.end(), this) - Items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  const int Current = Index();
  if (Current < 0 || Current == Value) return;
  FCollection->CheckIndex(Value, FCollection->Count() - 1);
  auto& Items = FCollection->FItems;
  Items.erase(Items.begin() + Current);
  Items.insert(Items.begin() + Value, this);
  FCollection->Changed(nullptr);
}

void TCollectionItem::Changed() {
  if (FCollection) FCollection->Changed(this);
}

const TClassInfo& TCollection::StaticClass() {
  static const TClassInfo Info(u"TCollection", &TPersistent::StaticClass(),
                               {StringProperty<TCollection>(u"PropName", &TCollection::PropName,
                                                            &TCollection::SetPropName)});
  return Info;
}

const TClassInfo& TCollection::ClassType() const { return StaticClass(); }

TCollection::TCollection(TItemFactory ItemFactory) : FItemFactory(std::move(ItemFactory)) {}

TCollection::~TCollection() {
  // Items leave one by one; no announcements while the collection goes.
  FUpdateCount = 1;
  Clear();
}

void TCollection::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index > Limit) throw EListError(&SListIndexError, {Index});
}

TCollectionItem* TCollection::Items(int Index) const {
  CheckIndex(Index, Count() - 1);
  return FItems[static_cast<std::size_t>(Index)];
}

TCollectionItem* TCollection::Add() { return FItemFactory(*this); }

TCollectionItem* TCollection::Insert(int Index) {
  CheckIndex(Index, Count());
  BeginUpdate();
  TCollectionItem* Item = Add();
  Item->SetIndex(Index);
  EndUpdate();
  return Item;
}

void TCollection::Delete(int Index) { delete Items(Index); }

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) Changed(nullptr);
}

void TCollection::Assign(const TPersistent& Source) {
  const auto* Other = dynamic_cast<const TCollection*>(&Source);
  if (!Other) return TPersistent::Assign(Source);
  if (Other == this) return;
  BeginUpdate();
  Clear();
  for (const TCollectionItem* Item : Other->FItems) Add()->Assign(*Item);
  EndUpdate();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::InsertItem(TCollectionItem& Item) {
  FItems.push_back(&Item);
  Item.FCollection = this;
  Changed(nullptr);
}

void TCollection::RemoveItem(TCollectionItem& Item) {
  FItems.erase(std::find(FItems.begin(), FItems.end(), &Item));
  Item.FCollection = nullptr;
  Changed(nullptr);
}

void TCollection::Changed(TCollectionItem* Item) {
  if (FUpdateCount == 0) Update(Item);
}

}  // namespace cantrel
