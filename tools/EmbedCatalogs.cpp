// cantrel-embed-catalogs INPUT OUTPUT [NAME=CATALOG]...
//
// Writes OUTPUT: the executable INPUT with the given catalogs appended, then
// a table naming each by NAME (its path relative to the executable's folder,
// such as locale/de/LC_MESSAGES/cantrel.mo), and the table's offset written
// behind the catalog marker in the executable's data. The program then
// finds these catalogs inside itself before looking on disk.
//
// Exit status: 0 done, 2 bad arguments (a NAME not of the form
// locale/<lang>/LC_MESSAGES/<domain>.mo, a CATALOG that is not a GNU MO
// file), 1 any other failure.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/EmbeddedCatalogs.h"
#include "runtime/String.h"

using namespace cantrel;

namespace {

// Arguments the tool refuses; they end it with status 2.
class EUsage : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TCatalog {
  std::string Name;
  std::string Bytes;
};

std::string ReadWholeFile(const std::string& FileName) {
  std::ifstream File(FileName, std::ios::binary);
  if (!File) throw std::runtime_error("cannot read " + FileName);
  return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

void AppendLittleEndian64(std::string& Out, std::uint64_t Value) {
  for (int I = 0; I < 8; ++I) Out += static_cast<char>(Value >> (8 * I) & 0xFF);
}

void WriteLittleEndian64(std::string& Out, std::size_t Position, std::uint64_t Value) {
  for (std::size_t I = 0; I < 8; ++I) Out[Position + I] = static_cast<char>(Value >> (8 * I) & 0xFF);
}

// The position of the offset field behind the one marker that is still
// unset.
std::size_t FindTableOffsetField(const std::string& Executable) {
  const std::string Unset(EmbeddedOffsetSize, '\0');
  std::size_t Field = std::string::npos;
  bool AlreadySet = false;
  for (std::size_t Pos = Executable.find(EmbeddedCatalogMarker); Pos != std::string::npos;
       Pos = Executable.find(EmbeddedCatalogMarker, Pos + 1)) {
    const std::size_t Candidate = Pos + EmbeddedCatalogMarker.size();
    if (Executable.compare(Candidate, EmbeddedOffsetSize, Unset) != 0) {
      AlreadySet = true;
      continue;
    }
    if (Field != std::string::npos) throw std::runtime_error("the catalog marker occurs more than once");
    Field = Candidate;
  }
  if (Field == std::string::npos)
    throw std::runtime_error(AlreadySet ? "the executable carries catalogs already"
                                        : "the executable has no catalog marker");
  return Field;
}

// Whether Name is a path the program asks for: locale/<lang>/LC_MESSAGES/<domain>.mo.
bool IsCatalogPath(std::string_view Name) {
  std::vector<std::string_view> Parts;
  for (std::size_t Slash; (Slash = Name.find('/')) != std::string_view::npos; Name.remove_prefix(Slash + 1))
    Parts.push_back(Name.substr(0, Slash));
  Parts.push_back(Name);
  const auto IsFolderName = [](std::string_view Part) { return !Part.empty() && Part != "." && Part != ".."; };
  return Parts.size() == 4 && Parts[0] == "locale" && IsFolderName(Parts[1]) && Parts[2] == "LC_MESSAGES" &&
         Parts[3].size() > 3 && Parts[3].ends_with(".mo");
}

// Whether Bytes begin with the MO magic number, in either byte order.
bool HasMoMagic(std::string_view Bytes) {
  return Bytes.starts_with("\x95\x04\x12\xde") || Bytes.starts_with("\xde\x12\x04\x95");
}

TCatalog ReadCatalog(const std::string& Argument, const std::vector<TCatalog>& Earlier) {
  const std::size_t Equals = Argument.find('=');
  if (Equals == std::string::npos || Equals == 0) throw EUsage("expected NAME=CATALOG: " + Argument);
  const std::string FileName = Argument.substr(Equals + 1);
  TCatalog Catalog{Argument.substr(0, Equals), {}};
  // The program trims names and compares them without regard to case.
  const String Name = Utf8ToString(Catalog.Name);
  if (Trim(Name) != Name || Name.find(u'\0') != String::npos)
    throw EUsage("a name may not begin or end with blanks: " + Catalog.Name);
  if (!IsCatalogPath(Catalog.Name))
    throw EUsage("a name must have the form locale/<lang>/LC_MESSAGES/<domain>.mo: " + Catalog.Name);
  for (const TCatalog& Other : Earlier)
    if (SameText(Utf8ToString(Other.Name), Name)) throw EUsage("name given twice: " + Catalog.Name);
  Catalog.Bytes = ReadWholeFile(FileName);
  if (!HasMoMagic(Catalog.Bytes)) throw EUsage("not a GNU MO catalog (no MO magic number): " + FileName);
  return Catalog;
}

// Appends the catalogs and their table and returns the table's offset.
std::uint64_t AppendCatalogs(std::string& Executable, const std::vector<TCatalog>& Catalogs) {
  std::vector<std::uint64_t> Offsets;
  for (const TCatalog& Catalog : Catalogs) {
    Offsets.push_back(Executable.size());
    Executable += Catalog.Bytes;
  }
  const std::uint64_t TableOffset = Executable.size();
  for (std::size_t I = 0; I < Catalogs.size(); ++I) {
    const std::uint64_t Next = Executable.size() + EmbeddedEntryHeaderSize + Catalogs[I].Name.size();
    AppendLittleEndian64(Executable, Next);
    AppendLittleEndian64(Executable, Offsets[I]);
    AppendLittleEndian64(Executable, Catalogs[I].Bytes.size());
    Executable += Catalogs[I].Name;
  }
  AppendLittleEndian64(Executable, 0);
  return TableOffset;
}

void WriteExecutable(const std::string& Input, const std::string& Output, const std::string& Bytes) {
  const std::string Temporary = Output + ".tmp";
  {
    std::ofstream File(Temporary, std::ios::binary | std::ios::trunc);
    File.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    if (!File.flush()) throw std::runtime_error("cannot write " + Temporary);
  }
  std::filesystem::permissions(Temporary, std::filesystem::status(Input).permissions());
  std::filesystem::rename(Temporary, Output);
}

}  // namespace

int main(int Argc, char** Argv) {
  if (Argc < 3) {
    std::fputs("usage: cantrel-embed-catalogs INPUT OUTPUT [NAME=CATALOG]...\n", stderr);
    return 2;
  }
  try {
    std::string Executable = ReadWholeFile(Argv[1]);
    const std::size_t Field = FindTableOffsetField(Executable);
    std::vector<TCatalog> Catalogs;
    for (int I = 3; I < Argc; ++I) Catalogs.push_back(ReadCatalog(Argv[I], Catalogs));
    if (!Catalogs.empty()) WriteLittleEndian64(Executable, Field, AppendCatalogs(Executable, Catalogs));
    WriteExecutable(Argv[1], Argv[2], Executable);
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "cantrel-embed-catalogs: %s\n", Error.what());
    return dynamic_cast<const EUsage*>(&Error) ? 2 : 1;
  }
  return 0;
}
