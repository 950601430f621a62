#include "runtime/Component.h"

#include <algorithm>

#include "runtime/RuntimeConsts.h"

namespace cantrel {

const TClassInfo& TComponent::StaticClass() {
  static const TClassInfo Info(u"TComponent", &TPersistent::StaticClass(),
                               {StringProperty<TComponent>(u"Name", &TComponent::Name, &TComponent::SetName)});
  return Info;
}

const TClassInfo& TComponent::ClassType() const { return StaticClass(); }

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(*this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(*this);
}

void TComponent::SetName(const String& Value) {
  if (FName == Value) return;
  if (FOwner) FOwner->ValidateRename(this, Value);
  FName = Value;
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EListError(&SListIndexError, {Index});
  return FComponents[static_cast<std::size_t>(Index)];
}

TComponent* TComponent::FindComponent(StringView AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* Component : FComponents)
    if (SameText(Component->FName, AName)) return Component;
  return nullptr;
}

void TComponent::ValidateRename(const TComponent* Except, StringView NewName) const {
  const TComponent* Existing = FindComponent(NewName);
  if (Existing && Existing != Except) throw EComponentError(&SDuplicateName, {String(NewName)});
}

void TComponent::InsertComponent(TComponent& AComponent) {
  if (AComponent.FOwner == this) return;
  ValidateRename(&AComponent, AComponent.FName);
  if (AComponent.FOwner) AComponent.FOwner->RemoveComponent(AComponent);
  FComponents.push_back(&AComponent);
  AComponent.FOwner = this;
}

void TComponent::RemoveComponent(TComponent& AComponent) {
  const auto It = std::find(FComponents.begin(), FComponents.end(), &AComponent);
  if (It == FComponents.end()) return;
  FComponents.erase(It);
  AComponent.FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* Last = FComponents.back();
    RemoveComponent(*Last);
    delete Last;
  }
}

}  // namespace cantrel
