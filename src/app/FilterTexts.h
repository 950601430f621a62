#pragma once

#include <array>

#include "runtime/String.h"

namespace cantrel {

// The audio items of the window's filter box, untranslated, in order.
extern const std::array<StringView, 9> AudioFilterTexts;
// The video item used when the settings file holds none, untranslated.
extern const StringView DefaultVideoFilterText;

// The mask list of a filter text: what stands in its parentheses, or the
// whole text when it has none, for example "*.ogg" for "Ogg Vorbis Files (*.ogg)",
// with each mask between ";" trimmed of blanks ("*.mp3;*.flac" for "*.mp3; *.flac").
String MasksOfFilter(StringView FilterText);

}  // namespace cantrel
