// File names as Strings: UTF-8 bytes decoded, folders and extensions.
#include "runtime/Paths.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace cantrel {

namespace {

String::size_type ExtensionStart(StringView FileName) {
  const auto Dot = FileName.rfind(u'.');
  if (Dot == StringView::npos) return String::npos;
  const auto Delim = FileName.rfind(PathDelim);
  return Delim != StringView::npos && Delim > Dot ? String::npos : Dot;
}


std::vector<StringView> SplitPieces(StringView Rest) {
  std::vector<StringView> Pieces;
  for (std::size_t Delim; (Delim = Rest.find(PathDelim)) != StringView::npos; Rest.remove_prefix(Delim + 1))
    Pieces.push_back(Rest.substr(0, Delim));
  if (!Rest.empty()) Pieces.push_back(Rest);
  return Pieces;
}

void ResolveDots(std::vector<StringView>& Pieces, bool Rooted) {
  for (std::size_t I = 0; I < Pieces.size();) {
    if (Pieces[I] == u".") {
      Pieces.erase(Pieces.begin() + static_cast<std::ptrdiff_t>(I));
    } else if (!Rooted && (I == 0 || Pieces[I - 1] == u"..")) {
      ++I;
    } else if (Pieces[I] == u"..") {
      const std::size_t First = I > 0 ? I - 1 : I;
      Pieces.erase(Pieces.begin() + static_cast<std::ptrdiff_t>(First),
                   Pieces.begin() + static_cast<std::ptrdiff_t>(I + 1));
      I = First;
    } else {
      ++I;
    }
  }
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

String PathCanonicalize(StringView Path) {
  const bool Rooted = !Path.empty() && Path.front() == PathDelim;
  const StringView Prefix = Path.substr(0, Rooted ? 1 : 0);
  std::vector<StringView> Pieces = SplitPieces(Path.substr(Prefix.size()));
  ResolveDots(Pieces, Rooted);
  String Result(Prefix);
  for (std::size_t I = 0; I < Pieces.size(); ++I) {
    if (I > 0) Result += PathDelim;
    Result += Pieces[I];
  }
  return Result.empty() ? String(u".") : Result;
}

String AbsolutePath(StringView Path) {
  std::string Result;
  if (Path.empty() || Path.front() != PathDelim) {
    // Unlike the kernel's, the C library's answer has no length limit.
    const std::unique_ptr<char, decltype(&std::free)> Current(getcwd(nullptr, 0), &std::free);
    if (!Current) return String(Path);
    // Each piece below brings its own "/".
    if (std::string_view(Current.get()) != "/") Result = Current.get();
  }
  for (const StringView Piece : SplitPieces(Path)) {
    if (Piece.empty() || Piece == u".") continue;
    if (Piece == u"..") {
      const std::unique_ptr<char, decltype(&std::free)> Real(realpath(Result.empty() ? "/" : Result.c_str(), nullptr),
                                                              &std::free);
      if (Real) Result = Real.get();
      Result.erase(std::min(Result.rfind('/'), Result.size()));
      continue;
    }
    Result += '/';
    Result += SystemFileName(Piece);
  }
  return Result.empty() ? String(1, PathDelim) : FromSystemFileName(Result);
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
