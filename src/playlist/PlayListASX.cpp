// The ASX writer.
#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"
#include "playlist/TagText.h"
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

  // Title and type come from the escaped path, or the title from the tags,
  // the location is a URI reference; carried entries name the reference
  // before the parameters.
  const TResStringRec* AddEntry(TPlayListLines& Lines, const TPlayListEntry& Entry, int) const override {
    const String Escaped = EscapeLocation(Entry.Path);
    const String Extension = ExtractFileExt(Escaped);
    const StringView FileType = StringView(Extension).substr(Extension.empty() ? 0 : 1);
    const StringView Reference = ReferencePrefix(Escaped);
    const auto AddRef = [&] { Lines.Add({u"    <ref href = \"", Reference, Escaped, u"\" />"}); };
    Lines.Add(u"  <entry>");
    if (Entry.Tags)
      AddTagLines(Lines, *Entry.Tags, Entry.Path);
    else
      Lines.Add({u"    <title>", StringView(Escaped).substr(0, Escaped.size() - Extension.size()), u"</title>"});
    if (Entry.Carried) AddRef();
    Lines.Add({u"    <Param Name = \"FileType\" Value = \"", FileType, u"\" />"});
    Lines.Add({u"    <Param Name = \"SourceURL\" Value = \"", Reference, Escaped, u"\" />"});
    if (!Entry.Carried) AddRef();
    Lines.Add(u"  </entry>");
    return nullptr;
  }

  std::vector<String> ClosingLines(int) const override { return {u"</asx>"}; }

private:
  static void AddTagLines(TPlayListLines& Lines, const TMediaTags& Tags, StringView Path) {
    Lines.Add({u"    <title>", EscapeXmlTitle(DisplayTitle(Tags, Path)), u"</title>"});
    if (!Tags.Artist.empty()) Lines.Add({u"    <author>", EscapeXmlTitle(OneLineText(Tags.Artist)), u"</author>"});
    if (Tags.Length >= 0) Lines.Add({u"    <duration value = \"", LengthAsClock(Tags.Length), u"\" />"});
  }
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_asx(const String& aName, bool Recursion, bool, const TMakeOptions& Options) {
  return Make([] { return std::make_unique<TASXWriter>(); }, aName, Recursion, Options);
}

}  // namespace cantrel
