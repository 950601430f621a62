// cantrel-embed-catalogs INPUT OUTPUT [NAME=CATALOG]...
//
// Writes OUTPUT: the executable INPUT with the given catalogs appended, then
// a table naming each by NAME (its path relative to the executable's folder,
// such as locale/de/LC_MESSAGES/cantrel.mo), and the table's offset written
// behind the catalog marker in the executable's data. The program then
// finds these catalogs inside itself before looking on disk.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "i18n/EmbeddedCatalogs.h"
#include "runtime/String.h"

using namespace cantrel;

namespace {

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

TCatalog ReadCatalog(const std::string& Argument, const std::vector<TCatalog>& Earlier) {
  const std::size_t Equals = Argument.find('=');
  if (Equals == std::string::npos || Equals == 0) throw std::runtime_error("expected NAME=CATALOG: " + Argument);
  TCatalog Catalog{Argument.substr(0, Equals), ReadWholeFile(Argument.substr(Equals + 1))};
  // The program trims names and compares them without regard to case.
  const String Name = Utf8ToString(Catalog.Name);
  if (Trim(Name) != Name || Name.find(u'\0') != String::npos)
    throw std::runtime_error("a name may not begin or end with blanks: " + Catalog.Name);
  for (const TCatalog& Other : Earlier)
    if (SameText(Utf8ToString(Other.Name), Name)) throw std::runtime_error("name given twice: " + Catalog.Name);
  if (Catalog.Bytes.empty()) throw std::runtime_error("empty catalog: " + Argument.substr(Equals + 1));
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
    return 1;
  }
  return 0;
}
