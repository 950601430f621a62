// The interface through which window translation sees a toolkit's objects.
#include "i18n/ObjectAdapter.h"

#include <algorithm>

#include "i18n/GettextComponentMarker.h"

namespace cantrel {

bool TClassHandle::InheritsFrom(StringView AncestorName) const {
  return Name == AncestorName || std::find(Ancestors.begin(), Ancestors.end(), AncestorName) != Ancestors.end();
}

TClassHandle PersistentClass() { return {u"TPersistent", {}}; }

TClassHandle ComponentClass() { return {u"TComponent", {u"TPersistent"}}; }

TClassHandle CollectionClass() { return {u"TCollection", {u"TPersistent"}}; }

TClassHandle TObjectHandle::Class() const { return Adapter->ClassOf(Object); }

std::vector<TPropertyInfo> TObjectHandle::Properties() const { return Adapter->Properties(Object); }

TPropertyValue TObjectHandle::GetProperty(StringView PropertyName) const {
  return Adapter->GetProperty(Object, PropertyName);
}

void TObjectHandle::SetProperty(StringView PropertyName, const TPropertyValue& Value) const {
  Adapter->SetProperty(Object, PropertyName, Value);
}

String TObjectHandle::Name() const { return Adapter->Name(Object); }

std::vector<TObjectHandle> TObjectHandle::Components() const { return Adapter->Components(Object); }

TObjectHandle TObjectHandle::FindComponent(StringView ComponentName) const {
  return Adapter->FindComponent(Object, ComponentName);
}

void TObjectHandle::InsertComponent(std::unique_ptr<TGettextComponentMarker> Marker) const {
  Adapter->InsertComponent(Object, std::move(Marker));
}

std::vector<TObjectHandle> TObjectHandle::CollectionItems() const { return Adapter->CollectionItems(Object); }

TStrings* TObjectHandle::StringList() const { return Adapter->StringList(Object); }

TLifeCheck TObjectHandle::Watch() const { return Adapter->Watch(Object); }

String TObjectAdapter::Name(void*) const { return {}; }

std::vector<TObjectHandle> TObjectAdapter::Components(void*) const { return {}; }

TObjectHandle TObjectAdapter::FindComponent(void* Object, StringView ComponentName) const {
  if (ComponentName.empty()) return {};
  for (const TObjectHandle& Component : Components(Object))
    if (SameText(Component.Name(), ComponentName)) return Component;
  return {};
}

void TObjectAdapter::InsertComponent(void*, std::unique_ptr<TGettextComponentMarker>) const {}

std::vector<TObjectHandle> TObjectAdapter::CollectionItems(void*) const { return {}; }

TStrings* TObjectAdapter::StringList(void*) const { return nullptr; }

TLifeCheck TObjectAdapter::Watch(void*) const { return {}; }

}  // namespace cantrel
