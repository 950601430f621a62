// The entries of one playlist: the files it lists, as every format makes its lines from them.
#include "playlist/PlayListEntries.h"

#include "playlist/PlayListFile.h"
#include "playlist/RelativePath.h"
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
  explicit TEntryWalk(TPlayListContents& Contents) : FContents(Contents) {}

  void List(const TPlayListFile& Node, bool Recursion) {
    AddFiles(Node, false);
    if (Node.Items().Count() > 0) FContents.AddBlank();
    if (!Recursion) return;
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
    const std::size_t Length = FPath.size();
    for (int I = 0; I < Names.Count(); ++I) {
      FPath.resize(Length);
      FPath += Names.At(I);
      AddCarriedBlankLines();
      FContents.AddEntry({FPath, Carried});
    }
    FPath.resize(Length);
  }

  void AddCarriedBlankLines() {
    for (std::size_t Blank = FCarriedBlankLines.TakeWaiting(); Blank > 0; --Blank) FContents.AddCarriedBlank();
  }

  TPlayListContents& FContents;
  // The path of the folder being listed from the playlist's, ending in "/";
  // then of the file.
  String FPath;
  TTrailingTidy FCarriedBlankLines;
};

}  // namespace

void ListPlayListEntries(const TPlayListFile& Node, bool Recursion, TPlayListContents& Contents) {
  TEntryWalk(Contents).List(Node, Recursion);
}

}  // namespace cantrel
