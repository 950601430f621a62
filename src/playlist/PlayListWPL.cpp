#include "playlist/PlayListConsts.h"
#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"

namespace cantrel {

namespace {

class TWPLWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plWPL); }

  void AddHeader(TPlayListLines& Lines, const String& Title) const override {
    Lines.emplace_back(u"<?wpl version=\"1.0\"?>");
    Lines.emplace_back(u"<smil>");
    Lines.emplace_back(u"  <head>");
    Lines.emplace_back(u"    <meta name=\"Generator\" content=\"Cantrel\"/>");
    Lines.push_back(u"    <title>" + EscapeXmlTitle(Title) + u"</title>");
    Lines.emplace_back(u"  </head>");
    Lines.emplace_back(u"  <body>");
    Lines.emplace_back(u"    <seq>");
  }

  // The source is a path read literally, so a name XML cannot carry has no
  // form here.
  const TResStringRec* AddEntry(TPlayListLines& Lines, const String& Path, bool, int) const override {
    if (!IsXmlText(Path)) return &SNotRepresentableInXml;
    Lines.push_back(u"      <media src=\"" + EscapeXml(RelativeReference(Path)) + u"\"/>");
    return nullptr;
  }

  void AddClosing(TPlayListLines& Lines, int) const override {
    Lines.emplace_back(u"    </seq>");
    Lines.emplace_back(u"  </body>");
    Lines.emplace_back(u"</smil>");
  }

  std::string Encode(const TPlayListFile&, const String& Text) const override { return StringToUtf8(Text); }
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_wpl(const String& aName, bool Recursion, bool, const TMakeOptions& Options) {
  return Make(TWPLWriter(), aName, Recursion, Options);
}

}  // namespace cantrel
