#include "playlist/PlayListWriter.h"

#include <algorithm>

namespace cantrel {

namespace {

// Lines are handed on in pieces of about this size.
constexpr std::size_t PieceSize = 65536;

}  // namespace

TPlayListLines::TPlayListLines(const TPlayListWriter& Writer, TOutput Output)
    : FWriter(Writer), FOutput(std::move(Output)) {}

// Appends the pieces' bytes; false, with Bytes as it was, when the encoding
// cannot hold one.
bool TPlayListLines::Encode(const TPlayListWriter& Writer, std::initializer_list<StringView> Pieces,
                            std::string& Bytes) {
  const std::size_t Size = Bytes.size();
  for (const StringView Piece : Pieces) {
    if (!Writer.Encode(Piece, Bytes)) {
      Bytes.resize(Size);
      return false;
    }
  }
  return true;
}

bool TPlayListLines::Add(std::initializer_list<StringView> Pieces) {
  const bool Blank = std::all_of(Pieces.begin(), Pieces.end(), [](StringView Piece) { return Piece.empty(); });
  if (FHeldCount == 0 && !Blank) {
    if (!Encode(FWriter, Pieces, FBytes)) return false;
    FBytes += "\r\n";
    if (FBytes.size() >= PieceSize) Flush();
    return true;
  }
  THeld& Slot = FHeld[FHeldCount];
  Slot.Bytes.clear();
  if (!Encode(FWriter, Pieces, Slot.Bytes)) return false;
  Slot.Blank = Blank;
  ++FHeldCount;
  // Only a blank line can go in the tidy, so a line before none waits.
  while (FHeldCount > 2 || (FHeldCount > 0 && !FHeld[0].Blank)) {
    Pass(FHeld[0].Bytes);
    std::swap(FHeld[0], FHeld[1]);
    std::swap(FHeld[1], FHeld[2]);
    --FHeldCount;
  }
  return true;
}

void TPlayListLines::Pass(const std::string& Line) {
  FBytes += Line;
  FBytes += "\r\n";
  if (FBytes.size() >= PieceSize) Flush();
}

void TPlayListLines::Flush() {
  if (!FBytes.empty()) FOutput(FBytes);
  FBytes.clear();
}

// The waiting lines are the last ones, the first of them blank.
void TPlayListLines::Finish() {
  if (FHeldCount == 2) {
    if (!FHeld[1].Blank) Pass(FHeld[1].Bytes);
  }
  FHeldCount = 0;
  Flush();
}

bool TPlayListWriter::Encode(StringView Line, std::string& Bytes) const {
  AppendStringAsUtf8(Bytes, Line);
  return true;
}

}  // namespace cantrel
