#pragma once

#include <string>

namespace cantrel::test {

// Sets LC_ALL (and LOCPATH, for locales a test made itself) and calls
// setlocale(LC_ALL, "") as the programs do at start; gives the environment
// and the process's locale back afterwards.
class TProcessLocale {
public:
  explicit TProcessLocale(const std::string& Name, const std::string& LocPath = {});
  ~TProcessLocale();
  TProcessLocale(const TProcessLocale&) = delete;
  TProcessLocale& operator=(const TProcessLocale&) = delete;

  // Whether the C library knows the locale.
  bool Active() const { return FActive; }

private:
  struct TVariable {
    const char* Name;
    bool Set;
    std::string Value;
  };
  static TVariable Save(const char* Name);
  static void Restore(const TVariable& Variable);

  TVariable FLcAll;
  TVariable FLocPath;
  std::string FPrevious;
  bool FActive;
};

// Compiles the locale de_DE.ISO-8859-1, whose character set lacks most of
// Unicode, into Folder (for LOCPATH) with localedef; answers whether it did.
bool MakeLegacyLocale(const std::string& Folder);

}  // namespace cantrel::test
