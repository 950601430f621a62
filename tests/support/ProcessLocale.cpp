#include "ProcessLocale.h"

#include <clocale>
#include <cstdlib>

#include "RunProgram.h"

namespace cantrel::test {

TProcessLocale::TVariable TProcessLocale::Save(const char* Name) {
  const char* Value = std::getenv(Name);
  return {Name, Value != nullptr, Value ? Value : ""};
}

void TProcessLocale::Restore(const TVariable& Variable) {
  if (Variable.Set)
    setenv(Variable.Name, Variable.Value.c_str(), 1);
  else
    unsetenv(Variable.Name);
}

TProcessLocale::TProcessLocale(const std::string& Name, const std::string& LocPath)
    : FLcAll(Save("LC_ALL")), FLocPath(Save("LOCPATH")), FPrevious(std::setlocale(LC_ALL, nullptr)) {
  setenv("LC_ALL", Name.c_str(), 1);
  if (!LocPath.empty()) setenv("LOCPATH", LocPath.c_str(), 1);
  FActive = std::setlocale(LC_ALL, "") != nullptr;
}

TProcessLocale::~TProcessLocale() {
  Restore(FLcAll);
  Restore(FLocPath);
  std::setlocale(LC_ALL, FPrevious.c_str());
}

bool MakeLegacyLocale(const std::string& Folder) {
  return RunProgram({"localedef", "-i", "de_DE", "-f", "ISO-8859-1", Folder + "/de_DE.ISO-8859-1"}) == 0;
}

}  // namespace cantrel::test
