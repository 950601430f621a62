#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "playlist/PlayListFile.h"
#include "runtime/ResourceStrings.h"

namespace cantrel {

class TPlayListWriter;

// A playlist's lines as they are made: each is encoded in the writer's
// encoding, ended with CR LF and handed on in pieces, so no playlist is held
// whole. A blank line and those after it wait until it can no longer be
// among the last two, for the tidy every playlist gets at its end: a blank
// second-to-last line goes, then a blank last line.
class TPlayListLines {
public:
  using TOutput = std::function<void(std::string_view Bytes)>;

  TPlayListLines(const TPlayListWriter& Writer, TOutput Output);
  TPlayListLines(const TPlayListLines&) = delete;
  TPlayListLines& operator=(const TPlayListLines&) = delete;

  // Bytes before the first line (a byte-order mark).
  void AddBytes(std::string_view Bytes) { FBytes.append(Bytes); }
  // Adds a line; false, adding nothing, when the encoding cannot hold it.
  bool Add(StringView Line) { return Add({Line}); }
  // The same for a line made of these pieces.
  bool Add(std::initializer_list<StringView> Pieces);
  void AddBlank() { Add(StringView()); }
  // The tidy, then everything that waited.
  void Finish();

private:
  struct THeld {
    std::string Bytes;
    bool Blank = false;
  };

  static bool Encode(const TPlayListWriter& Writer, std::initializer_list<StringView> Pieces, std::string& Bytes);
  void Pass(const std::string& Line);
  void Flush();

  const TPlayListWriter& FWriter;
  TOutput FOutput;
  std::string FBytes;
  // The waiting lines, oldest first; at most two.
  THeld FHeld[3];
  std::size_t FHeldCount = 0;
};

// What one output format adds to the writing every format shares: the
// header and closing lines, the lines of one entry, and its encoding.
class TPlayListWriter {
public:
  virtual ~TPlayListWriter() = default;

  // Sets the format (and its options) of a child before it is written.
  virtual void PrepareChild(const TPlayListFile& Node, TPlayListFile& Child) const = 0;
  // Title is the playlist's file name without extension.
  virtual void AddHeader(TPlayListLines& Lines, const String& Title) const = 0;
  // Adds the lines of one entry: Path is the file's path relative to the
  // playlist's folder, Number its place from 1, Carried tells a file of a
  // folder below. Answers why the format cannot hold the name, adding
  // nothing, or nullptr.
  virtual const TResStringRec* AddEntry(TPlayListLines& Lines, StringView Path, bool Carried,
                                        int Number) const = 0;
  // Whether the blank lines of a folder below come along with its entries.
  virtual bool CarriesBlankLines() const { return false; }
  virtual void AddClosing(TPlayListLines& Lines, int EntryCount) const = 0;
  // The bytes the file starts with.
  virtual std::string ByteOrderMark(const TPlayListFile&) const { return {}; }
  // Appends a line's bytes; false, with Bytes unchanged, when the encoding
  // cannot hold it. UTF-8 unless the format says otherwise.
  virtual bool Encode(StringView Line, std::string& Bytes) const;
};

}  // namespace cantrel
