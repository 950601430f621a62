#include "AudioFiles.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include <attachedpictureframe.h>
#include <fileref.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4item.h>
#include <mp4tag.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <tbytevectorstream.h>
#include <tpropertymap.h>
#include <vorbisfile.h>
#include <xiphcomment.h>

namespace cantrel::test {

namespace {

// Silence costs next to nothing in every format here: sound of a few
// minutes is a few KB.
constexpr std::int64_t SampleRate = 44100;
constexpr std::int64_t OpusRate = 48000;

void AppendBigEndian(std::string& Out, std::uint64_t Value, int Bytes) {
  for (int Shift = (Bytes - 1) * 8; Shift >= 0; Shift -= 8) Out += static_cast<char>((Value >> Shift) & 0xFF);
}

void AppendLittleEndian(std::string& Out, std::uint64_t Value, int Bytes) {
  for (int Shift = 0; Shift < Bytes * 8; Shift += 8) Out += static_cast<char>((Value >> Shift) & 0xFF);
}

std::int64_t SamplesOf(int LengthMs, std::int64_t Rate) { return LengthMs * Rate / 1000; }

// MPEG-1 Layer III, 32 kbit/s, 48 kHz, mono: 96 bytes for each 24 ms, no
// padding. Side information and main data all zero decode as silence.
std::string Mp3Audio(int LengthMs) {
  constexpr int FrameBytes = 96;
  constexpr int FrameMs = 24;
  const int Frames = std::max(2, (LengthMs + FrameMs - 1) / FrameMs);
  std::string Frame("\xFF\xFB\x14\xC4", 4);
  Frame.resize(FrameBytes, '\0');
  std::string Out;
  Out.reserve(static_cast<std::size_t>(Frames) * FrameBytes);
  for (int Index = 0; Index < Frames; ++Index) Out += Frame;
  return Out;
}

// FLAC's frame checksums: CRC-8 (x^8+x^2+x+1) of the header, CRC-16
// (x^16+x^15+x^2+1) of the whole frame; both start at 0.
template <typename T, unsigned Poly>
T FlacCrc(std::string_view Data) {
  constexpr int Bits = sizeof(T) * 8;
  T Crc = 0;
  for (const char Byte : Data) {
    Crc ^= static_cast<T>(static_cast<T>(static_cast<unsigned char>(Byte)) << (Bits - 8));
    for (int Bit = 0; Bit < 8; ++Bit)
      Crc = static_cast<T>((Crc & (T(1) << (Bits - 1))) ? (Crc << 1) ^ Poly : Crc << 1);
  }
  return Crc;
}

// The frame number in FLAC's extended UTF-8 coding.
void AppendFlacNumber(std::string& Out, std::uint32_t Number) {
  if (Number < 0x80) {
    Out += static_cast<char>(Number);
    return;
  }
  int Continuations = Number < 0x800 ? 1 : Number < 0x10000 ? 2 : Number < 0x200000 ? 3 : Number < 0x4000000 ? 4 : 5;
  const unsigned Lead = (0xFF00u >> (Continuations + 1)) & 0xFF;
  Out += static_cast<char>(Lead | (Number >> (6 * Continuations)));
  while (Continuations-- > 0) Out += static_cast<char>(0x80 | ((Number >> (6 * Continuations)) & 0x3F));
}

constexpr std::uint32_t FlacBlockSize = 4096;

// One frame of Samples mono 16-bit samples, all 0 (a CONSTANT subframe).
std::string FlacFrame(std::uint32_t Number, std::uint32_t Samples) {
  const bool Standard = Samples == FlacBlockSize;
  // Fixed block size; 4096 samples or a 16-bit size after the number;
  // 44.1 kHz; mono; 16 bits per sample.
  std::string Frame("\xFF\xF8", 2);
  Frame += static_cast<char>((Standard ? 0xC0 : 0x70) | 0x09);
  Frame += '\x08';
  AppendFlacNumber(Frame, Number);
  if (!Standard) AppendBigEndian(Frame, Samples - 1, 2);
  Frame += static_cast<char>(FlacCrc<std::uint8_t, 0x07>(Frame));
  Frame.append(3, '\0');
  AppendBigEndian(Frame, FlacCrc<std::uint16_t, 0x8005>(Frame), 2);
  return Frame;
}

std::string FlacAudio(int LengthMs) {
  const std::int64_t Samples = SamplesOf(LengthMs, SampleRate);
  std::string Out = "fLaC";
  // STREAMINFO, the only and so the last metadata block.
  Out += '\x80';
  AppendBigEndian(Out, 34, 3);
  AppendBigEndian(Out, FlacBlockSize, 2);
  AppendBigEndian(Out, FlacBlockSize, 2);
  AppendBigEndian(Out, 0, 3);
  AppendBigEndian(Out, 0, 3);
  // Sample rate (20 bits), channels - 1 (3), bits per sample - 1 (5), total
  // samples (36); then an MD5 of 0, "not computed".
  AppendBigEndian(Out, (static_cast<std::uint64_t>(SampleRate) << 44) | (15ull << 36) | Samples, 8);
  Out.append(16, '\0');
  std::uint32_t Number = 0;
  for (std::int64_t Done = 0; Done < Samples; Done += FlacBlockSize)
    Out += FlacFrame(Number++, static_cast<std::uint32_t>(std::min<std::int64_t>(FlacBlockSize, Samples - Done)));
  return Out;
}

// Ogg's page checksum: CRC-32 with polynomial 0x04C11DB7, not reflected,
// starting at 0, over the page with its checksum field 0.
std::uint32_t OggCrc(std::string_view Page) {
  static const std::array<std::uint32_t, 256> Table = [] {
    std::array<std::uint32_t, 256> Result{};
    for (std::uint32_t Index = 0; Index < 256; ++Index) {
      std::uint32_t Value = Index << 24;
      for (int Bit = 0; Bit < 8; ++Bit) Value = (Value & 0x80000000u) ? (Value << 1) ^ 0x04C11DB7u : Value << 1;
      Result[Index] = Value;
    }
    return Result;
  }();
  std::uint32_t Crc = 0;
  for (const char Byte : Page) Crc = (Crc << 8) ^ Table[((Crc >> 24) ^ static_cast<unsigned char>(Byte)) & 0xFF];
  return Crc;
}

// One logical stream cut into pages; every packet ends on the page it
// starts on.
class TOggWriter {
public:
  void AddPacket(std::string_view Packet) {
    if (FLacing.size() + Packet.size() / 255 + 1 > 255) throw std::logic_error("Ogg packet too large for a page");
    FLacing.append(Packet.size() / 255, '\xFF');
    FLacing += static_cast<char>(Packet.size() % 255);
    FData.append(Packet);
  }
  std::size_t PacketRoom() const { return 255 - FLacing.size(); }
  void EndPage(std::int64_t Granule, bool Last = false) {
    std::string Page = "OggS";
    Page += '\0';
    Page += static_cast<char>((FSequence == 0 ? 0x02 : 0) | (Last ? 0x04 : 0));
    AppendLittleEndian(Page, static_cast<std::uint64_t>(Granule), 8);
    AppendLittleEndian(Page, Serial, 4);
    AppendLittleEndian(Page, FSequence++, 4);
    AppendLittleEndian(Page, 0, 4);
    Page += static_cast<char>(FLacing.size());
    Page += FLacing;
    Page += FData;
    const std::uint32_t Crc = OggCrc(Page);
    for (int Byte = 0; Byte < 4; ++Byte) Page[22 + Byte] = static_cast<char>((Crc >> (8 * Byte)) & 0xFF);
    FOut += Page;
    FLacing.clear();
    FData.clear();
  }
  // Count copies of Packet on pages as full as they go; the granule of a
  // page is GranuleAfter(packets ended so far).
  template <typename TGranule>
  void AddAudio(std::string_view Packet, std::int64_t Count, TGranule GranuleAfter) {
    for (std::int64_t Done = 0; Done < Count;) {
      while (Done < Count && PacketRoom() > 0) {
        AddPacket(Packet);
        ++Done;
      }
      EndPage(GranuleAfter(Done), Done == Count);
    }
  }
  const std::string& Bytes() const { return FOut; }

private:
  static constexpr std::uint32_t Serial = 0x43414E54;
  std::string FOut;
  std::string FLacing;
  std::string FData;
  std::uint32_t FSequence = 0;
};

// Vorbis packs its setup header least significant bit first.
class TBitWriter {
public:
  void Put(std::uint32_t Value, int Bits) {
    for (int Bit = 0; Bit < Bits; ++Bit) {
      if (FUsed == 8) {
        FBytes += '\0';
        FUsed = 0;
      }
      if ((Value >> Bit) & 1) FBytes.back() = static_cast<char>(FBytes.back() | (1 << FUsed));
      ++FUsed;
    }
  }
  const std::string& Bytes() const { return FBytes; }

private:
  std::string FBytes;
  int FUsed = 8;
};

// The smallest setup a decoder takes: one two-entry codebook, one floor 1
// without partitions, one empty residue, one mapping and one mode of long
// (8192-sample) blocks.
std::string VorbisSetup() {
  TBitWriter Bits;
  Bits.Put(0, 8);
  Bits.Put(0x564342, 24);
  Bits.Put(1, 16);
  Bits.Put(2, 24);
  Bits.Put(0, 1);
  Bits.Put(0, 1);
  Bits.Put(0, 5);
  Bits.Put(0, 5);
  Bits.Put(0, 4);
  // Time domain transforms: one, 0.
  Bits.Put(0, 6);
  Bits.Put(0, 16);
  // Floor 1: no partitions, multiplier 1, range bits 12.
  Bits.Put(0, 6);
  Bits.Put(1, 16);
  Bits.Put(0, 5);
  Bits.Put(0, 2);
  Bits.Put(12, 4);
  // Residue 0 covering nothing, one classification on codebook 0.
  Bits.Put(0, 6);
  Bits.Put(0, 16);
  Bits.Put(0, 24);
  Bits.Put(0, 24);
  Bits.Put(0, 24);
  Bits.Put(0, 6);
  Bits.Put(0, 8);
  Bits.Put(0, 3);
  Bits.Put(0, 1);
  // Mapping 0: one submap on floor 0 and residue 0, no coupling.
  Bits.Put(0, 6);
  Bits.Put(0, 16);
  Bits.Put(0, 1);
  Bits.Put(0, 1);
  Bits.Put(0, 2);
  Bits.Put(0, 8);
  Bits.Put(0, 8);
  Bits.Put(0, 8);
  // Mode 0: long blocks, mapping 0.
  Bits.Put(0, 6);
  Bits.Put(1, 1);
  Bits.Put(0, 16);
  Bits.Put(0, 16);
  Bits.Put(0, 8);
  Bits.Put(1, 1);
  return std::string("\x05vorbis", 7) + Bits.Bytes();
}

constexpr std::string_view Vendor = "Cantrel test audio";

std::string VorbisAudio(int LengthMs) {
  const std::int64_t Samples = SamplesOf(LengthMs, SampleRate);
  TOggWriter Ogg;
  std::string Identification("\x01vorbis", 7);
  AppendLittleEndian(Identification, 0, 4);
  Identification += '\x01';
  AppendLittleEndian(Identification, SampleRate, 4);
  // Bit rates: maximum, nominal and minimum, all unset.
  Identification.append(12, '\0');
  // Block sizes 2^8 and 2^13, then the framing bit.
  Identification += '\xD8';
  Identification += '\x01';
  Ogg.AddPacket(Identification);
  Ogg.EndPage(0);
  std::string Comment("\x03vorbis", 7);
  AppendLittleEndian(Comment, Vendor.size(), 4);
  Comment += Vendor;
  AppendLittleEndian(Comment, 0, 4);
  Comment += '\x01';
  Ogg.AddPacket(Comment);
  Ogg.AddPacket(VorbisSetup());
  Ogg.EndPage(0);
  // An audio packet of a long block between long blocks whose floor is
  // unused: silence. The first packet yields no samples, each later one
  // half a long block; the last page's granule trims the end.
  constexpr std::int64_t PerPacket = 4096;
  Ogg.AddAudio(std::string_view("\x06", 1), (Samples + PerPacket - 1) / PerPacket + 1,
               [&](std::int64_t Packets) { return std::min(Samples, (Packets - 1) * PerPacket); });
  return Ogg.Bytes();
}

std::string OpusAudio(int LengthMs) {
  constexpr std::int64_t PreSkip = 312;
  const std::int64_t Samples = PreSkip + SamplesOf(LengthMs, OpusRate);
  TOggWriter Ogg;
  std::string Head = "OpusHead";
  Head += '\x01';
  Head += '\x01';
  AppendLittleEndian(Head, PreSkip, 2);
  AppendLittleEndian(Head, OpusRate, 4);
  AppendLittleEndian(Head, 0, 2);
  Head += '\0';
  Ogg.AddPacket(Head);
  Ogg.EndPage(0);
  std::string Tags = "OpusTags";
  AppendLittleEndian(Tags, Vendor.size(), 4);
  Tags += Vendor;
  AppendLittleEndian(Tags, 0, 4);
  Ogg.AddPacket(Tags);
  Ogg.EndPage(0);
  // CELT, fullband, 20 ms frames, mono; six frames of 0 bytes (code 3,
  // constant size): 120 ms of silence in two bytes.
  constexpr std::int64_t PerPacket = 5760;
  Ogg.AddAudio(std::string_view("\xFB\x06", 2), (Samples + PerPacket - 1) / PerPacket,
               [&](std::int64_t Packets) { return std::min(Samples, Packets * PerPacket); });
  return Ogg.Bytes();
}

std::string Box(std::string_view Type, std::string_view Payload) {
  std::string Out;
  AppendBigEndian(Out, 8 + Payload.size(), 4);
  Out += Type;
  Out += Payload;
  return Out;
}

std::string FullBox(std::string_view Type, std::uint32_t VersionAndFlags, std::string_view Payload) {
  std::string Body;
  AppendBigEndian(Body, VersionAndFlags, 4);
  return Box(Type, Body + std::string(Payload));
}

std::string UnityMatrix() {
  std::string Out;
  for (const std::uint32_t Value : {0x00010000u, 0u, 0u, 0u, 0x00010000u, 0u, 0u, 0u, 0x40000000u})
    AppendBigEndian(Out, Value, 4);
  return Out;
}

// Elementary stream descriptor: MPEG-4 audio, AAC LC at 44.1 kHz mono.
std::string Esds() {
  const std::string DecoderSpecific("\x05\x02\x12\x08", 4);
  std::string DecoderConfig("\x40\x15", 2);
  AppendBigEndian(DecoderConfig, 0, 3);
  AppendBigEndian(DecoderConfig, 32000, 4);
  AppendBigEndian(DecoderConfig, 32000, 4);
  DecoderConfig += DecoderSpecific;
  std::string Es("\0\x01\0", 3);
  Es += '\x04';
  Es += static_cast<char>(DecoderConfig.size());
  Es += DecoderConfig;
  Es += std::string("\x06\x01\x02", 3);
  std::string Payload = "\x03";
  Payload += static_cast<char>(Es.size());
  Payload += Es;
  return FullBox("esds", 0, Payload);
}

std::string Mp4SampleTables(std::uint32_t Frames, std::uint32_t FrameBytes, std::uint32_t DataOffset) {
  std::string Entry(6, '\0');
  AppendBigEndian(Entry, 1, 2);
  Entry.append(8, '\0');
  AppendBigEndian(Entry, 1, 2);
  AppendBigEndian(Entry, 16, 2);
  AppendBigEndian(Entry, 0, 4);
  AppendBigEndian(Entry, SampleRate << 16, 4);
  Entry += Esds();
  std::string Stsd;
  AppendBigEndian(Stsd, 1, 4);
  Stsd += Box("mp4a", Entry);
  std::string Stts, Stsc, Stsz, Stco;
  AppendBigEndian(Stts, 1, 4);
  AppendBigEndian(Stts, Frames, 4);
  AppendBigEndian(Stts, 1024, 4);
  AppendBigEndian(Stsc, 1, 4);
  AppendBigEndian(Stsc, 1, 4);
  AppendBigEndian(Stsc, Frames, 4);
  AppendBigEndian(Stsc, 1, 4);
  AppendBigEndian(Stsz, FrameBytes, 4);
  AppendBigEndian(Stsz, Frames, 4);
  AppendBigEndian(Stco, 1, 4);
  AppendBigEndian(Stco, DataOffset, 4);
  return Box("stbl", FullBox("stsd", 0, Stsd) + FullBox("stts", 0, Stts) + FullBox("stsc", 0, Stsc) +
                         FullBox("stsz", 0, Stsz) + FullBox("stco", 0, Stco));
}

std::string Mp4Moov(std::int64_t Samples, std::uint32_t Frames, std::uint32_t FrameBytes, std::uint32_t DataOffset) {
  const std::int64_t DurationMs = Samples * 1000 / SampleRate;
  std::string Mvhd(8, '\0');
  AppendBigEndian(Mvhd, 1000, 4);
  AppendBigEndian(Mvhd, static_cast<std::uint64_t>(DurationMs), 4);
  AppendBigEndian(Mvhd, 0x00010000, 4);
  AppendBigEndian(Mvhd, 0x0100, 2);
  Mvhd.append(10, '\0');
  Mvhd += UnityMatrix();
  Mvhd.append(24, '\0');
  AppendBigEndian(Mvhd, 2, 4);
  std::string Tkhd(8, '\0');
  AppendBigEndian(Tkhd, 1, 4);
  AppendBigEndian(Tkhd, 0, 4);
  AppendBigEndian(Tkhd, static_cast<std::uint64_t>(DurationMs), 4);
  Tkhd.append(8, '\0');
  AppendBigEndian(Tkhd, 0, 2);
  AppendBigEndian(Tkhd, 1, 2);
  AppendBigEndian(Tkhd, 0x0100, 2);
  AppendBigEndian(Tkhd, 0, 2);
  Tkhd += UnityMatrix();
  Tkhd.append(8, '\0');
  std::string Mdhd(8, '\0');
  AppendBigEndian(Mdhd, SampleRate, 4);
  AppendBigEndian(Mdhd, static_cast<std::uint64_t>(Samples), 4);
  // Language "und", packed in three 5-bit letters.
  AppendBigEndian(Mdhd, 0x55C4, 2);
  AppendBigEndian(Mdhd, 0, 2);
  std::string Hdlr(4, '\0');
  Hdlr += "soun";
  Hdlr.append(12, '\0');
  Hdlr += std::string("SoundHandler\0", 13);
  const std::string Dref = FullBox("dref", 0, std::string("\0\0\0\x01", 4) + FullBox("url ", 1, ""));
  const std::string Minf = Box("minf", FullBox("smhd", 0, std::string(4, '\0')) + Box("dinf", Dref) +
                                           Mp4SampleTables(Frames, FrameBytes, DataOffset));
  const std::string Mdia = Box("mdia", FullBox("mdhd", 0, Mdhd) + FullBox("hdlr", 0, Hdlr) + Minf);
  return Box("moov", FullBox("mvhd", 0, Mvhd) + Box("trak", FullBox("tkhd", 7, Tkhd) + Mdia));
}

// AAC LC frames of 1024 samples, each a single channel element without
// scale factor bands (silence) and the end element.
std::string Mp4Audio(int LengthMs) {
  const std::int64_t Samples = SamplesOf(LengthMs, SampleRate);
  const auto Frames = static_cast<std::uint32_t>((Samples + 1023) / 1024);
  const std::string_view Frame("\0\0\0\x07", 4);
  std::string Ftyp = "M4A ";
  AppendBigEndian(Ftyp, 0, 4);
  Ftyp += "M4A mp42isom";
  const std::string FtypBox = Box("ftyp", Ftyp);
  // The moov's size does not depend on the offset it holds.
  const std::size_t MoovSize = Mp4Moov(Samples, Frames, Frame.size(), 0).size();
  const auto DataOffset = static_cast<std::uint32_t>(FtypBox.size() + MoovSize + 8);
  std::string Data;
  Data.reserve(Frames * Frame.size());
  for (std::uint32_t Index = 0; Index < Frames; ++Index) Data += Frame;
  return FtypBox + Mp4Moov(Samples, Frames, Frame.size(), DataOffset) + Box("mdat", Data);
}

std::string AudioOf(TAudioFormat Format, int LengthMs) {
  switch (Format) {
    case TAudioFormat::afMp3:
      return Mp3Audio(LengthMs);
    case TAudioFormat::afFlac:
      return FlacAudio(LengthMs);
    case TAudioFormat::afOggVorbis:
      return VorbisAudio(LengthMs);
    case TAudioFormat::afOggOpus:
      return OpusAudio(LengthMs);
    case TAudioFormat::afMp4:
      return Mp4Audio(LengthMs);
  }
  throw std::logic_error("unknown audio format");
}

TagLib::String ToTagLib(const std::string& Utf8) { return TagLib::String(Utf8, TagLib::String::UTF8); }

void SetProperty(TagLib::PropertyMap& Properties, const char* Key, const std::string& Utf8) {
  if (!Utf8.empty()) Properties.replace(Key, TagLib::StringList(ToTagLib(Utf8)));
}

// A JPEG's start and end around zeros: as heavy as real cover art.
TagLib::ByteVector Picture(std::size_t Size) {
  TagLib::ByteVector Data(static_cast<unsigned int>(std::max<std::size_t>(Size, 4)), '\0');
  Data[0] = '\xFF';
  Data[1] = '\xD8';
  Data[Data.size() - 2] = '\xFF';
  Data[Data.size() - 1] = '\xD9';
  return Data;
}

TagLib::FLAC::Picture* FlacPicture(std::size_t Size) {
  auto* Result = new TagLib::FLAC::Picture;
  Result->setType(TagLib::FLAC::Picture::FrontCover);
  Result->setMimeType("image/jpeg");
  Result->setData(Picture(Size));
  return Result;
}

void AddPicture(TagLib::File* File, std::size_t Size) {
  if (auto* Mpeg = dynamic_cast<TagLib::MPEG::File*>(File)) {
    auto* Frame = new TagLib::ID3v2::AttachedPictureFrame;
    Frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    Frame->setMimeType("image/jpeg");
    Frame->setPicture(Picture(Size));
    Mpeg->ID3v2Tag(true)->addFrame(Frame);
  } else if (auto* Flac = dynamic_cast<TagLib::FLAC::File*>(File)) {
    Flac->addPicture(FlacPicture(Size));
  } else if (auto* Vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(File)) {
    Vorbis->tag()->addPicture(FlacPicture(Size));
  } else if (auto* Opus = dynamic_cast<TagLib::Ogg::Opus::File*>(File)) {
    Opus->tag()->addPicture(FlacPicture(Size));
  } else if (auto* Mp4 = dynamic_cast<TagLib::MP4::File*>(File)) {
    TagLib::MP4::CoverArtList Covers;
    Covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG, Picture(Size)));
    Mp4->tag()->setItem("covr", Covers);
  }
}

std::string Tagged(const std::string& Audio, const TAudioTags& Tags) {
  TagLib::ByteVectorStream Stream(TagLib::ByteVector(Audio.data(), static_cast<unsigned int>(Audio.size())));
  {
    TagLib::FileRef Ref(&Stream, false);
    if (Ref.isNull()) throw std::logic_error("TagLib does not read a made audio file");
    TagLib::PropertyMap Properties;
    SetProperty(Properties, "TITLE", StringToUtf8(Tags.Title));
    SetProperty(Properties, "ARTIST", StringToUtf8(Tags.Artist));
    SetProperty(Properties, "ALBUM", StringToUtf8(Tags.Album));
    SetProperty(Properties, "TRACKNUMBER", Tags.Track);
    SetProperty(Properties, "DISCNUMBER", Tags.Disc);
    Ref.file()->setProperties(Properties);
    if (Tags.PictureSize > 0) AddPicture(Ref.file(), Tags.PictureSize);
    if (!Ref.save()) throw std::logic_error("TagLib does not tag a made audio file");
  }
  const TagLib::ByteVector* Bytes = Stream.data();
  return std::string(Bytes->data(), Bytes->size());
}

}  // namespace

std::string AudioExtension(TAudioFormat Format) {
  switch (Format) {
    case TAudioFormat::afMp3:
      return ".mp3";
    case TAudioFormat::afFlac:
      return ".flac";
    case TAudioFormat::afOggVorbis:
      return ".ogg";
    case TAudioFormat::afOggOpus:
      return ".opus";
    case TAudioFormat::afMp4:
      return ".m4a";
  }
  throw std::logic_error("unknown audio format");
}

std::string AudioFormatName(TAudioFormat Format) {
  switch (Format) {
    case TAudioFormat::afMp3:
      return "MP3";
    case TAudioFormat::afFlac:
      return "FLAC";
    case TAudioFormat::afOggVorbis:
      return "Ogg Vorbis";
    case TAudioFormat::afOggOpus:
      return "Ogg Opus";
    case TAudioFormat::afMp4:
      return "MP4";
  }
  throw std::logic_error("unknown audio format");
}

std::string MakeAudioFile(TAudioFormat Format, int LengthMs, const TAudioTags& Tags) {
  return Tagged(AudioOf(Format, LengthMs), Tags);
}

}  // namespace cantrel::test
