#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"

namespace cantrel {

namespace {

String MediaLine(const String& Path) { return u"      <media src=\"" + EscapeXml(Path) + u"\"/>"; }

class TWPLWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plWPL); }

  void AddHeader(TStrings& Lines, const String& Title) const override {
    Lines.Add(u"<?wpl version=\"1.0\"?>");
    Lines.Add(u"<smil>");
    Lines.Add(u"  <head>");
    Lines.Add(u"    <meta name=\"Generator\" content=\"Cantrel\"/>");
    Lines.Add(u"    <title>" + EscapeXml(Title) + u"</title>");
    Lines.Add(u"  </head>");
    Lines.Add(u"  <body>");
    Lines.Add(u"    <seq>");
  }

  void AddEntry(TStrings& Lines, const String& Name, int) const override { Lines.Add(MediaLine(Name)); }

  int AddCarried(TStrings& Lines, const TPlayListFile& Child, const String& Prefix, int) const override {
    std::vector<String> Paths;
    CollectEntryPaths(Child, Prefix, Paths);
    for (const String& Path : Paths) Lines.Add(MediaLine(Path));
    return static_cast<int>(Paths.size());
  }

  void AddClosing(TStrings& Lines, int) const override {
    Lines.Add(u"    </seq>");
    Lines.Add(u"  </body>");
    Lines.Add(u"</smil>");
  }

  std::string Encode(const TPlayListFile&, const String& Text) const override { return StringToUtf8(Text); }
};

}  // namespace

void TPlayListFile::makePlayList_wpl(const String& aName, bool Recursion, bool) {
  WritePlayList(TWPLWriter(), aName, Recursion);
}

}  // namespace cantrel
