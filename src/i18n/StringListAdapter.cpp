// Run-time string lists as window translation sees them.
#include "i18n/StringListAdapter.h"

#include "runtime/Strings.h"

namespace cantrel {

TClassHandle StringListClass(const TStrings& List) {
  TClassHandle Class{List.ClassName(), {}};
  if (dynamic_cast<const TStringList*>(&List) && Class.Name != u"TStringList")
    Class.Ancestors.push_back(u"TStringList");
  if (Class.Name != u"TStrings") Class.Ancestors.push_back(u"TStrings");
  Class.Ancestors.push_back(u"TPersistent");
  return Class;
}

TClassHandle TStringListAdapter::ClassOf(void* Object) const { return StringListClass(*StringList(Object)); }

std::vector<TPropertyInfo> TStringListAdapter::Properties(void*) const { return {}; }

TPropertyValue TStringListAdapter::GetProperty(void*, StringView) const { return String(); }

void TStringListAdapter::SetProperty(void*, StringView, const TPropertyValue&) const {}

TStrings* TStringListAdapter::StringList(void* Object) const { return static_cast<TStrings*>(Object); }

TObjectHandle StringListHandle(TStrings& List) {
  static const TStringListAdapter Adapter;
  return {&Adapter, &List};
}

}  // namespace cantrel
