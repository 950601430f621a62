// TIniFile: settings files of sections and keys.
#include "runtime/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "runtime/AtomicFile.h"
#include "runtime/Exceptions.h"
#include "runtime/Paths.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

constexpr std::size_t MaxValueLength = 2047;

// The bytes of the settings file: empty when there is none, nothing when
// something else lies at the path. Opened without blocking (a FIFO with no
// writer would wait forever) and read only when it is a regular file of
// at most MaxFileSize bytes.
std::optional<std::string> ReadSettingsBytes(const String& FileName) {
  const int Handle = open(SystemFileName(FileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (Handle < 0) return errno == ENOENT || errno == ENOTDIR ? std::optional<std::string>(std::in_place) : std::nullopt;
  std::optional<std::string> Bytes;
  struct stat Status;
  if (fstat(Handle, &Status) == 0 && S_ISREG(Status.st_mode) &&
      static_cast<std::uint64_t>(Status.st_size) <= TIniFile::MaxFileSize) {
    Bytes.emplace();
    Bytes->reserve(static_cast<std::size_t>(Status.st_size));
    // The file may grow while it is read: the limit holds for what is read.
    char Chunk[65536];
    for (;;) {
      const ssize_t Read = read(Handle, Chunk, sizeof Chunk);
      if (Read < 0 && errno == EINTR) continue;
      if (Read < 0 || Bytes->size() + static_cast<std::size_t>(Read) > TIniFile::MaxFileSize) {
        Bytes.reset();
        break;
      }
      if (Read == 0) break;
      Bytes->append(Chunk, static_cast<std::size_t>(Read));
    }
  }
  close(Handle);
  return Bytes;
}

bool IsLineBreak(char16_t C) { return C == u'\n' || C == u'\r'; }

// Whether a value would lose its first or last characters, or turn its
// line into a section header, unless written in double quotes.
bool NeedsQuotes(StringView Value) {
  return !Value.empty() && (Value.front() <= 32 || Value.back() <= 32 || Value.front() == u'"' ||
                            Value.back() == u'"' || Value.back() == u']');
}

String Unquoted(String Value) {
  if (Value.size() >= 2 && Value.front() == u'"' && Value.back() == u'"') return Value.substr(1, Value.size() - 2);
  return Value;
}

// The value cut to the limit, never between the halves of a surrogate pair.
String Limited(String Value) {
  if (Value.size() <= MaxValueLength) return Value;
  std::size_t Length = MaxValueLength;
  if (Value[Length - 1] >= 0xD800 && Value[Length - 1] <= 0xDBFF && Value[Length] >= 0xDC00 && Value[Length] <= 0xDFFF)
    --Length;
  Value.resize(Length);
  return Value;
}

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
  TLines Result;
  const std::optional<std::string> Bytes = ReadSettingsBytes(FFileName);
  if (!Bytes) {
    Result.Writable = false;
    return Result;
  }
  const String Text = Utf8ToString(Bytes->starts_with("\xEF\xBB\xBF") ? std::string_view(*Bytes).substr(3) : *Bytes);
  if (Text.find(u"\r\n") != String::npos) Result.LineBreak = u"\r\n";
  for (std::size_t Start = 0; Start < Text.size();) {
    std::size_t End = Start;
    while (End < Text.size() && !IsLineBreak(Text[End])) ++End;
    Result.Lines.push_back(Text.substr(Start, End - Start));
    Start = End + (Text.compare(End, 2, u"\r\n") == 0 ? 2 : 1);
  }
  return Result;
}

void TIniFile::Save(const TLines& Lines) {
  if (!Lines.Writable) throw EIniFileException(&SWriteError, {FFileName});
  String Text;
  for (const String& Line : Lines.Lines) Text.append(Line).append(Lines.LineBreak);
  try {
    WriteFileAtomically(FFileName, StringToUtf8(Text));
  } catch (const EFCreateError&) {
    throw EIniFileException(&SWriteError, {FFileName});
  }
}

std::optional<String> TIniFile::FindValue(StringView Section, StringView Ident) const {
  const TLines File = Load();
  const TSectionRange Range = FindSection(File.Lines, Section);
  if (Range.First == String::npos) return std::nullopt;
  for (std::size_t I = Range.First; I < Range.Last; ++I) {
    const String& Line = File.Lines[I];
    if (!IsKey(Line, Ident)) continue;
    return Limited(Unquoted(Trim(StringView(Line).substr(Line.find(u'=') + 1))));
  }
  return std::nullopt;
}

String TIniFile::ReadString(StringView Section, StringView Ident, StringView Default) const {
  return FindValue(Section, Ident).value_or(String(Default));
}

bool TIniFile::ValueExists(StringView Section, StringView Ident) const { return FindValue(Section, Ident).has_value(); }

std::int32_t TIniFile::ReadInteger(StringView Section, StringView Ident, std::int32_t Default) const {
  const auto Value = ParseInteger(ReadString(Section, Ident, u""));
  if (!Value || *Value < INT32_MIN || *Value > INT32_MAX) return Default;
  return static_cast<std::int32_t>(*Value);
}

void TIniFile::WriteString(StringView Section, StringView Ident, StringView Value) {
  if (std::find_if(Value.begin(), Value.end(), IsLineBreak) != Value.end())
    throw EIniFileException(&SIniLineBreak, {FFileName});
  TLines File = Load();
  const String Line = Trim(Ident) + u"=" + (NeedsQuotes(Value) ? u'"' + String(Value) + u'"' : String(Value));
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
