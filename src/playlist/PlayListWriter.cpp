// The writing every output format shares, and what each format adds.
#include "playlist/PlayListWriter.h"

#include "runtime/Paths.h"

namespace cantrel {

namespace {

// The lines of the entries as the writer makes them, and the names it
// cannot hold.
class TEntryLines final : public TPlayListContents {
public:
  TEntryLines(const TPlayListWriter& Writer, TPlayListLines& Lines, const String& PlayList,
              std::vector<TLeftOutName>& LeftOut)
      : FWriter(Writer), FLines(Lines), FPlayList(PlayList), FLeftOut(LeftOut) {}

  void AddEntry(const TPlayListEntry& Entry) override {
    if (const TResStringRec* Reason = FWriter.AddEntry(FLines, Entry, FCount + 1))
      FLeftOut.push_back({FPlayList, String(Entry.Path), LoadResString(Reason)});
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
  const String& FPlayList;
  std::vector<TLeftOutName>& FLeftOut;
  int FCount = 0;
};

}  // namespace

void TPlayListWriter::Write(const TPlayListFile& Node, const TEntryListing& Listing, const String& PlayList,
                            const TPlayListLines::TOutput& Output, std::vector<TLeftOutName>& LeftOut) const {
  TPlayListLines Lines(*this, Output);
  Lines.AddBytes(ByteOrderMark(Node));
  AddHeader(Lines, ChangeFileExt(ExtractFileName(PlayList), u""));
  TEntryLines Entries(*this, Lines, PlayList, LeftOut);
  ListPlayListEntries(Node, Listing, Entries);
  Lines.Finish(ClosingLines(Entries.Count()));
}

bool TPlayListWriter::Encode(StringView Line, std::string& Bytes) const {
  AppendStringAsUtf8(Bytes, Line);
  return true;
}

}  // namespace cantrel
