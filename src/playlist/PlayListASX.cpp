#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

String ParamLine(StringView Indent, StringView Name, StringView Value) {
  return String(Indent) + u"<Param Name = \"" + String(Name) + u"\" Value = \"" + String(Value) + u"\" />";
}

class TASXWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plASX); }

  void AddHeader(TPlayListLines& Lines, const String& Title) const override {
    Lines.Add(u"<asx version = \"3.0\" >");
    Lines.Add(u"  <Title >" + EscapeXmlTitle(Title) + u"</Title>");
    Lines.Add(ParamLine(u"  ", u"AllowShuffle", u"yes"));
    // Without it the format's own player reads the file in the ANSI code page.
    Lines.Add(ParamLine(u"  ", u"Encoding", u"utf-8"));
  }

  // Title and type come from the escaped path, the location is a URI
  // reference; carried entries name the reference before the parameters.
  const TResStringRec* AddEntry(TPlayListLines& Lines, StringView Path, bool Carried, int) const override {
    const String Escaped = EscapeLocation(Path);
    String FileType = ExtractFileExt(Escaped);
    if (!FileType.empty()) FileType.erase(0, 1);
    const String Location = RelativeReference(Escaped);
    const String RefLine = u"    <ref href = \"" + Location + u"\" />";
    Lines.Add(u"  <entry>");
    Lines.Add(u"    <title>" + ChangeFileExt(Escaped, u"") + u"</title>");
    if (Carried) Lines.Add(RefLine);
    Lines.Add(ParamLine(u"    ", u"FileType", FileType));
    Lines.Add(ParamLine(u"    ", u"SourceURL", Location));
    if (!Carried) Lines.Add(RefLine);
    Lines.Add(u"  </entry>");
    return nullptr;
  }

  void AddClosing(TPlayListLines& Lines, int) const override { Lines.Add(u"</asx>"); }
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_asx(const String& aName, bool Recursion, bool, const TMakeOptions& Options) {
  return Make(TASXWriter(), aName, Recursion, Options);
}

}  // namespace cantrel
