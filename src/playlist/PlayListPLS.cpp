#include "playlist/PlayListWriter.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

void AddPlsEntry(TStrings& Lines, const String& Path, int Number) {
  const String Index = IntToStr(Number);
  Lines.Add(u"File" + Index + u"=" + Path);
  Lines.Add(u"Title" + Index + u"=" + ChangeFileExt(ExtractFileName(Path), u""));
}

class TPLSWriter final : public TPlayListWriter {
public:
  void PrepareChild(const TPlayListFile&, TPlayListFile& Child) const override { Child.SetFormat(plPLS); }

  void AddHeader(TStrings& Lines, const String&) const override { Lines.Add(u"[playlist]"); }

  void AddEntry(TStrings& Lines, const String& Name, int Number) const override { AddPlsEntry(Lines, Name, Number); }

  int AddCarried(TStrings& Lines, const TPlayListFile& Child, const String& Prefix, int Number) const override {
    std::vector<String> Paths;
    CollectEntryPaths(Child, Prefix, Paths);
    for (const String& Path : Paths) AddPlsEntry(Lines, Path, ++Number);
    return static_cast<int>(Paths.size());
  }

  void AddClosing(TStrings& Lines, int EntryCount) const override {
    Lines.Add(u"NumberOfEntries=" + IntToStr(EntryCount));
    Lines.Add(u"Version=2");
  }

  // Common readers refuse a byte-order mark here.
  std::string Encode(const TPlayListFile&, const String& Text) const override { return StringToUtf8(Text); }
};

}  // namespace

void TPlayListFile::makePlayList_pls(const String& aName, bool Recursion, bool) {
  WritePlayList(TPLSWriter(), aName, Recursion);
}

}  // namespace cantrel
