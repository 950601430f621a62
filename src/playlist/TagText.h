// Texts from a file's tags as the formats show them.
#pragma once

#include <cstdint>

#include "runtime/String.h"
#include "tags/MediaTags.h"

namespace cantrel {

// Text for one line: line breaks and other control characters become a
// blank, what is no character (a byte kept from an undecodable file name, a
// lone surrogate) becomes "?".
String OneLineText(StringView Text);

// What a player shows for the file at Path: "<artist> - <title>", the title
// alone without an artist, the file name without its extension where there
// is no title; on one line.
String DisplayTitle(const TMediaTags& Tags, StringView Path);

// A length in milliseconds as whole seconds, rounded; "-1" when unknown.
String LengthInSeconds(std::int32_t Milliseconds);

// A known length as "hh:mm:ss.ff", ff in hundredths, rounded.
String LengthAsClock(std::int32_t Milliseconds);

}  // namespace cantrel
