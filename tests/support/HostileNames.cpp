#include "HostileNames.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "RunProgram.h"

namespace cantrel::test {

namespace {

std::string ReadBytes(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    std::size_t End = Text.find('\n', Start);
    if (End == std::string::npos) End = Text.size();
    std::string Line = Text.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    Lines.push_back(std::move(Line));
    Start = End + 1;
  }
  return Lines;
}

// A value as INI readers take it: without blanks and tabs at either end.
std::string Trimmed(const std::string& Value) {
  const std::size_t First = Value.find_first_not_of(" \t");
  if (First == std::string::npos) return {};
  return Value.substr(First, Value.find_last_not_of(" \t") - First + 1);
}

std::vector<std::string> LineEntries(const std::string& Text, bool Pls) {
  std::vector<std::string> Entries;
  for (const std::string& Line : SplitLines(Text)) {
    if (Pls) {
      if (Line.starts_with("File") && Line.find('=') != std::string::npos) Entries.push_back(Trimmed(Line.substr(Line.find('=') + 1)));
    } else if (!Line.empty() && Line.front() != '#') {
      Entries.push_back(Line);
    }
  }
  return Entries;
}

void CollectXml(xmlNode* Node, const char* Element, const char* Attribute, std::vector<std::string>& Values) {
  for (; Node; Node = Node->next) {
    if (Node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(Node->name), Element) == 0) {
      const std::unique_ptr<xmlChar, void (*)(void*)> Value(
          Attribute ? xmlGetProp(Node, reinterpret_cast<const xmlChar*>(Attribute)) : xmlNodeGetContent(Node),
          xmlFree);
      if (Value) Values.emplace_back(reinterpret_cast<const char*>(Value.get()));
    }
    CollectXml(Node->children, Element, Attribute, Values);
  }
}

bool XmlEntries(const std::string& PlayList, const std::string& Text, const char* Element, const char* Attribute,
                std::vector<std::string>& Entries, std::vector<std::string>& Problems) {
  if (RunProgram({"xmllint", "--noout", PlayList}) != 0) Problems.push_back("xmllint refuses " + PlayList);
  const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> Document(
      xmlReadMemory(Text.data(), static_cast<int>(Text.size()), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR),
      xmlFreeDoc);
  if (!Document) {
    Problems.push_back("not well-formed XML: " + PlayList);
    return false;
  }
  CollectXml(xmlDocGetRootElement(Document.get()), Element, Attribute, Entries);
  return true;
}

// The path of a relative URI reference, percent-decoded; false for one with
// a scheme.
bool DecodeReference(const std::string& Reference, std::string& Path) {
  std::size_t Pos = 0;
  while (Pos < Reference.size() && (std::isalnum(static_cast<unsigned char>(Reference[Pos])) ||
                                    std::strchr("+-.", Reference[Pos])))
    ++Pos;
  if (Pos > 0 && Pos < Reference.size() && Reference[Pos] == ':' && std::isalpha(static_cast<unsigned char>(Reference[0])))
    return false;
  const std::string Raw = Reference.substr(0, Reference.find_first_of("?#"));
  Path.clear();
  for (std::size_t I = 0; I < Raw.size(); ++I) {
    if (Raw[I] == '%' && I + 2 < Raw.size() && std::isxdigit(static_cast<unsigned char>(Raw[I + 1])) &&
        std::isxdigit(static_cast<unsigned char>(Raw[I + 2]))) {
      Path += static_cast<char>(std::stoi(Raw.substr(I + 1, 2), nullptr, 16));
      I += 2;
    } else {
      Path += Raw[I];
    }
  }
  return true;
}

}  // namespace

std::vector<std::string> MakeHostileTree(const std::string& Folder) {
  const std::vector<std::string> Files = {
      "#1 Intro.mp3", " lead.mp3", "trail.mp3 ", "100% & <fun> \"q\" 'a'.mp3", "what?.mp3", "hash#tag.mp3",
      "back\\slash.mp3", "tab\there.mp3", "file:x.mp3", "Mix \xF0\x9F\x92\xBF.mp3", "\xF0\xA0\x80\x80 ext-b.mp3",
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.mp3", "Bj\xC3\xB6rk.mp3", "caf\xE9.mp3", "Song.mp3", "song.mp3",
      "line\nbreak.mp3", "cr\rhere.mp3", "bell\x07.mp3", "#1 Hits/a.mp3", " Lead/b.mp3", "Trailing /c.mp3",
      "file:dir/d.mp3", "Rock & Roll/<Live>/e.mp3", "\xE9\x9F\xB3\xE6\xA5\xBD \xF0\x9F\x92\xBF/f.mp3",
      "caf\xE9 dir/g.mp3", "new\nline/h.mp3", "Case/i.mp3", "case/j.mp3", "50%/k.mp3"};
  for (const std::string& File : Files) {
    const std::filesystem::path Path = Folder + File;
    std::filesystem::create_directories(Path.parent_path());
    std::ofstream(Path, std::ios::binary);
  }
  return Files;
}

TPlayListVerdict CheckPlayList(const std::string& PlayList) {
  TPlayListVerdict Verdict;
  std::string Text = ReadBytes(PlayList);
  if (Text.starts_with("\xEF\xBB\xBF")) Text.erase(0, 3);
  const std::string Extension = PlayList.substr(PlayList.rfind('.') + 1);
  std::vector<std::string> Entries;
  bool References = false;
  if (Extension == "m3u" || Extension == "m3u8" || Extension == "pls") {
    Entries = LineEntries(Text, Extension == "pls");
  } else if (Extension == "wpl") {
    XmlEntries(PlayList, Text, "media", "src", Entries, Verdict.Problems);
  } else if (Extension == "xspf") {
    References = XmlEntries(PlayList, Text, "location", nullptr, Entries, Verdict.Problems);
  } else if (Extension == "asx") {
    References = XmlEntries(PlayList, Text, "ref", "href", Entries, Verdict.Problems);
  } else {
    Verdict.Problems.push_back("unknown format: " + PlayList);
  }
  const std::string Folder = PlayList.substr(0, PlayList.rfind('/') + 1);
  for (const std::string& Entry : Entries) {
    std::string Path = Entry;
    if (References && !DecodeReference(Entry, Path)) {
      Verdict.Problems.push_back("reads as a URI with a scheme: " + Entry);
      continue;
    }
    const std::string Full = Path.starts_with('/') ? Path : Folder + Path;
    struct stat Info {};
    if (stat(Full.c_str(), &Info) != 0 || !S_ISREG(Info.st_mode))
      Verdict.Problems.push_back("names no file: \"" + Entry + "\" in " + PlayList);
    else
      Verdict.Files.push_back(std::filesystem::path(Full).lexically_normal().string());
  }
  return Verdict;
}

}  // namespace cantrel::test
