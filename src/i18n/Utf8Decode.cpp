// Translations decoded from UTF-8 to UTF-16.
#include "i18n/Utf8Decode.h"

#include "i18n/GettextConsts.h"
#include "runtime/Exceptions.h"

namespace cantrel {

String Utf8Decode(std::string_view Utf8) {
  String Result;
  Result.reserve(Utf8.size());
  for (std::size_t Pos = 0; Pos < Utf8.size();) {
    char32_t CodePoint;
    std::size_t Length;
    switch (ReadUtf8Sequence(Utf8, Pos, CodePoint, Length)) {
      case TUtf8Sequence::usInvalid:
        throw Exception(LoadResString(&SUtf8InvalidByte));
      case TUtf8Sequence::usTruncated:
        throw Exception(LoadResString(&SUtf8Truncated));
      case TUtf8Sequence::usValid:
        break;
    }
    AppendCodePoint(Result, CodePoint);
    Pos += Length;
  }
  return Result;
}

}  // namespace cantrel
