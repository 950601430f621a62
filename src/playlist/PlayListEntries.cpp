// The entries of one playlist: the files it lists, as every format makes its lines from them.
#include "playlist/PlayListEntries.h"

#include <vector>

#include "playlist/PlayListFile.h"
#include "playlist/RelativePath.h"
#include "playlist/TrackOrder.h"
#include "playlist/TrailingTidy.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

// The prefix that puts Child's entries in Node's playlist: its relative
// path and "/", or empty for the same folder.
String RelativePrefix(const TPlayListFile& Node, const TPlayListFile& Child) {
  const String Relative = GetRelativePath(Node.Path(), Child.Path());
  return Relative == u"." ? String() : Relative + PathDelim;
}

class TEntryWalk {
public:
  TEntryWalk(const TEntryListing& Listing, TPlayListContents& Contents) : FListing(Listing), FContents(Contents) {}

  void List(const TPlayListFile& Node) {
    AddFiles(Node, false);
    if (Node.Items().Count() > 0) FContents.AddBlank();
    if (!FListing.Recursion) return;
    for (int I = 0; I < Node.ChildCount(); ++I) {
      const TPlayListFile& Child = *Node.Child(I);
      FPath = RelativePrefix(Node, Child);
      Carry(Child);
      AddCarriedBlankLines();
      FContents.AddBlank();
    }
  }

private:
  // Node's list as its own M3U playlist has it below the header, each
  // entry behind the path in FPath.
  void Carry(const TPlayListFile& Node) {
    const TTrailingTidy::TListStart Start = FCarriedBlankLines.BeginList();
    AddFiles(Node, true);
    if (Node.Items().Count() > 0) FCarriedBlankLines.AddBlank();
    const std::size_t Length = FPath.size();
    for (int I = 0; I < Node.ChildCount(); ++I) {
      const TPlayListFile& Child = *Node.Child(I);
      FPath += RelativePrefix(Node, Child);
      Carry(Child);
      FPath.resize(Length);
      FCarriedBlankLines.AddBlank();
    }
    FCarriedBlankLines.EndList(Start);
  }

  // The one place an entry is made from a file of the tree.
  void AddFiles(const TPlayListFile& Node, bool Carried) {
    const TStringList& Names = Node.Items();
    const std::vector<TMediaTags>& Tags = Node.Tags();
    const bool Tagged = Tags.size() == static_cast<std::size_t>(Names.Count());
    const std::vector<int> Order = FListing.OrderByTags && Tagged ? TrackOrder(Tags) : std::vector<int>();
    const std::size_t Length = FPath.size();
    for (int I = 0; I < Names.Count(); ++I) {
      const int File = Order.empty() ? I : Order[static_cast<std::size_t>(I)];
      FPath.resize(Length);
      FPath += Names.At(File);
      AddCarriedBlankLines();
      FContents.AddEntry({FPath, Carried, FListing.Tags && Tagged ? &Tags[static_cast<std::size_t>(File)] : nullptr});
    }
    FPath.resize(Length);
  }

  void AddCarriedBlankLines() {
    for (std::size_t Blank = FCarriedBlankLines.TakeWaiting(); Blank > 0; --Blank) FContents.AddCarriedBlank();
  }

  const TEntryListing& FListing;
  TPlayListContents& FContents;
  // The path of the folder being listed from the playlist's, ending in "/";
  // then of the file.
  String FPath;
  TTrailingTidy FCarriedBlankLines;
};

}  // namespace

void ListPlayListEntries(const TPlayListFile& Node, const TEntryListing& Listing, TPlayListContents& Contents) {
  TEntryWalk(Listing, Contents).List(Node);
}

}  // namespace cantrel
