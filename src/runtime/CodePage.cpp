#include "runtime/CodePage.h"

#include <unicode/ucnv.h>

#include <memory>

#include "runtime/Locale.h"

namespace cantrel {

namespace {

struct TConverterCloser {
  void operator()(UConverter* Converter) const { ucnv_close(Converter); }
};
using TConverter = std::unique_ptr<UConverter, TConverterCloser>;

TConverter OpenConverter(int CodePage) {
  const std::string Name = "windows-" + std::to_string(CodePage);
  UErrorCode Status = U_ZERO_ERROR;
  TConverter Converter(ucnv_open(Name.c_str(), &Status));
  if (U_FAILURE(Status)) {
    Status = U_ZERO_ERROR;
    Converter.reset(ucnv_open("windows-1252", &Status));
  }
  Status = U_ZERO_ERROR;
  ucnv_setSubstChars(Converter.get(), "?", 1, &Status);
  return Converter;
}

bool IsKeptByte(char16_t C) { return C >= 0xDC80 && C <= 0xDCFF; }

void AppendConverted(std::string& Out, UConverter* Converter, StringView Run) {
  if (Run.empty()) return;
  std::string Buffer(static_cast<std::size_t>(UCNV_GET_MAX_BYTES_FOR_STRING(Run.size(), ucnv_getMaxCharSize(Converter))), '\0');
  UErrorCode Status = U_ZERO_ERROR;
  const int32_t Length = ucnv_fromUChars(Converter, Buffer.data(), static_cast<int32_t>(Buffer.size()),
                                         Run.data(), static_cast<int32_t>(Run.size()), &Status);
  if (U_SUCCESS(Status)) Out.append(Buffer.data(), static_cast<std::size_t>(Length));
}

}  // namespace

int CodePageOfLanguage(std::string_view LocaleName) {
  const std::string_view Language = LocaleName.substr(0, LocaleName.find('_'));
  struct TLanguages {
    int CodePage;
    std::initializer_list<std::string_view> Languages;
  };
  static const TLanguages Table[] = {
      {1250, {"cs", "hu", "pl", "sk", "sl", "hr", "ro"}},
      {1251, {"ru", "uk", "bg", "be", "sr"}},
      {1253, {"el"}},
      {1254, {"tr"}},
      {1255, {"he"}},
      {1256, {"ar", "fa"}},
      {1257, {"et", "lt", "lv"}},
      {1258, {"vi"}},
      {874, {"th"}},
      {932, {"ja"}},
      {949, {"ko"}},
  };
  if (Language == "zh") {
    const bool Traditional = LocaleName.find("TW") != std::string_view::npos ||
                             LocaleName.find("HK") != std::string_view::npos;
    return Traditional ? 950 : 936;
  }
  for (const TLanguages& Entry : Table)
    for (std::string_view Candidate : Entry.Languages)
      if (Candidate == Language) return Entry.CodePage;
  return 1252;
}

int AnsiCodePage() { return CodePageOfLanguage(UserLocaleName()); }

std::string StringToCodePage(StringView Text, int CodePage) {
  const TConverter Converter = OpenConverter(CodePage);
  std::string Result;
  Result.reserve(Text.size());
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (!IsKeptByte(Text[I])) continue;
    AppendConverted(Result, Converter.get(), Text.substr(Start, I - Start));
    Result += static_cast<char>(Text[I] - 0xDC80 + 0x80);
    Start = I + 1;
  }
  AppendConverted(Result, Converter.get(), Text.substr(Start));
  return Result;
}

String CodePageToString(std::string_view Bytes, int CodePage) {
  const TConverter Converter = OpenConverter(CodePage);
  String Result(Bytes.size() * 2 + 1, u'\0');
  UErrorCode Status = U_ZERO_ERROR;
  const int32_t Length = ucnv_toUChars(Converter.get(), Result.data(), static_cast<int32_t>(Result.size()),
                                       Bytes.data(), static_cast<int32_t>(Bytes.size()), &Status);
  Result.resize(U_SUCCESS(Status) ? static_cast<std::size_t>(Length) : 0);
  return Result;
}

bool TryCodePageToString(std::string_view Bytes, int CodePage, String& Text) {
  const std::string Name = "windows-" + std::to_string(CodePage);
  UErrorCode Status = U_ZERO_ERROR;
  const TConverter Converter(ucnv_open(Name.c_str(), &Status));
  if (U_FAILURE(Status)) return false;
  ucnv_setToUCallBack(Converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &Status);
  String Result(Bytes.size() * 2 + 1, u'\0');
  const int32_t Length = ucnv_toUChars(Converter.get(), Result.data(), static_cast<int32_t>(Result.size()),
                                       Bytes.data(), static_cast<int32_t>(Bytes.size()), &Status);
  if (U_FAILURE(Status)) return false;
  Result.resize(static_cast<std::size_t>(Length));
  Text = std::move(Result);
  return true;
}

}  // namespace cantrel
