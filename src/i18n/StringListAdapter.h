// Run-time string lists as window translation sees them.
#pragma once

#include "i18n/ObjectAdapter.h"

namespace cantrel {

// Run-time string lists as window translation sees them: no published
// properties, and the class chain of the list's own class, TStringList when
// it derives from it, TStrings and TPersistent. A toolkit whose lists die with
// its controls derives from it to watch them.
class TStringListAdapter : public TObjectAdapter {
public:
  TClassHandle ClassOf(void* Object) const override;
  std::vector<TPropertyInfo> Properties(void* Object) const override;
  TPropertyValue GetProperty(void* Object, StringView Name) const override;
  void SetProperty(void* Object, StringView Name, const TPropertyValue& Value) const override;
  TStrings* StringList(void* Object) const override;
};

TClassHandle StringListClass(const TStrings& List);
// A list that lives as long as whatever holds its handle.
TObjectHandle StringListHandle(TStrings& List);

}  // namespace cantrel
