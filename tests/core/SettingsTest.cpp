#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/FilterTexts.h"
#include "core/Settings.h"
#include "runtime/Exceptions.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::test;

TEST(SettingsTest, DefaultsAreWrittenInKeyOrder) {
  TTempDir Dir;
  TSettings Settings(Dir.Folder() + u"cantrel.ini");
  Settings.Read();
  EXPECT_EQ(Settings.LastFolder(), ExtractFilePath(ModuleFileName()));
  EXPECT_EQ(Settings.VideoFormat(), DefaultVideoFilterText);
  EXPECT_EQ(Settings.MinSize(), 102400);
  Settings.SetLastFolder(u"/music/");
  Settings.Write();
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "cantrel.ini"),
            "[Path]\nLastFolder=/music/\n\n[Filter]\nVideoFormat=" + StringToUtf8(DefaultVideoFilterText) +
                "\nAudioFormat=" + StringToUtf8(DefaultMoreAudioFilterText) + "\n\n[File]\nMinSize=102400\n");
}

TEST(SettingsTest, ValuesAsTheUserEditedThem) {
  TTempDir Dir;
  const std::string Edited = "[File]\nMinSize=0x10\n[Filter]\nVideoFormat=Clips (*.mp4)\n[Path]\nLastFolder=\n";
  Dir.MakeFile("cantrel.ini", Edited);
  TSettings Settings(Dir.Folder() + u"cantrel.ini");
  Settings.Read();
  EXPECT_EQ(Settings.MinSize(), 16);
  EXPECT_EQ(Settings.VideoFormat(), u"Clips (*.mp4)");
  EXPECT_EQ(Settings.LastFolder(), u"");
  Settings.Write();
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "cantrel.ini"),
            "[File]\nMinSize=16\n[Filter]\nVideoFormat=Clips (*.mp4)\nAudioFormat=" +
                StringToUtf8(DefaultMoreAudioFilterText) + "\n[Path]\nLastFolder=\n");

  Dir.MakeFile("cantrel.ini", "[File]\nMinSize=lots\n");
  Settings.Read();
  EXPECT_EQ(Settings.MinSize(), 102400);
  EXPECT_EQ(Settings.VideoFormat(), DefaultVideoFilterText);

  TSettings Nowhere(Dir.Folder() + u"missing/cantrel.ini");
  EXPECT_THROW(Nowhere.Write(), EIniFileException);
}

TEST(SettingsTest, FilterNumbersAndTheirMasks) {
  EXPECT_EQ(FilterText(2, u"Video (*.avi)", u"More (*.opus)"), u"MP3 Files (*.mp3;*.mp2)");
  EXPECT_EQ(FilterText(9, u"Video (*.avi)", u"More (*.opus)"), u"Video (*.avi)");
  EXPECT_EQ(FilterText(10, u"Video (*.avi)", u"More (*.opus)"), u"More (*.opus)");
  EXPECT_TRUE(FilterHasMasks(u"Video (*.avi)"));
  EXPECT_FALSE(FilterHasMasks(u"Nothing ( ; )"));
}

TEST(SettingsTest, TheWindowSizeIsWrittenOnlyWhenItDiffersOrWasThere) {
  TTempDir Dir;
  TSettings Settings(Dir.Folder() + u"cantrel.ini");
  Settings.Read();
  EXPECT_EQ(Settings.WindowWidth(), 434);
  EXPECT_EQ(Settings.WindowHeight(), 231);
  Settings.SetWindowWidth(600);
  Settings.Write();
  const std::string Written = ReadFileBytes(Dir.Path() + "cantrel.ini");
  EXPECT_TRUE(Written.ends_with("\n[File]\nMinSize=102400\n\n[Window]\nWidth=600\n")) << Written;

  // Back at the first size, a key the file holds keeps being written.
  Dir.MakeFile("cantrel.ini", "[Window]\nHeight=231\nWidth=x\n");
  Settings.Read();
  EXPECT_EQ(Settings.WindowWidth(), 434);
  Settings.Write();
  EXPECT_TRUE(ReadFileBytes(Dir.Path() + "cantrel.ini").starts_with("[Window]\nHeight=231\nWidth=434\n"));
}
