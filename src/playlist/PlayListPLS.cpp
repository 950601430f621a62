#include "playlist/PlayListConsts.h"
#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

class TPLSWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plPLS); }

  void AddHeader(TPlayListLines& Lines, const String&) const override { Lines.emplace_back(u"[playlist]"); }

  const TResStringRec* AddEntry(TPlayListLines& Lines, const String& Path, bool, int Number) const override {
    if (HasLineBreak(Path)) return &SLineBreakInName;
    const String Index = IntToStr(Number);
    Lines.push_back(u"File" + Index + u"=" + Path);
    Lines.push_back(u"Title" + Index + u"=" + ChangeFileExt(ExtractFileName(Path), u""));
    return nullptr;
  }

  void AddClosing(TPlayListLines& Lines, int EntryCount) const override {
    Lines.push_back(u"NumberOfEntries=" + IntToStr(EntryCount));
    Lines.emplace_back(u"Version=2");
  }

  // Common readers refuse a byte-order mark here.
  std::string Encode(const TPlayListFile&, const String& Text) const override { return StringToUtf8(Text); }
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_pls(const String& aName, bool Recursion, bool, const TMakeOptions& Options) {
  return Make(TPLSWriter(), aName, Recursion, Options);
}

}  // namespace cantrel
