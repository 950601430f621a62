#pragma once

#include <cstddef>
#include <string>

#include "runtime/String.h"

namespace cantrel::test {

// The containers a test or a benchmark can have written: MPEG-1 Layer III,
// native FLAC, Vorbis and Opus in Ogg, AAC in MP4 (.m4a).
enum class TAudioFormat { afMp3, afFlac, afOggVorbis, afOggOpus, afMp4 };

inline constexpr TAudioFormat AudioFormats[] = {TAudioFormat::afMp3, TAudioFormat::afFlac, TAudioFormat::afOggVorbis,
                                                TAudioFormat::afOggOpus, TAudioFormat::afMp4};

// What a made file's tags hold; an empty field is not written.
struct TAudioTags {
  String Title;
  String Artist;
  String Album;
  // As the tag holds them: "3", "3/12".
  std::string Track;
  std::string Disc;
  // Bytes of embedded front cover; 0 for none.
  std::size_t PictureSize = 0;
};

// The format's usual extension with its dot: ".mp3", ".flac", ".ogg",
// ".opus", ".m4a".
std::string AudioExtension(TAudioFormat Format);
// Its name for messages: "MP3", "FLAC", ...
std::string AudioFormatName(TAudioFormat Format);

// A whole, valid file of LengthMs of silence (MP3 rounds up to whole 24 ms
// frames, at least two), with Tags written by TagLib itself. A few bytes per
// second of sound, so thousands of files are made in a moment.
std::string MakeAudioFile(TAudioFormat Format, int LengthMs, const TAudioTags& Tags = {});

}  // namespace cantrel::test
