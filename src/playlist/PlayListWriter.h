#pragma once

#include <string>

#include "playlist/PlayListFile.h"

namespace cantrel {

// What one output format adds to the writing every format shares: the
// header and closing lines, the lines of one entry, how a written child's
// entries are carried into its parent, and the bytes of the file.
class TPlayListWriter {
public:
  virtual ~TPlayListWriter() = default;

  // Sets the format (and its options) of a child before it is written.
  virtual void PrepareChild(const TPlayListFile& Node, TPlayListFile& Child) const = 0;
  // Title is the playlist's file name without extension.
  virtual void AddHeader(TStrings& Lines, const String& Title) const = 0;
  // Number counts the entries of this playlist from 1.
  virtual void AddEntry(TStrings& Lines, const String& Name, int Number) const = 0;
  // Adds the entries of a child that has just been written, each behind
  // Prefix (its relative path and "/", or empty); answers how many.
  virtual int AddCarried(TStrings& Lines, const TPlayListFile& Child, const String& Prefix, int Number) const = 0;
  virtual void AddClosing(TStrings& Lines, int EntryCount) const = 0;
  virtual std::string Encode(const TPlayListFile& Node, const String& Text) const = 0;
};

// The relative paths of a written node's entries in its playlist's order:
// its own names, then those of every folder below, each behind Prefix.
void CollectEntryPaths(const TPlayListFile& Node, const String& Prefix, std::vector<String>& Paths);

// The prefix that puts Child's entries in Node's playlist: its relative
// path and "/", or empty for the same folder.
String RelativePrefix(const TPlayListFile& Node, const TPlayListFile& Child);

}  // namespace cantrel
