// The WPL writer.
#include "playlist/PlayListConsts.h"
#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"

namespace cantrel {

namespace {

class TWPLWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plWPL); }

  void AddHeader(TPlayListLines& Lines, const String& Title) const override {
    Lines.Add(u"<?wpl version=\"1.0\"?>");
    Lines.Add(u"<smil>");
    Lines.Add(u"  <head>");
    Lines.Add(u"    <meta name=\"Generator\" content=\"Cantrel\"/>");
    Lines.Add(u"    <title>" + EscapeXmlTitle(Title) + u"</title>");
    Lines.Add(u"  </head>");
    Lines.Add(u"  <body>");
    Lines.Add(u"    <seq>");
  }

  // The source is a path read literally, so a name XML cannot carry has no
  // form here.
  const TResStringRec* AddEntry(TPlayListLines& Lines, const TPlayListEntry& Entry, int) const override {
    const StringView Path = Entry.Path;
    if (!IsXmlText(Path)) return &SNotRepresentableInXml;
    Lines.Add({u"      <media src=\"", ReferencePrefix(Path), EscapeXml(Path), u"\"/>"});
    return nullptr;
  }

  std::vector<String> ClosingLines(int) const override { return {u"    </seq>", u"  </body>", u"</smil>"}; }
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_wpl(const String& aName, bool Recursion, bool, const TMakeOptions& Options) {
  return Make([] { return std::make_unique<TWPLWriter>(); }, aName, Recursion, Options);
}

}  // namespace cantrel
