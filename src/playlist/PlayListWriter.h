// The writing every output format shares, and what each format adds.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "playlist/PlayListEntries.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayListLines.h"
#include "runtime/ResourceStrings.h"

namespace cantrel {

// A name the format cannot hold: the entry and why, as a text still to be
// translated, since only the main thread translates.
struct TLeftOutEntry {
  String Entry;
  const TResStringRec* Reason;
};

// What one output format adds to the writing every format shares (Write):
// the header and closing lines, the lines of one entry, and its encoding.
class TPlayListWriter {
public:
  virtual ~TPlayListWriter() = default;

  // Writes Node's playlist to Output as its lines are made: the byte-order
  // mark, the header, the entries Listing asks for with their blank lines
  // (ListPlayListEntries), the closing lines, and the tidy at the end.
  // PlayList is the playlist's path; each name the format cannot hold is
  // added to LeftOut. A writer writes one playlist at a time; writers of
  // the same format may write at once.
  void Write(const TPlayListFile& Node, const TEntryListing& Listing, const String& PlayList,
             const TPlayListLines::TOutput& Output, std::vector<TLeftOutEntry>& LeftOut) const;

  // Sets the format (and its options) of a child before it is written.
  virtual void PrepareChild(const TPlayListFile& Node, TPlayListFile& Child) const = 0;
  // Title is the playlist's file name without extension.
  virtual void AddHeader(TPlayListLines& Lines, const String& Title) const = 0;
  // Adds the lines of one entry, Number its place from 1, with what the
  // format holds of its tags when it carries them. Answers why the format
  // cannot hold the name, adding nothing, or nullptr.
  virtual const TResStringRec* AddEntry(TPlayListLines& Lines, const TPlayListEntry& Entry, int Number) const = 0;
  // Whether the blank lines among the files of a folder below are written.
  virtual bool CarriesBlankLines() const { return false; }
  // The lines after the last entry, none of them blank.
  virtual std::vector<String> ClosingLines(int EntryCount) const = 0;
  // The bytes the file starts with.
  virtual std::string ByteOrderMark(const TPlayListFile&) const { return {}; }
  // Appends a line's bytes; false, with Bytes unchanged, when the encoding
  // cannot hold it. UTF-8 unless the format says otherwise.
  virtual bool Encode(StringView Line, std::string& Bytes) const;
};

// Makes a writer of one format with its options, one for each thread that
// writes.
using TPlayListWriterMaker = std::function<std::unique_ptr<TPlayListWriter>()>;

}  // namespace cantrel
