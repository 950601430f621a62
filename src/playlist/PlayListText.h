// Texts of paths as the formats write them: URI references and XML escapes.
#pragma once

#include "runtime/String.h"

namespace cantrel {

// Escapes a relative path for a URI reference (XSPF and ASX locations):
// "%", blank, "&", "#", "?", "<", ">", the double quote, "\", control
// characters and characters XML cannot carry become the %XX form of their
// UTF-8 bytes, and a byte kept from an undecodable file name becomes that
// byte's %XX, so every file name survives.
String EscapeLocation(StringView Path);
// What makes Path a relative reference when put before it: "./" when its
// first segment holds ":", which would read as a URI scheme ("file:x.mp3").
StringView ReferencePrefix(StringView Path);

// Escapes text for XML content and attribute values; tab, CR and LF become
// character references, which attribute values would otherwise turn into
// blanks.
String EscapeXml(StringView Text);
// Whether every character of Text can stand in an XML 1.0 document: no
// control character but tab, CR and LF, no U+FFFE or U+FFFF, no byte kept
// from an undecodable file name.
bool IsXmlText(StringView Text);
// Escaped text for a title shown to the user, with "?" for each character
// XML cannot carry.
String EscapeXmlTitle(StringView Text);

// Whether Text holds a CR or LF, which ends a line in line-based formats.
bool HasLineBreak(StringView Text);
// Whether Text begins or ends with a blank, a tab or another character of
// code 32 or less, which M3U players and INI readers (PLS) drop.
bool BeginsWithBlank(StringView Text);
bool EndsWithBlank(StringView Text);

}  // namespace cantrel
