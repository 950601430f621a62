#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"

namespace cantrel {

namespace {

constexpr StringView Declaration = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr StringView PlaylistStart = u"<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">";
constexpr StringView TrackListStart = u"  <trackList>";
constexpr StringView TrackListEnd = u"  </trackList>";
constexpr StringView PlaylistEnd = u"</playlist>";
constexpr int HeaderLines = 3;
constexpr int ClosingLines = 2;

String TrackLine(StringView Location) { return u"    <track><location>" + String(Location) + u"</location></track>"; }

// The location text of one of a child's track lines.
String LocationOf(String Line) {
  constexpr StringView Start = u"<location>";
  if (const auto Pos = Line.find(Start); Pos != String::npos) Line.erase(0, Pos + Start.size());
  if (const auto Pos = Line.find(u"</"); Pos != String::npos) Line.erase(Pos);
  return Line;
}

class TXSPFWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plXSPF); }

  void AddHeader(TStrings& Lines, const String&) const override {
    Lines.Add(String(Declaration));
    Lines.Add(String(PlaylistStart));
    Lines.Add(String(TrackListStart));
  }

  void AddEntry(TStrings& Lines, const String& Name, int) const override {
    Lines.Add(TrackLine(EscapeLocation(Name)));
  }

  // The child's track lines, empty ones skipped, behind the escaped prefix.
  int AddCarried(TStrings& Lines, const TPlayListFile& Child, const String& Prefix, int) const override {
    const TStringList& ChildLines = Child.ListAll();
    const String EscapedPrefix = EscapeLocation(Prefix);
    int Carried = 0;
    for (int I = HeaderLines; I < ChildLines.Count() - ClosingLines; ++I) {
      const String Line = Trim(ChildLines.Get(I));
      if (Line.empty()) continue;
      Lines.Add(TrackLine(EscapedPrefix + LocationOf(Line)));
      ++Carried;
    }
    return Carried;
  }

  void AddClosing(TStrings& Lines, int) const override {
    Lines.Add(String(TrackListEnd));
    Lines.Add(String(PlaylistEnd));
  }

  std::string Encode(const TPlayListFile&, const String& Text) const override {
    return "\xEF\xBB\xBF" + StringToUtf8(Text);
  }
};

}  // namespace

void TPlayListFile::makePlayList_xspf(const String& aName, bool Recursion, bool) {
  WritePlayList(TXSPFWriter(), aName, Recursion);
}

}  // namespace cantrel
