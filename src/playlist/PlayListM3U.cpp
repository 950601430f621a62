#include "playlist/PlayListWriter.h"
#include "runtime/CodePage.h"

namespace cantrel {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

// Players take a line that starts with "#" for a comment and drop leading
// blanks, so such a name is written behind "./" to still name its file.
String EntryLine(const String& Name) {
  if (!Name.empty() && (Name.front() == u'#' || Name.front() <= 32)) return u"./" + Name;
  return Name;
}

class TM3UWriter final : public TPlayListWriter {
public:
  explicit TM3UWriter(bool UTF8) : FUTF8(UTF8) {}

  void PrepareChild(const TPlayListFile& Node, TPlayListFile& Child) const override {
    Child.SetFormat(FUTF8 ? plM3U8 : plM3U);
    Child.SetUTF8(FUTF8);
    Child.SetUTF8BOM(Node.UTF8BOM());
  }

  void AddHeader(TStrings& Lines, const String&) const override {
    Lines.Add(u"#EXTM3U");
    Lines.Add(u"");
  }

  void AddEntry(TStrings& Lines, const String& Name, int) const override { Lines.Add(EntryLine(Name)); }

  // The child's lines after its header, stripped, behind the prefix.
  int AddCarried(TStrings& Lines, const TPlayListFile& Child, const String& Prefix, int) const override {
    const TStringList& ChildLines = Child.ListAll();
    int Carried = 0;
    for (int I = 2; I < ChildLines.Count(); ++I) {
      const String Line = Trim(ChildLines.Get(I));
      if (Line.empty()) {
        Lines.Add(u"");
      } else {
        Lines.Add(Prefix + Line);
        ++Carried;
      }
    }
    return Carried;
  }

  void AddClosing(TStrings&, int) const override {}

  std::string Encode(const TPlayListFile& Node, const String& Text) const override {
    if (!FUTF8) return StringToCodePage(Text, AnsiCodePage());
    return std::string(Node.UTF8BOM() ? Utf8Bom : "") + StringToUtf8(Text);
  }

private:
  bool FUTF8;
};

}  // namespace

void TPlayListFile::makePlayList_m3u(const String& aName, bool Recursion, bool UTF8) {
  WritePlayList(TM3UWriter(UTF8), aName, Recursion);
}

}  // namespace cantrel
