#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "runtime/String.h"

namespace cantrel {

class TObject;

// The kinds of published property that callers tell apart: 8-bit short and
// long strings, wide and UTF-16 strings, object references, anything else.
enum class TTypeKind : std::uint8_t { tkString, tkLString, tkWString, tkUString, tkClass, tkOther };

// A property value: 8-bit text for tkString and tkLString, String for
// tkWString and tkUString, an object for tkClass, an integer for tkOther.
using TPropValue = std::variant<std::monostate, std::int64_t, std::string, String, TObject*>;

struct TPropInfo {
  String Name;
  TTypeKind Kind;
  std::function<TPropValue(const TObject&)> Getter;
  // Empty for a read-only property.
  std::function<void(TObject&, const TPropValue&)> Setter;

  bool IsString() const { return Kind != TTypeKind::tkClass && Kind != TTypeKind::tkOther; }
};

// The class descriptor: name, parent class and published properties.
class TClassInfo {
public:
  TClassInfo(String ClassName, const TClassInfo* Parent, std::vector<TPropInfo> Properties = {});

  const String& ClassName() const { return FClassName; }
  const TClassInfo* Parent() const { return FParent; }
  // Is or derives from Ancestor.
  bool InheritsFrom(const TClassInfo& Ancestor) const;
  // The ancestors' properties first, then this class's own.
  std::vector<const TPropInfo*> Properties() const;
  // Found without regard to case; nullptr when the class has none of that name.
  const TPropInfo* FindProperty(StringView Name) const;

private:
  String FClassName;
  const TClassInfo* FParent;
  std::vector<TPropInfo> FOwnProperties;
};

using TClass = const TClassInfo*;

// Declares the class descriptor of a class: a static one for the class and a
// virtual one that answers for the object's actual class.
#define CANTREL_DECLARE_CLASS()                     \
public:                                             \
  static const ::cantrel::TClassInfo& StaticClass(); \
  const ::cantrel::TClassInfo& ClassType() const override

class TObject {
public:
  virtual ~TObject() = default;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const;

  const String& ClassName() const { return ClassType().ClassName(); }
  bool InheritsFrom(const TClassInfo& Ancestor) const { return ClassType().InheritsFrom(Ancestor); }

  // Reads and writes published properties by name (without regard to case).
  // Reading an absent property yields monostate; writing one does nothing and
  // answers false.
  TPropValue GetPropValue(StringView Name) const;
  bool SetPropValue(StringView Name, const TPropValue& Value);
};

class TPersistent : public TObject {
  CANTREL_DECLARE_CLASS();

public:
  // Copies Source into this object. Without a way to do so it raises
  // EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(const TPersistent& Source);

protected:
  virtual void AssignTo(TPersistent& Dest) const;
};

// Property builders for class descriptors. A UTF-16 text property is of
// kind tkUString or tkWString, an 8-bit one of kind tkLString or tkString.
template <class T, class R>
TPropInfo StringProperty(String Name, R (T::*Get)() const, void (T::*Set)(const String&) = nullptr,
                         TTypeKind Kind = TTypeKind::tkUString) {
  TPropInfo Info{std::move(Name), Kind,
                 [Get](const TObject& Object) { return TPropValue(String((static_cast<const T&>(Object).*Get)())); },
                 nullptr};
  if (Set)
    Info.Setter = [Set](TObject& Object, const TPropValue& Value) {
      if (const String* Text = std::get_if<String>(&Value)) (static_cast<T&>(Object).*Set)(*Text);
    };
  return Info;
}

template <class T>
TPropInfo AnsiStringProperty(String Name, std::string (T::*Get)() const,
                             void (T::*Set)(const std::string&) = nullptr,
                             TTypeKind Kind = TTypeKind::tkLString) {
  TPropInfo Info{std::move(Name), Kind,
                 [Get](const TObject& Object) { return TPropValue((static_cast<const T&>(Object).*Get)()); },
                 nullptr};
  if (Set)
    Info.Setter = [Set](TObject& Object, const TPropValue& Value) {
      if (const std::string* Text = std::get_if<std::string>(&Value)) (static_cast<T&>(Object).*Set)(*Text);
    };
  return Info;
}

template <class T, class V>
TPropInfo ObjectProperty(String Name, V* (T::*Get)() const) {
  return TPropInfo{std::move(Name), TTypeKind::tkClass,
                   [Get](const TObject& Object) {
                     return TPropValue(static_cast<TObject*>((static_cast<const T&>(Object).*Get)()));
                   },
                   nullptr};
}

}  // namespace cantrel
