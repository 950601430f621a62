// The writing every output format shares, and what each format adds.
#include "playlist/PlayListWriter.h"

#include "runtime/Paths.h"

namespace cantrel {

namespace {

// The lines of the entries as the writer makes them, and the names it
// cannot hold.
class TEntryLines final : public TPlayListContents {
public:
  TEntryLines(const TPlayListWriter& Writer, TPlayListLines& Lines, std::vector<TLeftOutEntry>& LeftOut)
      : FWriter(Writer), FLines(Lines), FLeftOut(LeftOut) {}

  void AddEntry(const TPlayListEntry& Entry) override {
    if (const TResStringRec* Reason = FWriter.AddEntry(FLines, Entry, FCount + 1))
      FLeftOut.push_back({String(Entry.Path), Reason});
    else
      ++FCount;
  }
  void AddBlank() override { FLines.AddBlank(); }
  void AddCarriedBlank() override {
    if (FWriter.CarriesBlankLines()) FLines.AddBlank();
  }

  int Count() const { return FCount; }

private:
  const TPlayListWriter& FWriter;
  TPlayListLines& FLines;
  std::vector<TLeftOutEntry>& FLeftOut;
  int FCount = 0;
};

}  // namespace

void TPlayListWriter::Write(const TPlayListFile& Node, const TEntryListing& Listing, const String& PlayList,
                            const TPlayListLines::TOutput& Output, std::vector<TLeftOutEntry>& LeftOut) const {
  TPlayListLines Lines(*this, Output);
  Lines.AddBytes(ByteOrderMark(Node));
  AddHeader(Lines, ChangeFileExt(ExtractFileName(PlayList), u""));
  TEntryLines Entries(*this, Lines, LeftOut);
  ListPlayListEntries(Node, Listing, Entries);
  Lines.Finish(ClosingLines(Entries.Count()));
}

bool TPlayListWriter::Encode(StringView Line, std::string& Bytes) const {
  AppendStringAsUtf8(Bytes, Line);
  return true;
}

}  // namespace cantrel
