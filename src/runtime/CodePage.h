#pragma once

#include <string>
#include <string_view>

#include "runtime/String.h"

namespace cantrel {

// The legacy Windows code page of the user's language (1252 when the
// language has no other), which plain M3U playlists are written in.
int AnsiCodePage();
int CodePageOfLanguage(std::string_view LocaleName);

// A character the code page lacks becomes "?". A byte kept from an
// undecodable file name is written back as that byte.
std::string StringToCodePage(StringView Text, int CodePage);
String CodePageToString(std::string_view Bytes, int CodePage);
// The strict conversion: false when the code page is unknown or a byte
// sequence has no character in it.
bool TryCodePageToString(std::string_view Bytes, int CodePage, String& Text);

}  // namespace cantrel
