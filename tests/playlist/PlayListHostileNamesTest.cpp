#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "HostileNames.h"
#include "TreeBuilder.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

// Builds the tree from the folder as a search would: a node per folder
// holding its files' names.
void ReadTree(TPlayListFile& Node, const std::string& Folder, std::vector<std::pair<std::string, TPlayListFile*>>& Nodes) {
  Node.SetPath(Utf8ToString(Folder));
  Nodes.emplace_back(Folder, &Node);
  std::vector<std::string> Folders;
  for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
    const std::string Name = Entry.path().filename().string();
    if (Entry.is_directory())
      Folders.push_back(Name);
    else
      Node.Add(Utf8ToString(Name));
  }
  std::sort(Folders.begin(), Folders.end());
  for (const std::string& Name : Folders) ReadTree(*Node.AddChild(), Folder + Name + "/", Nodes);
}

std::string FolderName(const std::string& Folder) {
  return std::filesystem::path(Folder.substr(0, Folder.size() - 1)).filename().string();
}

// Why a format cannot hold a relative path, or nullptr.
using TRefusal = std::function<const char16_t*(const std::string&)>;

const char16_t* LineBreak(const std::string& Path) {
  return Path.find_first_of("\r\n") != std::string::npos ? u"line break in the name" : nullptr;
}

struct TFormatCase {
  TPlayListFileFoamat Format;
  const char* Extension;
  TRefusal Refusal;
};

class PlayListHostileNamesTest : public TPlayListTest {};

}  // namespace

TEST_F(PlayListHostileNamesTest, EveryFormatResolvesEveryNameItHoldsAndReportsTheOthers) {
  const std::vector<std::string> Files = MakeHostileTree(Dir.Path());
  std::vector<std::pair<std::string, TPlayListFile*>> Nodes;
  ReadTree(Root, Dir.Path(), Nodes);
  const TRefusal NotXml = [](const std::string& Path) -> const char16_t* {
    const bool Refused = Path.find('\x07') != std::string::npos || Path.find("caf\xE9") != std::string::npos;
    return Refused ? u"not representable in XML" : nullptr;
  };
  // INI readers trim a value: a blank or tab at its end is lost.
  const TRefusal NotIni = [](const std::string& Path) -> const char16_t* {
    if (const char16_t* Reason = LineBreak(Path)) return Reason;
    return Path.back() == ' ' || Path.back() == '\t' ? u"blank at the end of the name" : nullptr;
  };
  const TRefusal Nothing = [](const std::string&) -> const char16_t* { return nullptr; };
  const TFormatCase Cases[] = {
      {plM3U, "m3u", LineBreak}, {plM3U8, "m3u8", LineBreak}, {plPLS, "pls", NotIni},
      {plWPL, "wpl", NotXml},    {plXSPF, "xspf", Nothing},   {plASX, "asx", Nothing},
  };
  for (const TFormatCase& Case : Cases) {
    SCOPED_TRACE(Case.Extension);
    Root.SetFormat(Case.Format);
    const TMakeReport Report = Root.makePlayList(u"%album%", true, false);
    for (const auto& [Folder, Node] : Nodes) {
      const std::string PlayList = Folder + FolderName(Folder) + "." + Case.Extension;
      const TPlayListVerdict Verdict = CheckPlayList(PlayList);
      for (const std::string& Problem : Verdict.Problems) ADD_FAILURE() << Problem;

      std::vector<std::string> Listed, Left;
      const std::string Relative = Folder.substr(Dir.Path().size());
      for (const std::string& File : Files) {
        if (!File.starts_with(Relative)) continue;
        const std::string Entry = File.substr(Relative.size());
        (Case.Refusal(Entry) ? Left : Listed).push_back(Entry);
      }
      std::vector<std::string> Found, Reported;
      for (const std::string& Path : Verdict.Files) Found.push_back(Path.substr(Folder.size()));
      for (const TLeftOutName& Name : Report.LeftOut) {
        if (Name.PlayList != Utf8ToString(PlayList)) continue;
        Reported.push_back(StringToUtf8(Name.Entry));
        const char16_t* Reason = Case.Refusal(StringToUtf8(Name.Entry));
        EXPECT_EQ(Name.Reason, Reason ? Reason : u"");
      }
      for (auto* List : {&Listed, &Left, &Found, &Reported}) std::sort(List->begin(), List->end());
      EXPECT_EQ(Found, Listed) << PlayList;
      EXPECT_EQ(Reported, Left) << PlayList;
    }
  }
}
