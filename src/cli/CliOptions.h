// cantrel-cli's options: what the command line asked for, and its parsing.
#pragma once

#include "playlist/PlayListFile.h"

namespace cantrel {

// What the command line asked for.
struct TCliOptions {
  String Filter = u"0";
  String NameTemplate = u"%album%.m3u";
  TPlayListFileFoamat Format = plM3U;
  bool ByteOrderMark = false;
  bool Recursion = true;
  // Links to folders are walked into.
  bool FollowLinks = false;
  bool ListOnly = false;
  // --list lines end in NUL rather than a line feed.
  bool NullSeparated = false;
  bool Quiet = false;
  // Folders listed at once ahead of the walk: by default once the walk
  // waited for the file system, from the start when given.
  int Readers = 16;
  bool ReadersOnDemand = true;
  // Entries carry titles, artists and lengths from the tags.
  bool Tags = false;
  // --order tags: each folder's files in album order.
  bool OrderByTags = false;
  // Tags come from the tag cache where it holds them.
  bool TagCache = true;
  // Keeps the playlists current after writing them, until stopped.
  bool Watch = false;
  // --settle: quiet time after a change before writing, in milliseconds.
  int SettleMilliseconds = 2000;
  // --rescan: how often unwatchable folders are read again, in milliseconds.
  int RescanMilliseconds = 600000;
  // The summary also tells what reading tags cost; a watch says each time
  // it is up to date.
  bool Verbose = false;
  bool Help = false;
  bool Version = false;
  String Folder;
};

// Reads the arguments; a bad one raises EUsageError with a one-line,
// translated message.
TCliOptions ParseCommandLine(int Argc, char** Argv);

// The help text, translated.
String UsageText();

}  // namespace cantrel
