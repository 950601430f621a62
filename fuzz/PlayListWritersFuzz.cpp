// The playlist writers on a small tree of arbitrary names, made for real in
// a scratch folder. The input's first byte picks the format (modulo 6, in
// the order of the format box), the second the options: bit 0 the byte-order
// mark, bit 1 recursion, bit 2 tags and album order (every file's tags hold
// names of its folder's files, so every text a name can hold reaches every
// field of every format). The rest are NUL-separated paths below the tree's
// folder, each up to three folders and a file ("a/b/c.mp3"; "a/b/" makes the
// folders alone); a name the file system refuses is skipped. The nodes are
// built as Find builds them. Every XML playlist must be well-formed
// (libxml2), every entry, resolved as a player does, must name one of the
// files below the playlist's folder, and each of those files must be an
// entry or reported left out for a reason its format has.
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/stat.h>
#include <unicode/utf8.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "playlist/PlayListFile.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::fuzz;

namespace {

constexpr std::size_t MaxRecords = 24;
constexpr std::size_t MaxDepth = 3;
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
const char* const Extensions[] = {".m3u", ".m3u8", ".xspf", ".wpl", ".pls", ".asx"};

struct TFolder {
  // Below the tree's folder, ending in "/"; empty for the tree's folder.
  std::string Relative;
  TPlayListFile* Node;
};

struct TRun {
  TPlayListFileFoamat Format;
  bool Bom;
  bool Recursion;
  bool Tags;
  // Ends in "/".
  std::string Root;
  std::vector<TFolder> Folders;
  // Relative to Root.
  std::vector<std::string> Files;

  // The name of the playlist Make writes into a folder: the folder's name
  // and the format's extension.
  std::string PlayListName(const TFolder& Folder) const {
    const std::string Path = Root + Folder.Relative;
    return std::filesystem::path(Path.substr(0, Path.size() - 1)).filename().string() + Extensions[Format];
  }
};

std::vector<std::string_view> Split(std::string_view Text, char Separator) {
  std::vector<std::string_view> Pieces;
  for (std::size_t Start = 0;;) {
    const std::size_t End = Text.find(Separator, Start);
    Pieces.push_back(Text.substr(Start, End == std::string_view::npos ? std::string_view::npos : End - Start));
    if (End == std::string_view::npos) return Pieces;
    Start = End + 1;
  }
}

// Makes the folders and the file of one path and their nodes; stops at the
// first name the file system refuses or that Make would write a playlist to.
void AddRecord(std::string_view Record, TRun& Run) {
  std::vector<std::string_view> Names = Split(Record, '/');
  const bool FoldersOnly = Names.back().empty();
  if (FoldersOnly) Names.pop_back();
  if (Names.empty() || Names.size() > MaxDepth + (FoldersOnly ? 0 : 1)) return;
  std::size_t Parent = 0;
  for (std::size_t I = 0; I < Names.size(); ++I) {
    const std::string Name(Names[I]);
    TPlayListFile* const Node = Run.Folders[Parent].Node;
    if (Name.empty() || Name == "." || Name == ".." || Name == Run.PlayListName(Run.Folders[Parent])) return;
    const std::string Relative = Run.Folders[Parent].Relative + Name;
    const std::string Path = Run.Root + Relative;
    if (I + 1 == Names.size() && !FoldersOnly) {
      const int Handle = open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (Handle < 0) return;
      close(Handle);
      Node->Add(FromSystemFileName(Name));
      Run.Files.push_back(Relative);
      return;
    }
    const auto Known = std::find_if(Run.Folders.begin(), Run.Folders.end(),
                                    [&](const TFolder& Folder) { return Folder.Relative == Relative + "/"; });
    if (Known != Run.Folders.end()) {
      Parent = static_cast<std::size_t>(Known - Run.Folders.begin());
      continue;
    }
    if (mkdir(Path.c_str(), 0755) != 0) return;
    TPlayListFile* const Child = Node->AddChild();
    Child->SetPath(FromSystemFileName(Path + "/"));
    Child->SetName(Child->Path());
    Run.Folders.push_back({Relative + "/", Child});
    Parent = Run.Folders.size() - 1;
  }
}

// Gives every node its files' tags: the next file's name as title and
// artist, so a name a format leaves out still shows as another file's
// title, the own name as album, and a track number and length from its
// size, which reorders the files.
void TagFiles(const TRun& Run) {
  for (const TFolder& Folder : Run.Folders) {
    const TStringList& Names = Folder.Node->Items();
    std::vector<TMediaTags> Tags;
    for (int I = 0; I < Names.Count(); ++I) {
      const String& Name = Names.At(I);
      const String& Next = Names.At((I + 1) % Names.Count());
      const int Size = static_cast<int>(Name.size());
      Tags.push_back({Next, Next, Name, Size % 4, 0, Size * 1000 - 1});
    }
    Folder.Node->SetTags(std::move(Tags));
  }
}

std::string FileBytes(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  FUZZ_CHECK(File.good());
  return std::string((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
}

// The lines of a line-based playlist, each ended by CR LF and holding no
// other line break.
std::vector<std::string_view> CrLfLines(std::string_view Text) {
  FUZZ_CHECK(Text.ends_with("\r\n"));
  std::vector<std::string_view> Lines;
  for (std::size_t Start = 0; Start < Text.size();) {
    const std::size_t End = Text.find("\r\n", Start);
    Lines.push_back(Text.substr(Start, End - Start));
    FUZZ_CHECK(Lines.back().find_first_of("\r\n") == std::string_view::npos);
    Start = End + 2;
  }
  return Lines;
}

// Players skip comments and blank lines and drop leading blanks.
std::vector<std::string> M3UEntries(std::string_view Text) {
  const std::vector<std::string_view> Lines = CrLfLines(Text);
  FUZZ_CHECK(Lines.front() == "#EXTM3U");
  std::vector<std::string> Entries;
  for (std::string_view Line : Lines) {
    Line.remove_prefix(std::min(Line.find_first_not_of(" \t"), Line.size()));
    if (!Line.empty() && Line.front() != '#') Entries.emplace_back(Line);
  }
  return Entries;
}

// The "FileN=" values, numbered from 1, as many as NumberOfEntries says,
// trimmed of blanks and tabs as INI readers do.
std::vector<std::string> PLSEntries(std::string_view Text) {
  const std::vector<std::string_view> Lines = CrLfLines(Text);
  FUZZ_CHECK(Lines.front() == "[playlist]");
  std::vector<std::string> Entries;
  std::string_view Count;
  for (const std::string_view Line : Lines) {
    const std::size_t Equals = Line.find('=');
    if (Equals == std::string_view::npos) continue;
    const std::string_view Key = Line.substr(0, Equals);
    if (Key.starts_with("File")) {
      FUZZ_CHECK(Key == "File" + std::to_string(Entries.size() + 1));
      std::string_view Value = Line.substr(Equals + 1);
      Value.remove_prefix(std::min(Value.find_first_not_of(" \t"), Value.size()));
      Value.remove_suffix(Value.size() - std::min(Value.find_last_not_of(" \t") + 1, Value.size()));
      Entries.emplace_back(Value);
    } else if (Key == "NumberOfEntries") {
      Count = Line.substr(Equals + 1);
    }
  }
  FUZZ_CHECK(Count == std::to_string(Entries.size()));
  return Entries;
}

void CollectXml(const xmlNode* Node, const char* Element, const char* Attribute, std::vector<std::string>& Values) {
  for (; Node; Node = Node->next) {
    if (Node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(Node->name), Element) == 0) {
      const std::unique_ptr<xmlChar, void (*)(void*)> Value(
          Attribute ? xmlGetProp(Node, reinterpret_cast<const xmlChar*>(Attribute)) : xmlNodeGetContent(Node), xmlFree);
      FUZZ_CHECK(Value);
      Values.emplace_back(reinterpret_cast<const char*>(Value.get()));
    }
    CollectXml(Node->children, Element, Attribute, Values);
  }
}

// The text of every Element, or its Attribute, of a well-formed document.
std::vector<std::string> XmlEntries(std::string_view Text, const char* Root, const char* Element,
                                    const char* Attribute) {
  const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> Document(
      xmlReadMemory(Text.data(), static_cast<int>(Text.size()), nullptr, nullptr,
                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
      xmlFreeDoc);
  FUZZ_CHECK(Document);
  const xmlNode* RootNode = xmlDocGetRootElement(Document.get());
  FUZZ_CHECK(RootNode && std::strcmp(reinterpret_cast<const char*>(RootNode->name), Root) == 0);
  std::vector<std::string> Values;
  CollectXml(RootNode, Element, Attribute, Values);
  return Values;
}

bool IsAsciiLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }

// A reference that starts with a scheme ("file:", "c:") or an authority
// ("//") names no path relative to the playlist.
bool HasSchemeOrAuthority(std::string_view Reference) {
  if (Reference.starts_with("//")) return true;
  const std::size_t Colon = Reference.find(':');
  if (Colon == std::string_view::npos || Colon == 0 || !IsAsciiLetter(Reference[0])) return false;
  return std::all_of(Reference.begin(), Reference.begin() + static_cast<std::ptrdiff_t>(Colon), [](char C) {
    return IsAsciiLetter(C) || (C >= '0' && C <= '9') || C == '+' || C == '-' || C == '.';
  });
}

// The path of a relative URI reference, percent-decoded; a query or a
// fragment is no part of it.
std::string DecodeReference(std::string_view Reference) {
  FUZZ_CHECK(!HasSchemeOrAuthority(Reference));
  Reference = Reference.substr(0, Reference.find_first_of("?#"));
  std::string Path;
  for (std::size_t I = 0; I < Reference.size(); ++I) {
    const unsigned char C = static_cast<unsigned char>(Reference[I]);
    FUZZ_CHECK(C > 0x20 && C != 0x7F && std::strchr("\"<>\\", C) == nullptr);
    if (C != '%') {
      Path += static_cast<char>(C);
      continue;
    }
    unsigned Byte = 0;
    FUZZ_CHECK(I + 2 < Reference.size());
    const char* const Digits = Reference.data() + I + 1;
    FUZZ_CHECK(std::from_chars(Digits, Digits + 2, Byte, 16).ptr == Digits + 2);
    Path += static_cast<char>(Byte);
    I += 2;
  }
  return Path;
}

// A path read against the playlist's folder as the file system reads it:
// "." and empty pieces mean nothing, ".." climbs, never above the folder.
std::string Resolve(std::string_view Path) {
  FUZZ_CHECK(!Path.starts_with('/'));
  std::vector<std::string_view> Pieces;
  for (const std::string_view Piece : Split(Path, '/')) {
    if (Piece == "..") {
      FUZZ_CHECK(!Pieces.empty());
      Pieces.pop_back();
    } else if (!Piece.empty() && Piece != ".") {
      Pieces.push_back(Piece);
    }
  }
  std::string Result;
  for (const std::string_view Piece : Pieces) Result.append(Result.empty() ? "" : "/").append(Piece);
  return Result;
}

// Valid UTF-8 of characters XML 1.0 allows.
bool IsXmlText(std::string_view Bytes) {
  const auto* Units = reinterpret_cast<const std::uint8_t*>(Bytes.data());
  const auto Length = static_cast<std::int32_t>(Bytes.size());
  for (std::int32_t I = 0; I < Length;) {
    UChar32 C;
    U8_NEXT(Units, I, Length, C);
    const bool Allowed = C == 0x09 || C == 0x0A || C == 0x0D || (C >= 0x20 && C <= 0xD7FF) ||
                         (C >= 0xE000 && C <= 0xFFFD) || (C >= 0x10000 && C <= 0x10FFFF);
    if (!Allowed) return false;
  }
  return true;
}

// Why the format leaves an entry out, or nullptr where it can hold it.
const char16_t* ReasonToLeaveOut(TPlayListFileFoamat Format, std::string_view Entry) {
  switch (Format) {
    case plXSPF:
    case plASX:
      return nullptr;
    case plWPL:
      return IsXmlText(Entry) ? nullptr : u"not representable in XML";
    case plPLS:
      if (Entry.find_first_of("\r\n") != std::string_view::npos) return u"line break in the name";
      return static_cast<unsigned char>(Entry.back()) <= 32 ? u"blank at the end of the name" : nullptr;
    default:
      return Entry.find_first_of("\r\n") != std::string_view::npos ? u"line break in the name" : nullptr;
  }
}

// The files a playlist in Folder must account for, relative to Folder.
std::vector<std::string> FilesFor(const TRun& Run, const TFolder& Folder) {
  std::vector<std::string> Files;
  for (const std::string& File : Run.Files) {
    if (!File.starts_with(Folder.Relative)) continue;
    std::string Entry = File.substr(Folder.Relative.size());
    if (Run.Recursion || Entry.find('/') == std::string::npos) Files.push_back(std::move(Entry));
  }
  std::sort(Files.begin(), Files.end());
  return Files;
}

// Reads the playlist as a player of its format does; answers how many
// names the report says were left out of it.
std::size_t CheckPlayList(const TRun& Run, const TFolder& Folder, const std::string& PlayList,
                          const TMakeReport& Report) {
  const std::string Bytes = FileBytes(PlayList);
  const bool Bom = std::string_view(Bytes).starts_with(ByteOrderMark);
  FUZZ_CHECK(Bom == (Run.Format == plXSPF || (Run.Format == plM3U8 && Run.Bom)));
  const std::string_view Text = std::string_view(Bytes).substr(Bom ? ByteOrderMark.size() : 0);

  std::vector<std::string> Found;
  switch (Run.Format) {
    case plXSPF:
      for (const std::string& Location : XmlEntries(Bytes, "playlist", "location", nullptr))
        Found.push_back(Resolve(DecodeReference(Location)));
      break;
    case plASX:
      for (const std::string& Reference : XmlEntries(Bytes, "asx", "ref", "href"))
        Found.push_back(Resolve(DecodeReference(Reference)));
      break;
    case plWPL:
      for (const std::string& Source : XmlEntries(Bytes, "smil", "media", "src")) {
        FUZZ_CHECK(!HasSchemeOrAuthority(Source));
        Found.push_back(Resolve(Source));
      }
      break;
    case plPLS:
      for (const std::string& Path : PLSEntries(Text)) Found.push_back(Resolve(Path));
      break;
    default:
      for (const std::string& Path : M3UEntries(Text)) Found.push_back(Resolve(Path));
  }

  std::size_t LeftOut = 0;
  for (const TLeftOutName& Name : Report.LeftOut) {
    if (Name.PlayList != FromSystemFileName(PlayList)) continue;
    const std::string Entry = SystemFileName(Name.Entry);
    const char16_t* const Reason = ReasonToLeaveOut(Run.Format, Entry);
    FUZZ_CHECK(Reason && Name.Reason == Reason);
    Found.push_back(Entry);
    ++LeftOut;
  }
  std::sort(Found.begin(), Found.end());
  FUZZ_CHECK(Found == FilesFor(Run, Folder));
  return LeftOut;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // Plain M3U is written in the locale's character set: UTF-8 here.
  static const bool Ready = (xmlInitParser(), std::setlocale(LC_ALL, "C.UTF-8") != nullptr);
  FUZZ_CHECK(Ready);
  if (Size < 2) return 0;
  TPlayListFile Root;
  TRun Run{static_cast<TPlayListFileFoamat>(Data[0] % 6), (Data[1] & 1) != 0, (Data[1] & 2) != 0,
           (Data[1] & 4) != 0, ScratchFolder() + "tree/", {{"", &Root}}, {}};
  std::filesystem::remove_all(Run.Root);
  FUZZ_CHECK(mkdir(Run.Root.c_str(), 0755) == 0);
  Root.SetPath(FromSystemFileName(Run.Root));
  Root.SetName(Root.Path());
  Root.SetFormat(Run.Format);
  Root.SetUTF8BOM(Run.Bom);
  const std::vector<std::string_view> Records = Split(AsBytes(Data + 2, Size - 2), '\0');
  for (std::size_t I = 0; I < Records.size() && I < MaxRecords; ++I) AddRecord(Records[I], Run);

  TMakeOptions Options;
  if (Run.Tags) {
    TagFiles(Run);
    Options.Tags = Options.OrderByTags = true;
  }
  TMakeReport Report;
  try {
    Report = Root.makePlayList(u"%album%", Run.Recursion, Run.Bom, Options);
  } catch (const EMakeError& Error) {
    Report = Error.Report();
  }
  FUZZ_CHECK(!Report.Stopped);
  std::size_t Written = 0, TooLong = 0, LeftOut = 0;
  for (const TFolder& Folder : Run.Folders) {
    if (!Run.Recursion && Folder.Node != &Root) continue;
    const std::string PlayList = Run.Root + Folder.Relative + Run.PlayListName(Folder);
    if (Run.PlayListName(Folder).size() > NAME_MAX) {
      // The only playlists that cannot be written: the file system refuses
      // their names.
      ++TooLong;
      FUZZ_CHECK(std::any_of(Report.Failures.begin(), Report.Failures.end(), [&](const TPlayListFailure& Failure) {
        return Failure.PlayList == FromSystemFileName(PlayList);
      }));
      continue;
    }
    LeftOut += CheckPlayList(Run, Folder, PlayList, Report);
    ++Written;
  }
  FUZZ_CHECK(Report.Failures.size() == TooLong);
  FUZZ_CHECK(Report.LeftOut.size() == LeftOut);
  // Nothing beside the tree's files and the playlists: no temporary file
  // outlives Make.
  std::size_t Files = 0;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Run.Root))
    if (!Entry.is_directory()) ++Files;
  FUZZ_CHECK(Files == Run.Files.size() + Written);
  return 0;
}
