// The PLS writer.
#include "playlist/PlayListConsts.h"
#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"
#include "playlist/TagText.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

class TPLSWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plPLS); }

  void AddHeader(TPlayListLines& Lines, const String&) const override { Lines.Add(u"[playlist]"); }

  // Common readers refuse a byte-order mark here: UTF-8 without one. INI
  // readers trim values: a blank in front is kept behind "./", one at the
  // end cannot be kept at all.
  const TResStringRec* AddEntry(TPlayListLines& Lines, const TPlayListEntry& Entry, int Number) const override {
    const StringView Path = Entry.Path;
    if (HasLineBreak(Path)) return &SLineBreakInName;
    if (EndsWithBlank(Path)) return &SBlankAtEndOfName;
    const String Index = IntToStr(Number);
    Lines.Add({u"File", Index, u"=", BeginsWithBlank(Path) ? u"./" : u"", Path});
    const String Title = Entry.Tags ? DisplayTitle(*Entry.Tags, Path) : ChangeFileExt(ExtractFileName(Path), u"");
    Lines.Add({u"Title", Index, u"=", Title});
    if (Entry.Tags) Lines.Add({u"Length", Index, u"=", LengthInSeconds(Entry.Tags->Length)});
    return nullptr;
  }

  std::vector<String> ClosingLines(int EntryCount) const override {
    return {u"NumberOfEntries=" + IntToStr(EntryCount), u"Version=2"};
  }
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_pls(const String& aName, bool Recursion, bool, const TMakeOptions& Options) {
  return Make([] { return std::make_unique<TPLSWriter>(); }, aName, Recursion, Options);
}

}  // namespace cantrel
