// The entries of one playlist: the files it lists, as every format makes its lines from them.
#pragma once

#include "runtime/String.h"
#include "tags/MediaTags.h"

namespace cantrel {

class TPlayListFile;

// One file as a playlist lists it: what every format makes its lines from.
struct TPlayListEntry {
  // The file's path from the playlist's folder: its name, behind the
  // relative path of its folder and "/" for a file in a folder below.
  StringView Path;
  // Whether the file lies in a folder below the playlist's.
  bool Carried = false;
  // What the file's tags tell, when the playlist is made with them.
  const TMediaTags* Tags = nullptr;
};

// Takes what one playlist lists, in order.
class TPlayListContents {
public:
  virtual void AddEntry(const TPlayListEntry& Entry) = 0;
  // A blank line of the playlist's own: after its folder's files, and after
  // the files of each folder below.
  virtual void AddBlank() = 0;
  // A blank line among the files of a folder below, where that folder's
  // own M3U playlist has one.
  virtual void AddCarriedBlank() = 0;

protected:
  ~TPlayListContents() = default;
};

// What a playlist lists of the tree, and with what.
struct TEntryListing {
  // The files of the folders below too.
  bool Recursion = false;
  // Entries carry their files' tags where their node holds them.
  bool Tags = false;
  // A folder's files come in album order (TrackOrder) where its node holds
  // their tags.
  bool OrderByTags = false;
};

// Hands Contents what Node's playlist lists, made from the tree alone: the
// entries of Node's files in the order of its Items (or album order) and a
// blank line after them; then, with Recursion, for each child in order, the
// entries of the child's files and of every folder below it, in the order
// and with the blank lines of the child's own M3U playlist below its header
// (its files, a blank line, each folder below with a blank line after it,
// tidied at the end), and a blank line.
void ListPlayListEntries(const TPlayListFile& Node, const TEntryListing& Listing, TPlayListContents& Contents);

}  // namespace cantrel
