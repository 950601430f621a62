#pragma once

#include "filesearch/FileEnumerator.h"
#include "playlist/PlayListFile.h"
#include "runtime/DateTime.h"

namespace cantrel {

// What Find searches with: the filter text as shown (its masks are taken
// from it), the folder, whether sub-folders are searched, and the minimum
// file size of the settings (handed on, not applied).
struct TFindOptions {
  String FilterText;
  String Folder;
  bool Recursion = true;
  std::int32_t MinSize = 102400;
};

// Find without its window: prepares the enumerator, and builds the playlist
// tree from the search's reports, one node per folder entered holding the
// names of its own files. The window and the command line both use it.
class TSearchSession {
public:
  explicit TSearchSession(TPlayListFile& Root) : FRoot(Root) {}

  // Clears the tree, sets the enumerator's options and starts the task,
  // answering its id. Reports then reach EnterDirectory and FileFound
  // through the enumerator's events and Handler.
  int Find(TFileEnumerator& Enumerator, const TFindOptions& Options, TFileHandlerEx Handler);
  // Empties the tree and starts the count and the clock of a new search.
  void Start();

  // A folder entered: answers its node, or nullptr when the tree has no
  // cursor (it was cleared while an older search still reports).
  TPlayListFile* EnterDirectory(const String& Directory);
  // A file found: adds its name to its folder's node and answers the line
  // that lists it, relative to ShownFolder.
  String FileFound(const String& Directory, const TSearchRec& FileInfo, const String& ShownFolder);

  int DirCount() const { return FDirCount; }
  TDateTime StartTime() const { return FT0; }

  // The status texts, translated and filled in.
  static String FilesText(int Files);
  String DirectoriesText() const;
  static String ProcessingText(const String& Directory);
  String EndText(bool Aborted) const;

private:
  TPlayListFile* ChooseNode(const String& Directory);

  TPlayListFile& FRoot;
  int FDirCount = 0;
  TDateTime FT0 = 0;
};

}  // namespace cantrel
