// The playlist tree of a search and Make, which writes its playlists.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "playlist/MakeReport.h"
#include "runtime/FileHandle.h"
#include "runtime/Object.h"
#include "runtime/Strings.h"
#include "tags/MediaTags.h"

namespace cantrel {

// The output formats, in the order of the window's format box.
enum TPlayListFileFoamat : std::uint8_t { plM3U, plM3U8, plXSPF, plWPL, plPLS, plASX };

class TPlayListWriter;
struct TMakeRun;
struct TReachedFolder;
struct TWrittenPlayLists;

// One folder of the tree that playlists are built from: the names of its
// media files and one child node per sub-folder. It also writes the
// playlists, children first, each listing its own folder and all below.
class TPlayListFile : public TPersistent {
public:
  TPlayListFile();
  ~TPlayListFile() override;
  TPlayListFile(const TPlayListFile&) = delete;
  TPlayListFile& operator=(const TPlayListFile&) = delete;

  // Adds a name at its sorted place; a name already held exactly is ignored.
  void Add(const String& Value);
  // Items keeps itself sorted and refuses a place chosen by the caller, so
  // this leaves the node as it is.
  void Add(int Index, const String& Value);
  TPlayListFile* AddChild();
  // Takes ownership of Value. A node that already has a parent, or that
  // would make a cycle, is refused and the present Current is answered.
  TPlayListFile* AddChild(TPlayListFile* Value);
  TPlayListFile* AddChild(int Index, TPlayListFile* Value);
  // Hands every child node over, in order; the node is left without any.
  std::vector<std::unique_ptr<TPlayListFile>> TakeChildren();
  void Delete(int Index);
  void Clear();
  void Sort();
  void Up();
  TPlayListFile* Last() const;

  // Make: writes this node's playlist in its Format and, with Recursion,
  // the playlist of every node below, children first; each lists the files
  // of its folder and of every folder below. aName is the file name
  // template ("%album%" is the folder's name); UTF8 is the window's
  // "UTF8BOM" box (M3U8's byte-order mark follows UTF8BOM). Every playlist
  // that can be written is written, each replaced by TFileReplacement's
  // rules for a user's file; a name the format cannot hold is left out of
  // that playlist and reported. Every folder is reached by descriptors from
  // the folder searched (Options.Folder), and written only while it is the
  // folder the search saw (FolderIdentity). Answers the report when every
  // playlist was written or Make stopped (Options.StopRequested). When some
  // could not be written, raises EMakeError at the end, after all others
  // were written; it carries the same report, failures included.
  TMakeReport makePlayList(const String& aName, bool Recursion, bool UTF8, const TMakeOptions& Options = {});
  // The writers makePlayList chooses from, with the same contract: M3U in
  // the locale's character set, or M3U8 when UTF8 is true; XSPF; WPL; PLS;
  // ASX.
  TMakeReport makePlayList_m3u(const String& aName, bool Recursion, bool UTF8, const TMakeOptions& Options = {});
  TMakeReport makePlayList_xspf(const String& aName, bool Recursion, bool UTF8, const TMakeOptions& Options = {});
  TMakeReport makePlayList_wpl(const String& aName, bool Recursion, bool UTF8, const TMakeOptions& Options = {});
  TMakeReport makePlayList_pls(const String& aName, bool Recursion, bool UTF8, const TMakeOptions& Options = {});
  TMakeReport makePlayList_asx(const String& aName, bool Recursion, bool UTF8, const TMakeOptions& Options = {});

  // The playlist's file name in this node's folder for the template aName.
  String PlayListName(const String& aName) const { return makeFileName(aName); }

  TPlayListFile* Parent() const { return GetParent(); }
  int Count() const { return GetCount(); }
  const String& Name() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  const String& Path() const { return FPath; }
  void SetPath(const String& Value) { FPath = Value; }
  TStringList& Items() const { return *FLines; }
  void SetItems(const TStrings& Value) { FLines->Assign(Value); }
  int SubCount() const { return FSubCount; }
  int SubIndex() const { return FSubIndex; }
  void SetSubIndex(int Value) { FSubIndex = Value; }
  bool UTF8() const { return FUTF8; }
  void SetUTF8(bool Value) { FUTF8 = Value; }
  bool UTF8BOM() const { return FUTF8BOM; }
  void SetUTF8BOM(bool Value) { FUTF8BOM = Value; }
  bool Recursion() const { return FRecursion; }
  void SetRecursion(bool Value) { FRecursion = Value; }
  TPlayListFileFoamat Format() const { return FFormat; }
  void SetFormat(TPlayListFileFoamat Value) { FFormat = Value; }
  TPlayListFile* Current() const { return FCurrent; }
  void SetCurrent(TPlayListFile* Value) { FCurrent = Value; }

  // How the search reached the node's folder. Make writes there only while
  // it is still that folder; without an identity (a tree built by hand) it
  // takes the folder it finds, though never through a symbolic link.
  const std::optional<TFolderIdentity>& FolderIdentity() const { return FFolderIdentity; }
  void SetFolderIdentity(const std::optional<TFolderIdentity>& Value) { FFolderIdentity = Value; }
  // Temporary files of earlier replacements that the search saw in the
  // folder; Make removes the old ones when it writes there.
  const std::vector<String>& Temporaries() const { return FTemporaries; }
  void SetTemporaries(std::vector<String> Value) { FTemporaries = std::move(Value); }

  // The tags of the files, one per name of Items in the same order; empty
  // where none were read.
  const std::vector<TMediaTags>& Tags() const { return FTags; }
  void SetTags(std::vector<TMediaTags> Value) { FTags = std::move(Value); }

  // The child nodes in the order they were added.
  int ChildCount() const { return static_cast<int>(FItems.size()); }
  TPlayListFile* Child(int Index) const;

private:
  int GetCount() const;
  TPlayListFile* GetParent() const { return FParent; }
  // The playlist's file name for this node, without folder part.
  String makeFileName(const String& aName) const;
  TPlayListFile* InsertChild(std::size_t Index, std::unique_ptr<TPlayListFile> Child, bool Appending);
  bool IsSelfOrAncestor(const TPlayListFile* Node) const;
  TMakeReport Make(const std::function<std::unique_ptr<TPlayListWriter>()>& NewWriter, const String& aName,
                   bool Recursion, const TMakeOptions& Options);
  void WritePlayList(TMakeRun& Run, const std::shared_ptr<const TReachedFolder>& Folder);
  void WriteTree(const TMakeRun& Run, const TPlayListWriter& Writer, const TReachedFolder& Folder,
                 TWrittenPlayLists& Written);
  void WriteOwnPlayList(const TPlayListWriter& Writer, const TMakeRun& Run, const TReachedFolder& Folder,
                        TWrittenPlayLists& Written) const;

  bool FUTF8 = false;
  bool FUTF8BOM = false;
  bool FRecursion = false;
  TPlayListFileFoamat FFormat = plM3U;
  String FName;
  String FPath;
  std::optional<TFolderIdentity> FFolderIdentity;
  std::vector<String> FTemporaries;
  std::vector<TMediaTags> FTags;
  TPlayListFile* FParent = nullptr;
  std::unique_ptr<TStringList> FLines;
  std::vector<std::unique_ptr<TPlayListFile>> FItems;
  TPlayListFile* FCurrent;
  int FSubCount = 0;
  int FSubIndex = 0;
};

}  // namespace cantrel
