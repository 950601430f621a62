#include "runtime/Paths.h"

#include <unistd.h>

#include <vector>

namespace cantrel {

namespace {

String::size_type ExtensionStart(StringView FileName) {
  const auto Dot = FileName.rfind(u'.');
  if (Dot == StringView::npos) return String::npos;
  const auto Delim = FileName.rfind(PathDelim);
  return Delim != StringView::npos && Delim > Dot ? String::npos : Dot;
}

}  // namespace

String ExtractFilePath(StringView FileName) {
  const auto Delim = FileName.rfind(PathDelim);
  return Delim == StringView::npos ? String() : String(FileName.substr(0, Delim + 1));
}

String ExtractFileName(StringView FileName) {
  const auto Delim = FileName.rfind(PathDelim);
  return String(Delim == StringView::npos ? FileName : FileName.substr(Delim + 1));
}

String ExtractFileExt(StringView FileName) {
  const auto Dot = ExtensionStart(FileName);
  return Dot == String::npos ? String() : String(FileName.substr(Dot));
}

String ChangeFileExt(StringView FileName, StringView Extension) {
  const auto Dot = ExtensionStart(FileName);
  return String(Dot == String::npos ? FileName : FileName.substr(0, Dot)).append(Extension);
}

String IncludeTrailingPathDelimiter(StringView Path) {
  String Result(Path);
  if (Result.empty() || Result.back() != PathDelim) Result += PathDelim;
  return Result;
}

String ExcludeTrailingPathDelimiter(StringView Path) {
  String Result(Path);
  if (!Result.empty() && Result.back() == PathDelim) Result.pop_back();
  return Result;
}

String ModuleFileName() {
  std::vector<char> Buffer(4096);
  for (;;) {
    const ssize_t Length = readlink("/proc/self/exe", Buffer.data(), Buffer.size());
    if (Length < 0) return {};
    if (static_cast<std::size_t>(Length) < Buffer.size())
      return FromSystemFileName(std::string_view(Buffer.data(), static_cast<std::size_t>(Length)));
    Buffer.resize(Buffer.size() * 2);
  }
}

}  // namespace cantrel
