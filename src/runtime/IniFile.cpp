#include "runtime/IniFile.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "runtime/AtomicFile.h"
#include "runtime/Exceptions.h"
#include "runtime/Paths.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

constexpr std::size_t MaxValueLength = 2047;

std::optional<String> SectionName(const String& Line) {
  const String Trimmed = Trim(Line);
  if (Trimmed.size() < 2 || Trimmed.front() != u'[' || Trimmed.back() != u']') return std::nullopt;
  return Trim(StringView(Trimmed).substr(1, Trimmed.size() - 2));
}

bool IsKey(const String& Line, StringView Ident) {
  const auto Equals = Line.find(u'=');
  return Equals != String::npos && SameText(Trim(StringView(Line).substr(0, Equals)), Trim(Ident));
}

// The line range [First, Last) of a section's keys; First is npos when the
// file has no such section.
struct TSectionRange {
  std::size_t First = String::npos;
  std::size_t Last = 0;
};

TSectionRange FindSection(const std::vector<String>& Lines, StringView Section) {
  TSectionRange Range;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    const auto Name = SectionName(Lines[I]);
    if (!Name) continue;
    if (Range.First != String::npos) {
      Range.Last = I;
      return Range;
    }
    if (SameText(*Name, Trim(Section))) Range.First = I + 1;
  }
  Range.Last = Lines.size();
  return Range;
}

std::optional<std::int64_t> ParseInteger(StringView Text) {
  std::size_t I = 0;
  while (I < Text.size() && Text[I] <= 32) ++I;
  bool Negative = false;
  if (I < Text.size() && (Text[I] == u'-' || Text[I] == u'+')) Negative = Text[I++] == u'-';
  int Base = 10;
  if (I < Text.size() && (Text[I] == u'$' || Text[I] == u'x' || Text[I] == u'X')) {
    Base = 16, ++I;
  } else if (I + 1 < Text.size() && Text[I] == u'0' && (Text[I + 1] == u'x' || Text[I + 1] == u'X')) {
    Base = 16, I += 2;
  }
  if (I == Text.size()) return std::nullopt;
  std::int64_t Value = 0;
  for (; I < Text.size(); ++I) {
    const char16_t C = Text[I];
    int Digit;
    if (C >= u'0' && C <= u'9')
      Digit = C - u'0';
    else if (Base == 16 && C >= u'a' && C <= u'f')
      Digit = C - u'a' + 10;
    else if (Base == 16 && C >= u'A' && C <= u'F')
      Digit = C - u'A' + 10;
    else
      return std::nullopt;
    Value = Value * Base + Digit;
    if (Value > 0xFFFFFFFFll) return std::nullopt;
  }
  // Hexadecimal digits spell the 32 bits themselves.
  if (Base == 16) Value = static_cast<std::int32_t>(static_cast<std::uint32_t>(Value));
  return Negative ? -Value : Value;
}

}  // namespace

TIniFile::TIniFile(String FileName) : FFileName(std::move(FileName)) {}

TIniFile::TLines TIniFile::Load() const {
  std::ifstream File(SystemFileName(FFileName), std::ios::binary);
  const std::string Bytes((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  TLines Result;
  const String Text = Utf8ToString(Bytes.starts_with("\xEF\xBB\xBF") ? Bytes.substr(3) : Bytes);
  if (Text.find(u"\r\n") != String::npos) Result.LineBreak = u"\r\n";
  std::size_t Start = 0;
  while (Start < Text.size()) {
    auto End = Text.find(u'\n', Start);
    if (End == String::npos) End = Text.size();
    String Line = Text.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == u'\r') Line.pop_back();
    Result.Lines.push_back(std::move(Line));
    Start = End + 1;
  }
  return Result;
}

void TIniFile::Save(const TLines& Lines) {
  String Text;
  for (const String& Line : Lines.Lines) Text.append(Line).append(Lines.LineBreak);
  try {
    WriteFileAtomically(FFileName, StringToUtf8(Text));
  } catch (const EFCreateError&) {
    throw EIniFileException(&SWriteError, {FFileName});
  }
}

String TIniFile::ReadString(StringView Section, StringView Ident, StringView Default) const {
  const TLines File = Load();
  const TSectionRange Range = FindSection(File.Lines, Section);
  if (Range.First == String::npos) return String(Default);
  for (std::size_t I = Range.First; I < Range.Last; ++I) {
    const String& Line = File.Lines[I];
    if (!IsKey(Line, Ident)) continue;
    const String Value = Trim(StringView(Line).substr(Line.find(u'=') + 1));
    return Value.substr(0, MaxValueLength);
  }
  return String(Default);
}

std::int32_t TIniFile::ReadInteger(StringView Section, StringView Ident, std::int32_t Default) const {
  const auto Value = ParseInteger(ReadString(Section, Ident, u""));
  if (!Value || *Value < INT32_MIN || *Value > INT32_MAX) return Default;
  return static_cast<std::int32_t>(*Value);
}

void TIniFile::WriteString(StringView Section, StringView Ident, StringView Value) {
  TLines File = Load();
  const String Line = Trim(Ident) + u"=" + String(Value);
  const TSectionRange Range = FindSection(File.Lines, Section);
  if (Range.First == String::npos) {
    if (!File.Lines.empty() && !Trim(File.Lines.back()).empty()) File.Lines.emplace_back();
    File.Lines.push_back(u"[" + Trim(Section) + u"]");
    File.Lines.push_back(Line);
    return Save(File);
  }
  std::size_t Insert = Range.First;
  for (std::size_t I = Range.First; I < Range.Last; ++I) {
    if (IsKey(File.Lines[I], Ident)) {
      File.Lines[I] = Line;
      return Save(File);
    }
    if (!Trim(File.Lines[I]).empty()) Insert = I + 1;
  }
  File.Lines.insert(File.Lines.begin() + static_cast<std::ptrdiff_t>(Insert), Line);
  Save(File);
}

void TIniFile::WriteInteger(StringView Section, StringView Ident, std::int32_t Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

}  // namespace cantrel
