#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"

namespace cantrel {

namespace {

class TXSPFWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plXSPF); }

  void AddHeader(TPlayListLines& Lines, const String&) const override {
    Lines.emplace_back(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    Lines.emplace_back(u"<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">");
    Lines.emplace_back(u"  <trackList>");
  }

  // A location keeps every name: what XML or a URI cannot carry is escaped.
  const TResStringRec* AddEntry(TPlayListLines& Lines, const String& Path, bool, int) const override {
    Lines.push_back(u"    <track><location>" + RelativeReference(EscapeLocation(Path)) + u"</location></track>");
    return nullptr;
  }

  void AddClosing(TPlayListLines& Lines, int) const override {
    Lines.emplace_back(u"  </trackList>");
    Lines.emplace_back(u"</playlist>");
  }

  std::string Encode(const TPlayListFile&, const String& Text) const override {
    return "\xEF\xBB\xBF" + StringToUtf8(Text);
  }
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_xspf(const String& aName, bool Recursion, bool, const TMakeOptions& Options) {
  return Make(TXSPFWriter(), aName, Recursion, Options);
}

}  // namespace cantrel
