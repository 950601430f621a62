// The XSPF writer.
#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"

namespace cantrel {

namespace {

void AddElement(String& Elements, StringView Name, StringView Text) {
  if (Text.empty()) return;
  Elements.append(u"<").append(Name).append(u">").append(Text).append(u"</").append(Name).append(u">");
}

String TagElements(const TMediaTags& Tags) {
  String Elements;
  AddElement(Elements, u"title", EscapeXmlTitle(Tags.Title));
  AddElement(Elements, u"creator", EscapeXmlTitle(Tags.Artist));
  AddElement(Elements, u"album", EscapeXmlTitle(Tags.Album));
  if (Tags.Track > 0) AddElement(Elements, u"trackNum", IntToStr(Tags.Track));
  if (Tags.Length >= 0) AddElement(Elements, u"duration", IntToStr(Tags.Length));
  return Elements;
}

class TXSPFWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plXSPF); }

  void AddHeader(TPlayListLines& Lines, const String&) const override {
    Lines.Add(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    Lines.Add(u"<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">");
    Lines.Add(u"  <trackList>");
  }

  // A location keeps every name: what XML or a URI cannot carry is escaped.
  // What the tags hold follows in the format's own order.
  const TResStringRec* AddEntry(TPlayListLines& Lines, const TPlayListEntry& Entry, int) const override {
    const String Location = EscapeLocation(Entry.Path);
    const String Tags = Entry.Tags ? TagElements(*Entry.Tags) : String();
    Lines.Add({u"    <track><location>", ReferencePrefix(Location), Location, u"</location>", Tags, u"</track>"});
    return nullptr;
  }

  std::vector<String> ClosingLines(int) const override { return {u"  </trackList>", u"</playlist>"}; }

  std::string ByteOrderMark(const TPlayListFile&) const override { return "\xEF\xBB\xBF"; }
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_xspf(const String& aName, bool Recursion, bool, const TMakeOptions& Options) {
  return Make([] { return std::make_unique<TXSPFWriter>(); }, aName, Recursion, Options);
}

}  // namespace cantrel
