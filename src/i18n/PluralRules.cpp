// Which plural form a number takes in a language.
#include "i18n/PluralRules.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace cantrel {

namespace {

// The rules work on the absolute value, also of the smallest int.
std::int64_t Magnitude(int Number) { return Number < 0 ? -std::int64_t{Number} : Number; }

int PluralNone(int) { return 0; }

int PluralZeroOrOneSingular(int Number) { return Magnitude(Number) <= 1 ? 0 : 1; }

int PluralLatvian(int Number) {
  const std::int64_t N = Magnitude(Number);
  if (N % 10 == 1 && N % 100 != 11) return 0;
  return N != 0 ? 1 : 2;
}

int PluralIrish(int Number) {
  const std::int64_t N = Magnitude(Number);
  return N == 1 ? 0 : (N == 2 ? 1 : 2);
}

int PluralLithuanian(int Number) {
  const std::int64_t N = Magnitude(Number);
  if (N % 10 == 1 && N % 100 != 11) return 0;
  return N % 10 >= 2 && (N % 100 < 10 || N % 100 >= 20) ? 1 : 2;
}

bool TwoToFourOutsideTeens(std::int64_t N) { return N % 10 >= 2 && N % 10 <= 4 && (N % 100 < 10 || N % 100 >= 20); }

int PluralEastSlavic(int Number) {
  const std::int64_t N = Magnitude(Number);
  if (N % 10 == 1 && N % 100 != 11) return 0;
  return TwoToFourOutsideTeens(N) ? 1 : 2;
}

// Czech and Slovak: 1, then 2 to 4, then everything else.
int PluralCzech(int Number) {
  const std::int64_t N = Magnitude(Number);
  return N == 1 ? 0 : (N >= 2 && N <= 4 ? 1 : 2);
}

// Polish: only 1 itself is singular; 21, 31, ... take the "many" form.
int PluralPolish(int Number) {
  const std::int64_t N = Magnitude(Number);
  if (N == 1) return 0;
  return TwoToFourOutsideTeens(N) ? 1 : 2;
}

int PluralSlovenian(int Number) {
  const std::int64_t N = Magnitude(Number) % 100;
  if (N == 1) return 0;
  if (N == 2) return 1;
  return N == 3 || N == 4 ? 2 : 3;
}

char LowerAsciiChar(char16_t C) { return static_cast<char>(C >= u'A' && C <= u'Z' ? C - u'A' + u'a' : C); }

std::string LowerAscii(StringView Text) {
  std::string Result;
  for (char16_t C : Text) Result += C < 0x80 ? LowerAsciiChar(C) : '?';
  return Result;
}

}  // namespace

int GetPluralForm2EN(int Number) { return Magnitude(Number) == 1 ? 0 : 1; }

TGetPluralForm GetPluralFormOfLanguage(StringView LanguageCode) {
  const std::string Code = LowerAscii(LanguageCode);
  const std::string Language = Code.substr(0, 2);
  const auto Is = [&](std::initializer_list<const char*> Languages) {
    for (const char* Candidate : Languages)
      if (Language == Candidate) return true;
    return false;
  };
  if (Is({"en", "de"})) return GetPluralForm2EN;
  if (Is({"hu", "ko", "zh", "ja", "tr"})) return PluralNone;
  if (Is({"fr", "fa"}) || Code == "pt_br") return PluralZeroOrOneSingular;
  if (Is({"lv"})) return PluralLatvian;
  if (Is({"ga"})) return PluralIrish;
  if (Is({"lt"})) return PluralLithuanian;
  if (Is({"ru", "uk", "hr"})) return PluralEastSlavic;
  if (Is({"cs", "sk"})) return PluralCzech;
  if (Is({"pl"})) return PluralPolish;
  if (Is({"sl"})) return PluralSlovenian;
  return GetPluralForm2EN;
}

}  // namespace cantrel
