#pragma once

#include <string>
#include <vector>

#include "playlist/PlayListFile.h"
#include "runtime/ResourceStrings.h"

namespace cantrel {

// A playlist's lines while it is built; an empty string is a blank line.
using TPlayListLines = std::vector<String>;

// What one output format adds to the writing every format shares: the
// header and closing lines, the lines of one entry, and the bytes of the
// file.
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
  virtual const TResStringRec* AddEntry(TPlayListLines& Lines, const String& Path, bool Carried,
                                        int Number) const = 0;
  // Whether the blank lines of a folder below come along with its entries.
  virtual bool CarriesBlankLines() const { return false; }
  virtual void AddClosing(TPlayListLines& Lines, int EntryCount) const = 0;
  virtual std::string Encode(const TPlayListFile& Node, const String& Text) const = 0;
};

}  // namespace cantrel
