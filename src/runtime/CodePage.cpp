// Legacy code pages and the converters between them and UTF-16.
#include "runtime/CodePage.h"

#include <langinfo.h>
#include <unicode/ucnv.h>

#include <cstring>
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

// Converts run by run between the bytes kept from undecodable file names,
// which go out as they came in; false when the converter refuses a run.
bool ConvertKeepingBytes(UConverter* Converter, StringView Text, std::string& Out) {
  std::size_t Start = 0;
  auto Flush = [&](std::size_t End) {
    if (End == Start) return true;
    const StringView Run = Text.substr(Start, End - Start);
    std::string Buffer(static_cast<std::size_t>(UCNV_GET_MAX_BYTES_FOR_STRING(Run.size(), ucnv_getMaxCharSize(Converter))), '\0');
    UErrorCode Status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(Converter);
    const int32_t Length = ucnv_fromUChars(Converter, Buffer.data(), static_cast<int32_t>(Buffer.size()),
                                           Run.data(), static_cast<int32_t>(Run.size()), &Status);
    if (U_FAILURE(Status)) return false;
    Out.append(Buffer.data(), static_cast<std::size_t>(Length));
    return true;
  };
  char32_t CodePoint;
  for (std::size_t Pos = 0, Length; Pos < Text.size(); Pos += Length) {
    if (ReadTextUnit(Text, Pos, CodePoint, Length) != TTextUnit::tuKeptByte) continue;
    if (!Flush(Pos)) return false;
    Out += static_cast<char>(CodePoint);
    Start = Pos + Length;
  }
  return Flush(Text.size());
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
  ConvertKeepingBytes(Converter.get(), Text, Result);
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

std::string LocaleCharset() {
  const char* Name = nl_langinfo(CODESET);
  // The C and POSIX locales name plain ASCII; like Python and GLib, read
  // them as UTF-8, which holds every name and agrees with ASCII.
  if (!Name || !*Name || std::strcmp(Name, "ANSI_X3.4-1968") == 0) return "UTF-8";
  return Name;
}

TCharsetEncoder::TCharsetEncoder(const std::string& Charset) {
  UErrorCode Status = U_ZERO_ERROR;
  UConverter* Converter = ucnv_open(Charset.c_str(), &Status);
  if (U_FAILURE(Status) || ucnv_getType(Converter) == UCNV_UTF8) {
    ucnv_close(Converter);
    return;
  }
  FConverter.reset(Converter);
  ucnv_setFromUCallBack(Converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &Status);
}

TCharsetEncoder::~TCharsetEncoder() = default;

void TCharsetEncoder::TCloser::operator()(UConverter* Converter) const { ucnv_close(Converter); }

bool TCharsetEncoder::Encode(StringView Text, std::string& Bytes) const {
  if (!FConverter) {
    AppendStringAsUtf8(Bytes, Text);
    return true;
  }
  std::string Converted;
  if (!ConvertKeepingBytes(FConverter.get(), Text, Converted)) return false;
  Bytes += Converted;
  return true;
}

}  // namespace cantrel
