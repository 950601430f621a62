// The interface through which window translation sees a toolkit's objects.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "runtime/String.h"

namespace cantrel {

class TGettextComponentMarker;
class TStrings;

// What window translation needs to know of the objects it walks. A window
// toolkit describes its objects through adapters; the walk never sees the
// toolkit's own types.

// The kinds of published property the walk tells apart: 8-bit short and long
// strings, wide and UTF-16 strings, object references, anything else.
enum class TTypeKind : std::uint8_t { tkString, tkLString, tkWString, tkUString, tkClass, tkOther };

// A class: its name and its ancestors' names, the nearest first. Classes
// are told apart by name.
struct TClassHandle {
  String Name;
  std::vector<String> Ancestors;

  // Is the class of that name or derives from it.
  bool InheritsFrom(StringView AncestorName) const;
  bool InheritsFrom(const TClassHandle& Ancestor) const { return InheritsFrom(Ancestor.Name); }
};

// The classes the walk itself knows by name.
TClassHandle PersistentClass();
TClassHandle ComponentClass();
TClassHandle CollectionClass();

struct TPropertyInfo {
  String Name;
  TTypeKind Kind;
  bool Writable;
};

class TObjectAdapter;
struct TObjectHandle;

// A property's value: 8-bit text for the short and long string kinds, UTF-16
// text for the wide and UTF-16 ones, an object (possibly none) for tkClass.
using TPropertyValue = std::variant<std::string, String, TObjectHandle>;

// Answers later whether an object still exists.
using TLifeCheck = std::function<bool()>;

// One object as the walk reaches it: the adapter that knows its kind and the
// object, whose address is its identity. An empty handle stands for no
// object.
struct TObjectHandle {
  const TObjectAdapter* Adapter = nullptr;
  void* Object = nullptr;

  explicit operator bool() const { return Object != nullptr; }

  TClassHandle Class() const;
  std::vector<TPropertyInfo> Properties() const;
  TPropertyValue GetProperty(StringView PropertyName) const;
  void SetProperty(StringView PropertyName, const TPropertyValue& Value) const;
  String Name() const;
  std::vector<TObjectHandle> Components() const;
  TObjectHandle FindComponent(StringView ComponentName) const;
  void InsertComponent(std::unique_ptr<TGettextComponentMarker> Marker) const;
  std::vector<TObjectHandle> CollectionItems() const;
  TStrings* StringList() const;
  TLifeCheck Watch() const;
};

// The operations on one kind of object. An adapter holds no state of its
// objects; every operation names the object it works on.
class TObjectAdapter {
public:
  virtual ~TObjectAdapter() = default;

  virtual TClassHandle ClassOf(void* Object) const = 0;
  // The published properties, the ancestors' first.
  virtual std::vector<TPropertyInfo> Properties(void* Object) const = 0;
  // Reads a string or object property by its exact name; an error raised
  // here is reported by the walk with the property's name.
  virtual TPropertyValue GetProperty(void* Object, StringView Name) const = 0;
  // Writes a writable string property by its exact name, the value of the
  // property's kind.
  virtual void SetProperty(void* Object, StringView Name, const TPropertyValue& Value) const = 0;

  // A component's name; empty for other objects.
  virtual String Name(void* Object) const;
  // A component's owned components in owner order; none for other objects.
  virtual std::vector<TObjectHandle> Components(void* Object) const;
  // The owned component of that name, without regard to case; an empty name
  // finds nothing.
  virtual TObjectHandle FindComponent(void* Object, StringView ComponentName) const;
  // Places Marker among the component's owned components, last; the
  // component frees it with itself. An object that owns no components frees
  // it at once.
  virtual void InsertComponent(void* Object, std::unique_ptr<TGettextComponentMarker> Marker) const;
  // A collection's items in order; none for other objects.
  virtual std::vector<TObjectHandle> CollectionItems(void* Object) const;
  // The object as a string list, or nullptr.
  virtual TStrings* StringList(void* Object) const;
  // A check that answers false once the object is gone; an empty one for an
  // object that lives as long as whatever holds it.
  virtual TLifeCheck Watch(void* Object) const;
};

}  // namespace cantrel
