#include "playlist/PlayListText.h"

#include <cstdio>

namespace cantrel {

namespace {

bool NeedsPercent(char16_t C) {
  if (C < 0x20 || C == 0x7F) return true;
  if (C >= 0xDC80 && C <= 0xDCFF) return true;
  return StringView(u"% &#?<>\"\\").find(C) != StringView::npos;
}

String Percent(unsigned Byte) {
  char Buffer[4];
  std::snprintf(Buffer, sizeof Buffer, "%%%02X", Byte & 0xFF);
  return AsciiToString(Buffer);
}

}  // namespace

String EscapeLocation(StringView Path) {
  String Result;
  Result.reserve(Path.size());
  for (const char16_t C : Path) {
    if (!NeedsPercent(C))
      Result += C;
    else
      Result += Percent(C >= 0xDC80 ? C - 0xDC00 : C);
  }
  return Result;
}

String EscapeXml(StringView Text) {
  String Result;
  Result.reserve(Text.size());
  for (const char16_t C : Text) {
    switch (C) {
      case u'&': Result += u"&amp;"; break;
      case u'\'': Result += u"&apos;"; break;
      case u'"': Result += u"&quot;"; break;
      case u'<': Result += u"&lt;"; break;
      case u'>': Result += u"&gt;"; break;
      default: Result += C;
    }
  }
  return Result;
}

}  // namespace cantrel
