#pragma once

#include <functional>
#include <vector>

#include "runtime/Object.h"

namespace cantrel {

class TCollection;

// One item of a collection. An item made with a collection joins it at the
// end, and the collection frees it, so such an item is made with new.
class TCollectionItem : public TPersistent {
  CANTREL_DECLARE_CLASS();

public:
  explicit TCollectionItem(TCollection* Collection = nullptr);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to the end of another collection, or out of any.
  void SetCollection(TCollection* Value);
  // The position in the collection; -1 without one.
  int Index() const;
  void SetIndex(int Value);

protected:
  // Derived items call this when a property changed.
  void Changed();

private:
  friend class TCollection;

  TCollection* FCollection = nullptr;
};

// An ordered list of items of one kind that owns them.
class TCollection : public TPersistent {
  CANTREL_DECLARE_CLASS();

public:
  // Makes a new item that has already joined the collection.
  using TItemFactory = std::function<TCollectionItem*(TCollection& Collection)>;

  explicit TCollection(TItemFactory ItemFactory);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
  TCollectionItem* Items(int Index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();

  // Changes between BeginUpdate and the matching EndUpdate are announced
  // once, at the end.
  void BeginUpdate();
  void EndUpdate();

  // The name under which the owner publishes the collection.
  String PropName() const { return FPropName; }
  void SetPropName(const String& Value) { FPropName = Value; }

  // Copies the items of another collection, each through the item's Assign.
  void Assign(const TPersistent& Source) override;

protected:
  // Called after a change when no update is pending: Item is the changed
  // item, or nullptr when items came, went or moved.
  virtual void Update(TCollectionItem* Item);

private:
  friend class TCollectionItem;

  void CheckIndex(int Index, int Limit) const;
  void InsertItem(TCollectionItem& Item);
  void RemoveItem(TCollectionItem& Item);
  void Changed(TCollectionItem* Item);

  TItemFactory FItemFactory;
  std::vector<TCollectionItem*> FItems;
  String FPropName;
  int FUpdateCount = 0;
};

// The factory of a collection whose items are of class TItem.
template <class TItem>
TCollection::TItemFactory ItemClass() {
  return [](TCollection& Collection) -> TCollectionItem* { return new TItem(&Collection); };
}

}  // namespace cantrel
