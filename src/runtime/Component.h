#pragma once

#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/Object.h"

namespace cantrel {

CANTREL_EXCEPTION(EComponentError, Exception);

// A named object that may own other components. The owner keeps its
// components in the order they were inserted and frees them when it goes, so
// an owned component is made with new.
class TComponent : public TPersistent {
  CANTREL_DECLARE_CLASS();

public:
  // A component with an owner is inserted among the owner's components.
  explicit TComponent(TComponent* AOwner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  String Name() const { return FName; }
  // Raises EComponentError "A component named %s already exists" when the
  // owner holds another component of that name (compared without regard to
  // case).
  void SetName(const String& Value);

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
  TComponent* Components(int Index) const;

  // The owned component of that name (without regard to case), or nullptr.
  // An empty name finds nothing.
  TComponent* FindComponent(StringView AName) const;

  // Takes AComponent over from its previous owner. A duplicate name raises
  // EComponentError and leaves both owners unchanged.
  void InsertComponent(TComponent& AComponent);
  // Gives AComponent up without freeing it; it then has no owner.
  void RemoveComponent(TComponent& AComponent);
  // Frees the owned components, the last inserted first. The destructor
  // does it; a derived class whose components depend on its own state calls
  // it earlier, from its own destructor.
  void DestroyComponents();

private:
  // Raises EComponentError when another owned component than Except is
  // named NewName.
  void ValidateRename(const TComponent* Except, StringView NewName) const;

  String FName;
  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
};

}  // namespace cantrel
