// TObject and TPersistent, the roots of the run-time classes.
#include "runtime/Object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "runtime/Exceptions.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

String TObject::ClassName() const {
  const char* Mangled = typeid(*this).name();
  int Status = 0;
  const std::unique_ptr<char, decltype(&std::free)> Demangled(abi::__cxa_demangle(Mangled, nullptr, nullptr, &Status),
                                                              &std::free);
  std::string_view Name = Status == 0 ? Demangled.get() : Mangled;
  // The namespace goes, including an anonymous one; template arguments stay.
  const std::size_t Scope = Name.substr(0, Name.find('<')).rfind("::");
  if (Scope != std::string_view::npos) Name.remove_prefix(Scope + 2);
  return Utf8ToString(Name);
}

void TPersistent::Assign(const TPersistent& Source) { Source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& Dest) const {
  throw EConvertError(&SAssignError, {ClassName(), Dest.ClassName()});
}

}  // namespace cantrel
