// A playlist's lines, encoded and handed on as they are made.
#include "playlist/PlayListLines.h"

#include <algorithm>

#include "playlist/PlayListWriter.h"

namespace cantrel {

namespace {

// Lines are handed on in pieces of about this size.
constexpr std::size_t PieceSize = 65536;

constexpr std::string_view LineEnd = "\r\n";

}  // namespace

TPlayListLines::TPlayListLines(const TPlayListWriter& Writer, TOutput Output)
    : FWriter(Writer), FOutput(std::move(Output)) {}

bool TPlayListLines::Add(std::initializer_list<StringView> Pieces) {
  if (std::all_of(Pieces.begin(), Pieces.end(), [](StringView Piece) { return Piece.empty(); })) {
    AddBlank();
    return true;
  }
  // The blank lines before it go first; they wait on when it cannot be
  // written.
  const std::size_t Size = FBytes.size();
  for (std::size_t Blank = 0; Blank < FTidy.Waiting(); ++Blank) FBytes += LineEnd;
  for (const StringView Piece : Pieces) {
    if (!FWriter.Encode(Piece, FBytes)) {
      FBytes.resize(Size);
      return false;
    }
  }
  FTidy.TakeWaiting();
  FBytes += LineEnd;
  if (FBytes.size() >= PieceSize) Flush();
  return true;
}

void TPlayListLines::AddWaitingBlankLines() {
  for (std::size_t Blank = FTidy.TakeWaiting(); Blank > 0; --Blank) FBytes += LineEnd;
}

void TPlayListLines::Finish(const std::vector<String>& Closing) {
  FTidy.EndList({}, Closing.size());
  for (const String& Line : Closing) Add(Line);
  AddWaitingBlankLines();
  Flush();
}

void TPlayListLines::Flush() {
  if (!FBytes.empty()) FOutput(FBytes);
  FBytes.clear();
}

}  // namespace cantrel
