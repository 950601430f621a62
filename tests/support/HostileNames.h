#pragma once

#include <string>
#include <vector>

namespace cantrel::test {

// Makes below Folder (a path ending in "/") a tree of empty media files
// whose names break careless playlist writers: leading "#" and blanks in
// file and folder names, trailing blanks, "%", "?", "#", "&", "<", quotes,
// backslash, tab, ":" in the first segment, emoji (U+1F4BF among them),
// CJK, bytes that are not UTF-8, names differing only in case, a bell
// character, line breaks. Answers every file's path relative to Folder.
std::vector<std::string> MakeHostileTree(const std::string& Folder);

// What a player finds in a written playlist.
struct TPlayListVerdict {
  // The files the entries name, as full paths without "." pieces, in the
  // playlist's order.
  std::vector<std::string> Files;
  // Everything wrong: an XML document that does not parse, an entry that
  // names no existing file or reads as a URI with a scheme.
  std::vector<std::string> Problems;
};

// Reads a playlist as a player would, by its extension: M3U and M3U8 lines
// but comments, PLS "FileN=" values trimmed of blanks and tabs as INI
// readers do, WPL media sources, each a path read literally; XSPF locations and ASX references as URI references, percent-
// decoded. Every path is relative to the playlist's folder. XML documents
// must pass xmllint and parse with libxml2.
TPlayListVerdict CheckPlayList(const std::string& PlayList);

}  // namespace cantrel::test
