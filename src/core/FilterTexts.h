// The filter box's items and the masks each stands for.
#pragma once

#include <array>

#include "runtime/String.h"

namespace cantrel {

// The audio items of the window's filter box, untranslated, in order.
extern const std::array<StringView, 9> AudioFilterTexts;
// The video item used when the settings file holds none, untranslated.
extern const StringView DefaultVideoFilterText;
// The item of the audio formats the first one leaves out, used when the
// settings file holds none, untranslated.
extern const StringView DefaultMoreAudioFilterText;

// The window's filter items: the nine audio filters, the video line and
// the line of more audio formats, each line of the settings file at its
// own index.
constexpr int VideoFilterIndex = 9;
constexpr int MoreAudioFilterIndex = 10;
constexpr int FilterCount = 11;
// Filter item Index (0 to 10) as the window shows it: an audio filter
// translated, or the video line (9) or the more-audio line (10) of the
// settings file.
String FilterText(int Index, const String& VideoFormat, const String& MoreAudioFormat);

// The mask list of a filter text: what stands in its parentheses, or the
// whole text when it has none, for example "*.ogg" for "Ogg Vorbis Files (*.ogg)",
// with each mask between ";" trimmed of blanks ("*.mp3;*.flac" for "*.mp3; *.flac").
String MasksOfFilter(StringView FilterText);

// Whether the masks of a filter text, split as a search splits them, hold
// at least one mask: a search without one would find nothing at all.
bool FilterHasMasks(StringView FilterText);

}  // namespace cantrel
