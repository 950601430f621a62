#include "runtime/Object.h"

#include "runtime/Exceptions.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

TClassInfo::TClassInfo(String ClassName, const TClassInfo* Parent, std::vector<TPropInfo> Properties)
    : FClassName(std::move(ClassName)), FParent(Parent), FOwnProperties(std::move(Properties)) {}

bool TClassInfo::InheritsFrom(const TClassInfo& Ancestor) const {
  for (const TClassInfo* Class = this; Class; Class = Class->FParent)
    if (Class == &Ancestor) return true;
  return false;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TPropInfo*> Result = FParent ? FParent->Properties() : std::vector<const TPropInfo*>{};
  for (const TPropInfo& Property : FOwnProperties) Result.push_back(&Property);
  return Result;
}

const TPropInfo* TClassInfo::FindProperty(StringView Name) const {
  for (const TClassInfo* Class = this; Class; Class = Class->FParent)
    for (const TPropInfo& Property : Class->FOwnProperties)
      if (SameText(Property.Name, Name)) return &Property;
  return nullptr;
}

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo Info(u"TObject", nullptr);
  return Info;
}

const TClassInfo& TObject::ClassType() const { return StaticClass(); }

TPropValue TObject::GetPropValue(StringView Name) const {
  const TPropInfo* Property = ClassType().FindProperty(Name);
  return Property ? Property->Getter(*this) : TPropValue{};
}

bool TObject::SetPropValue(StringView Name, const TPropValue& Value) {
  const TPropInfo* Property = ClassType().FindProperty(Name);
  if (!Property || !Property->Setter) return false;
  Property->Setter(*this, Value);
  return true;
}

const TClassInfo& TPersistent::StaticClass() {
  static const TClassInfo Info(u"TPersistent", &TObject::StaticClass());
  return Info;
}

const TClassInfo& TPersistent::ClassType() const { return StaticClass(); }

void TPersistent::Assign(const TPersistent& Source) { Source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& Dest) const {
  throw EConvertError(&SAssignError, {ClassName(), Dest.ClassName()});
}

}  // namespace cantrel
