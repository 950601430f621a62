// Format: printf-like formatting of Strings.
#include "runtime/Format.h"

#include <cmath>
#include <cstdio>

#include "runtime/Exceptions.h"
#include "runtime/Locale.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

[[noreturn]] void RaiseInvalidFormat(StringView Fmt) {
  throw EConvertError(Format(LoadResString(&SInvalidFormat), {String(Fmt)}));
}

String FixedTwoDecimals(double Value) {
  char Buffer[400];
  std::snprintf(Buffer, sizeof Buffer, "%.2f", Value);
  return ReplaceAll(AsciiToString(Buffer), u".", DecimalSeparator());
}

}  // namespace

String Format(StringView Fmt, std::initializer_list<TVarRec> Args) {
  String Result;
  auto Arg = Args.begin();
  for (std::size_t I = 0; I < Fmt.size(); ++I) {
    if (Fmt[I] != u'%') {
      Result += Fmt[I];
      continue;
    }
    if (++I == Fmt.size()) RaiseInvalidFormat(Fmt);
    const char16_t Kind = Fmt[I];
    if (Kind == u'%') {
      Result += u'%';
      continue;
    }
    if (Arg == Args.end()) RaiseInvalidFormat(Fmt);
    const auto& Value = (Arg++)->Value();
    if (Kind == u'd' && std::holds_alternative<std::int64_t>(Value))
      Result += IntToStr(std::get<std::int64_t>(Value));
    else if (Kind == u's' && std::holds_alternative<String>(Value))
      Result += std::get<String>(Value);
    else if (Kind == u'f' && std::holds_alternative<double>(Value))
      Result += FixedTwoDecimals(std::get<double>(Value));
    else
      RaiseInvalidFormat(Fmt);
  }
  return Result;
}

String FormatConversions(StringView Fmt) {
  String Result;
  for (std::size_t I = 0; I < Fmt.size(); ++I) {
    if (Fmt[I] != u'%') continue;
    if (++I == Fmt.size())
      Result += u'%';
    else if (Fmt[I] != u'%')
      Result += Fmt[I];
  }
  return Result;
}

}  // namespace cantrel
