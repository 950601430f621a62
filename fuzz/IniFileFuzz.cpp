// The settings file on any bytes: every value the reader finds, written
// back, reads the same and leaves the other values as they were; any other
// value written reads back the same (cut to 2047 characters), and one
// holding a line break is refused and changes nothing.
#include <cstdint>
#include <fstream>
#include <vector>

#include "FuzzSupport.h"
#include "runtime/Exceptions.h"
#include "runtime/IniFile.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::fuzz;

namespace {

// No value read holds a line break.
constexpr StringView Absent = u"\n";

struct TKey {
  String Section;
  String Ident;
};

std::vector<String> Lines(StringView Text) {
  std::vector<String> Result;
  for (std::size_t Start = 0; Start < Text.size() && Result.size() < 32;) {
    const std::size_t End = std::min(Text.find_first_of(u"\r\n", Start), Text.size());
    Result.emplace_back(Text.substr(Start, End - Start));
    Start = End + 1;
  }
  return Result;
}

// The keys that the lines name, with the section they stand in.
std::vector<TKey> KeysOf(const std::vector<String>& Lines) {
  std::vector<TKey> Keys;
  String Section;
  for (const String& Line : Lines) {
    const String Trimmed = Trim(Line);
    const std::size_t Equals = Line.find(u'=');
    if (Trimmed.size() >= 2 && Trimmed.front() == u'[' && Trimmed.back() == u']')
      Section = Trim(StringView(Trimmed).substr(1, Trimmed.size() - 2));
    else if (Equals != String::npos && Keys.size() < 16)
      Keys.push_back({Section, Trim(StringView(Line).substr(0, Equals))});
  }
  return Keys;
}

bool HoldsLineBreak(StringView Value) { return Value.find_first_of(u"\r\n") != StringView::npos; }

// What reading gives for a written value: the value, cut to the limit.
bool ReadsAsWritten(StringView Read, StringView Written) {
  if (Written.size() <= 2047) return Read == Written;
  return (Read.size() == 2047 || Read.size() == 2046) && Written.starts_with(Read);
}

std::string FileBytes(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Bytes = AsBytes(Data, Size);
  if (Size > TIniFile::MaxFileSize) return 0;
  const std::string Path = ScratchFolder() + "fuzz.ini";
  std::ofstream(Path, std::ios::binary | std::ios::trunc).write(Bytes.data(), static_cast<std::streamsize>(Size));
  TIniFile Ini(FromSystemFileName(Path));
  const String Text = Utf8ToString(Bytes);
  const std::vector<String> TextLines = Lines(Text);
  const std::vector<TKey> Keys = KeysOf(TextLines);

  std::vector<String> Values;
  for (const TKey& Key : Keys) {
    Values.push_back(Ini.ReadString(Key.Section, Key.Ident, Absent));
    Ini.ReadInteger(Key.Section, Key.Ident, 0);
  }
  const auto CheckValues = [&] {
    for (std::size_t I = 0; I < Keys.size(); ++I)
      if (!SameText(Keys[I].Section, u"Fuzz"))
        FUZZ_CHECK(Ini.ReadString(Keys[I].Section, Keys[I].Ident, Absent) == Values[I]);
  };
  try {
    for (std::size_t I = 0; I < Keys.size(); ++I)
      if (Values[I] != Absent) Ini.WriteString(Keys[I].Section, Keys[I].Ident, Values[I]);
    CheckValues();

    std::vector<String> Written(TextLines.begin(), TextLines.begin() + std::min<std::ptrdiff_t>(8, std::ssize(TextLines)));
    Written.push_back(Text);
    for (const String& Value : Written) {
      const std::string Before = FileBytes(Path);
      try {
        Ini.WriteString(u"Fuzz", u"Value", Value);
        FUZZ_CHECK(!HoldsLineBreak(Value));
        FUZZ_CHECK(ReadsAsWritten(Ini.ReadString(u"Fuzz", u"Value", Absent), Value));
      } catch (const EIniFileException&) {
        FUZZ_CHECK(HoldsLineBreak(Value));
        FUZZ_CHECK(FileBytes(Path) == Before);
      }
    }
    const std::int32_t Number = static_cast<std::int32_t>(Size * 2654435761u);
    Ini.WriteInteger(u"Fuzz", u"Number", Number);
    FUZZ_CHECK(Ini.ReadInteger(u"Fuzz", u"Number", Number ^ 1) == Number);
    CheckValues();
  } catch (const EIniFileException&) {
    FUZZ_CHECK(false);
  }
  return 0;
}
