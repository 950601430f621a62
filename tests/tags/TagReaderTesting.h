#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <string_view>

#include "AudioFiles.h"
#include "TempDir.h"
#include "tags/TagReader.h"

namespace cantrel {

// Readable failures.
inline void PrintTo(const TMediaTags& Tags, std::ostream* Out) {
  *Out << "{\"" << StringToUtf8(Tags.Title) << "\", \"" << StringToUtf8(Tags.Artist) << "\", \""
       << StringToUtf8(Tags.Album) << "\", track " << Tags.Track << ", disc " << Tags.Disc << ", " << Tags.Length
       << " ms}";
}

}  // namespace cantrel

namespace cantrel::test {

// A temporary folder, open as a descriptor, to make real audio files in and
// read them back.
class TTagFolderTest : public ::testing::Test {
protected:
  TTagFolderTest() : Folder(open(Dir.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~TTagFolderTest() override { close(Folder); }

  void Make(std::string_view Name, TAudioFormat Format, const TAudioTags& Tags = {}, int LengthMs = 3000) const {
    Dir.MakeFile(Name, MakeAudioFile(Format, LengthMs, Tags));
  }
  TMediaTags Read(std::string_view Name) const { return ReadMediaTags(Folder, Utf8ToString(Name)); }

  TTempDir Dir;
  int Folder;
};

}  // namespace cantrel::test
