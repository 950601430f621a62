#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

String ParamLine(StringView Indent, StringView Name, StringView Value) {
  return String(Indent) + u"<Param Name = \"" + String(Name) + u"\" Value = \"" + String(Value) + u"\" />";
}

struct TAsxEntry {
  String Title;
  String FileType;
  String Location;

  explicit TAsxEntry(const String& Path)
      : Title(ChangeFileExt(EscapeLocation(Path), u"")),
        FileType(ExtractFileExt(EscapeLocation(Path))),
        Location(EscapeLocation(Path)) {
    if (!FileType.empty()) FileType.erase(0, 1);
  }

  String TitleLine() const { return u"    <title>" + Title + u"</title>"; }
  String FileTypeLine() const { return ParamLine(u"    ", u"FileType", FileType); }
  String SourceLine() const { return ParamLine(u"    ", u"SourceURL", Location); }
  String RefLine() const { return u"    <ref href = \"" + Location + u"\" />"; }
};

class TASXWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plASX); }

  void AddHeader(TStrings& Lines, const String& Title) const override {
    Lines.Add(u"<asx version = \"3.0\" >");
    Lines.Add(u"  <Title >" + Title + u"</Title>");
    Lines.Add(ParamLine(u"  ", u"AllowShuffle", u"yes"));
    // Without it the format's own player reads the file in the ANSI code page.
    Lines.Add(ParamLine(u"  ", u"Encoding", u"utf-8"));
  }

  void AddEntry(TStrings& Lines, const String& Name, int) const override {
    const TAsxEntry Entry(Name);
    Lines.Add(u"  <entry>");
    Lines.Add(Entry.TitleLine());
    Lines.Add(Entry.FileTypeLine());
    Lines.Add(Entry.SourceLine());
    Lines.Add(Entry.RefLine());
    Lines.Add(u"  </entry>");
  }

  // Carried entries name the reference before the parameters.
  int AddCarried(TStrings& Lines, const TPlayListFile& Child, const String& Prefix, int) const override {
    std::vector<String> Paths;
    CollectEntryPaths(Child, Prefix, Paths);
    for (const String& Path : Paths) {
      const TAsxEntry Entry(Path);
      Lines.Add(u"  <entry>");
      Lines.Add(Entry.TitleLine());
      Lines.Add(Entry.RefLine());
      Lines.Add(Entry.FileTypeLine());
      Lines.Add(Entry.SourceLine());
      Lines.Add(u"  </entry>");
    }
    return static_cast<int>(Paths.size());
  }

  void AddClosing(TStrings& Lines, int) const override { Lines.Add(u"</asx>"); }

  std::string Encode(const TPlayListFile&, const String& Text) const override { return StringToUtf8(Text); }
};

}  // namespace

void TPlayListFile::makePlayList_asx(const String& aName, bool Recursion, bool) {
  WritePlayList(TASXWriter(), aName, Recursion);
}

}  // namespace cantrel
