// Our Qt objects as window translation sees them.
#include "widgets/QtObjectAdapter.h"

#include <QMetaProperty>
#include <QObject>
#include <QPointer>

#include "i18n/GettextComponentMarker.h"
#include "i18n/StringListAdapter.h"
#include "widgets/WidgetStrings.h"

namespace cantrel {

namespace {

constexpr const char* BaseClassInfo = "BaseClass";
constexpr StringView NameProperty = u"Name";

// The translation marker of a form: a Qt child of the form, freed with it.
class TMarkerHolder : public QObject {
public:
  TMarkerHolder(std::unique_ptr<TGettextComponentMarker> AMarker, QObject& Owner)
      : QObject(&Owner), Marker(std::move(AMarker)) {
    setObjectName(QString::fromStdU16String(String(GettextMarkerName)));
  }

  const std::unique_ptr<TGettextComponentMarker> Marker;
};

// The topmost class of ours in the chain, or nullptr for Qt's own objects.
const QMetaObject* FirstOwnClass(const QMetaObject* Meta) {
  const QMetaObject* First = nullptr;
  for (; Meta; Meta = Meta->superClass())
    if (Meta->indexOfClassInfo(BaseClassInfo) >= Meta->classInfoOffset()) First = Meta;
  return First;
}

String BaseClassOf(const QObject& Object) {
  const QMetaObject* Meta = Object.metaObject();
  if (!FirstOwnClass(Meta)) return {};
  return Utf8ToString(Meta->classInfo(Meta->indexOfClassInfo(BaseClassInfo)).value());
}

String ClassNameOf(const QMetaObject& Meta) {
  const std::string_view Name = Meta.className();
  const std::size_t Scope = Name.rfind("::");
  return Utf8ToString(Scope == std::string_view::npos ? Name : Name.substr(Scope + 2));
}

TTypeKind KindOf(const QMetaType& Type) {
  if (Type == QMetaType::fromType<String>() || Type == QMetaType::fromType<QString>()) return TTypeKind::tkUString;
  if (Type == QMetaType::fromType<TStrings*>() || (Type.flags() & QMetaType::PointerToQObject))
    return TTypeKind::tkClass;
  return TTypeKind::tkOther;
}

// Lists bound to a widget are watched through the widget.
class TWidgetStringsAdapter : public TStringListAdapter {
public:
  TLifeCheck Watch(void* Object) const override {
    const QPointer<QObject> Owner(&static_cast<TWidgetStrings*>(StringList(Object))->Owner());
    return [Owner] { return !Owner.isNull(); };
  }
};

TObjectHandle ListHandle(TStrings& List) {
  static const TWidgetStringsAdapter Adapter;
  if (auto* Bound = dynamic_cast<TWidgetStrings*>(&List)) return {&Adapter, static_cast<TStrings*>(Bound)};
  return StringListHandle(List);
}

class TQtObjectAdapter : public TObjectAdapter {
public:
  TClassHandle ClassOf(void* Object) const override {
    const QObject& Obj = Of(Object);
    const QMetaObject* First = FirstOwnClass(Obj.metaObject());
    if (!First) return {ClassNameOf(*Obj.metaObject()), {}};
    TClassHandle Class{ClassNameOf(*Obj.metaObject()), {}};
    for (const QMetaObject* Meta = Obj.metaObject(); Meta != First;) {
      Meta = Meta->superClass();
      Class.Ancestors.push_back(ClassNameOf(*Meta));
    }
    Class.Ancestors.push_back(BaseClassOf(Obj));
    Class.Ancestors.push_back(u"TPersistent");
    return Class;
  }

  std::vector<TPropertyInfo> Properties(void* Object) const override {
    const QObject& Obj = Of(Object);
    std::vector<TPropertyInfo> Result;
    const QMetaObject* First = FirstOwnClass(Obj.metaObject());
    if (!First) return Result;
    if (IsComponent(Obj)) Result.push_back({String(NameProperty), TTypeKind::tkUString, true});
    const QMetaObject& Meta = *Obj.metaObject();
    for (int I = First->propertyOffset(); I < Meta.propertyCount(); ++I) {
      const QMetaProperty Property = Meta.property(I);
      Result.push_back({Utf8ToString(Property.name()), KindOf(Property.metaType()), Property.isWritable()});
    }
    return Result;
  }

  TPropertyValue GetProperty(void* Object, StringView Name) const override {
    QObject& Obj = Of(Object);
    if (Name == NameProperty && IsComponent(Obj)) return Obj.objectName().toStdU16String();
    const QMetaProperty Property = Find(Obj, Name);
    const QVariant Value = Property.read(&Obj);
    const QMetaType Type = Property.metaType();
    if (Type == QMetaType::fromType<String>()) return Value.value<String>();
    if (Type == QMetaType::fromType<QString>()) return Value.toString().toStdU16String();
    if (Type == QMetaType::fromType<TStrings*>()) {
      TStrings* List = Value.value<TStrings*>();
      return List ? ListHandle(*List) : TObjectHandle();
    }
    if (Type.flags() & QMetaType::PointerToQObject) {
      QObject* Reached = Value.value<QObject*>();
      return Reached ? ObjectHandle(*Reached) : TObjectHandle();
    }
    return String();
  }

  void SetProperty(void* Object, StringView Name, const TPropertyValue& Value) const override {
    QObject& Obj = Of(Object);
    const String& Text = std::get<String>(Value);
    if (Name == NameProperty && IsComponent(Obj)) return Obj.setObjectName(QString::fromStdU16String(Text));
    const QMetaProperty Property = Find(Obj, Name);
    if (Property.metaType() == QMetaType::fromType<String>())
      Property.write(&Obj, QVariant::fromValue(Text));
    else
      Property.write(&Obj, QString::fromStdU16String(Text));
  }

  String Name(void* Object) const override {
    const QObject& Obj = Of(Object);
    return IsComponent(Obj) ? Obj.objectName().toStdU16String() : String();
  }

  std::vector<TObjectHandle> Components(void* Object) const override {
    std::vector<TObjectHandle> Result;
    for (QObject* Child : Of(Object).children()) {
      if (auto* Holder = dynamic_cast<TMarkerHolder*>(Child))
        Result.push_back(MarkerHandle(*Holder->Marker));
      else if (IsComponent(*Child))
        Result.push_back(ObjectHandle(*Child));
    }
    return Result;
  }

  void InsertComponent(void* Object, std::unique_ptr<TGettextComponentMarker> Marker) const override {
    new TMarkerHolder(std::move(Marker), Of(Object));
  }

  std::vector<TObjectHandle> CollectionItems(void* Object) const override {
    std::vector<TObjectHandle> Result;
    if (BaseClassOf(Of(Object)) != u"TCollection") return Result;
    for (QObject* Child : Of(Object).children())
      if (BaseClassOf(*Child) == u"TCollectionItem") Result.push_back(ObjectHandle(*Child));
    return Result;
  }

  TLifeCheck Watch(void* Object) const override {
    const QPointer<QObject> Watched(&Of(Object));
    return [Watched] { return !Watched.isNull(); };
  }

private:
  static QObject& Of(void* Object) { return *static_cast<QObject*>(Object); }
  static bool IsComponent(const QObject& Object) { return BaseClassOf(Object) == u"TComponent"; }
  static QMetaProperty Find(const QObject& Object, StringView Name) {
    const QMetaObject& Meta = *Object.metaObject();
    return Meta.property(Meta.indexOfProperty(StringToUtf8(Name).c_str()));
  }
};

}  // namespace

TObjectHandle ObjectHandle(QObject& Object) {
  static const TQtObjectAdapter Adapter;
  return {&Adapter, &Object};
}

}  // namespace cantrel
