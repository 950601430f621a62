// The M3U and M3U8 writers.
#include "playlist/PlayListConsts.h"
#include "playlist/PlayListText.h"
#include "playlist/PlayListWriter.h"
#include "playlist/TagText.h"
#include "runtime/CodePage.h"

namespace cantrel {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

// Players take a line that starts with "#" for a comment and drop leading
// blanks, so such a path is written behind "./" to still name its file.
bool NeedsDotSlash(StringView Path) { return Path.front() == u'#' || BeginsWithBlank(Path); }

class TM3UWriter final : public TPlayListWriter {
public:
  explicit TM3UWriter(bool UTF8) : FUTF8(UTF8), FEncoder(UTF8 ? "UTF-8" : LocaleCharset()) {}

  void PrepareChild(const TPlayListFile& Node, TPlayListFile& Child) const override {
    Child.SetFormat(FUTF8 ? plM3U8 : plM3U);
    Child.SetUTF8(FUTF8);
    Child.SetUTF8BOM(Node.UTF8BOM());
  }

  void AddHeader(TPlayListLines& Lines, const String&) const override {
    Lines.Add(u"#EXTM3U");
    Lines.AddBlank();
  }

  // The information line goes only with a path that is written.
  const TResStringRec* AddEntry(TPlayListLines& Lines, const TPlayListEntry& Entry, int) const override {
    const StringView Path = Entry.Path;
    if (HasLineBreak(Path)) return &SLineBreakInName;
    if (Entry.Tags) {
      if (!InCharset(Path)) return &SNotInLocaleCharset;
      Lines.Add({u"#EXTINF:", LengthInSeconds(Entry.Tags->Length), u",",
                 ShownInCharset(DisplayTitle(*Entry.Tags, Path))});
    }
    const bool Added = NeedsDotSlash(Path) ? Lines.Add({u"./", Path}) : Lines.Add(Path);
    return Added ? nullptr : &SNotInLocaleCharset;
  }

  bool CarriesBlankLines() const override { return true; }

  std::vector<String> ClosingLines(int) const override { return {}; }

  std::string ByteOrderMark(const TPlayListFile& Node) const override {
    return std::string(FUTF8 && Node.UTF8BOM() ? Utf8Bom : "");
  }

  bool Encode(StringView Line, std::string& Bytes) const override { return FEncoder.Encode(Line, Bytes); }

private:
  bool InCharset(StringView Text) const {
    std::string Bytes;
    return FUTF8 || FEncoder.Encode(Text, Bytes);
  }

  // Shown text keeps its place where the character set lacks a character.
  String ShownInCharset(const String& Text) const {
    if (InCharset(Text)) return Text;
    String Result;
    char32_t CodePoint;
    for (std::size_t Pos = 0, Length; Pos < Text.size(); Pos += Length) {
      ReadTextUnit(Text, Pos, CodePoint, Length);
      const StringView Character = StringView(Text).substr(Pos, Length);
      Result += InCharset(Character) ? Character : StringView(u"?");
    }
    return Result;
  }

  bool FUTF8;
  // Plain M3U is read in the user's locale, as every other text file.
  TCharsetEncoder FEncoder;
};

}  // namespace

TMakeReport TPlayListFile::makePlayList_m3u(const String& aName, bool Recursion, bool UTF8,
                                            const TMakeOptions& Options) {
  return Make([UTF8] { return std::make_unique<TM3UWriter>(UTF8); }, aName, Recursion, Options);
}

}  // namespace cantrel
