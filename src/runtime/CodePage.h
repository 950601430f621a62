// Legacy code pages and the converters between them and UTF-16.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "runtime/String.h"

struct UConverter;

namespace cantrel {

// The legacy Windows code page of the user's language (1252 when the
// language has no other), which 8-bit texts of windows are read in.
int AnsiCodePage();
int CodePageOfLanguage(std::string_view LocaleName);

// A character the code page lacks becomes "?". A byte kept from an
// undecodable file name is written back as that byte.
std::string StringToCodePage(StringView Text, int CodePage);
String CodePageToString(std::string_view Bytes, int CodePage);
// The strict conversion: false when the code page is unknown or a byte
// sequence has no character in it.
bool TryCodePageToString(std::string_view Bytes, int CodePage, String& Text);

// The character set of the user's locale, as nl_langinfo(CODESET) names it
// after the program's setlocale(LC_ALL, ""); "UTF-8" for the C and POSIX
// locales, which name plain ASCII.
std::string LocaleCharset();

// Writes text in a character set named as ICU and nl_langinfo name them; an
// unknown name writes UTF-8. Bytes kept from undecodable file names are
// written back as those bytes.
class TCharsetEncoder {
public:
  explicit TCharsetEncoder(const std::string& Charset);
  ~TCharsetEncoder();
  TCharsetEncoder(const TCharsetEncoder&) = delete;
  TCharsetEncoder& operator=(const TCharsetEncoder&) = delete;

  // Appends Text's bytes to Bytes; false, with Bytes unchanged, when a
  // character has no form in the set.
  bool Encode(StringView Text, std::string& Bytes) const;

private:
  struct TCloser {
    void operator()(UConverter* Converter) const;
  };
  // Empty for UTF-8.
  std::unique_ptr<UConverter, TCloser> FConverter;
};

}  // namespace cantrel
