#include <gtest/gtest.h>

#include "runtime/CodePage.h"
#include "runtime/Locale.h"

using namespace cantrel;

TEST(CodePageTest, LanguageChoosesTheLegacyCodePage) {
  EXPECT_EQ(CodePageOfLanguage("pl_PL"), 1250);
  EXPECT_EQ(CodePageOfLanguage("ru_RU"), 1251);
  EXPECT_EQ(CodePageOfLanguage("el_GR"), 1253);
  EXPECT_EQ(CodePageOfLanguage("zh_CN"), 936);
  EXPECT_EQ(CodePageOfLanguage("zh_TW"), 950);
  EXPECT_EQ(CodePageOfLanguage("ja_JP"), 932);
  EXPECT_EQ(CodePageOfLanguage("de_DE"), 1252);
  EXPECT_EQ(CodePageOfLanguage("C"), 1252);
  SetUserLocaleName("cs_CZ");
  EXPECT_EQ(AnsiCodePage(), 1250);
  SetUserLocaleName("");
}

TEST(CodePageTest, MissingCharactersBecomeQuestionMarks) {
  EXPECT_EQ(StringToCodePage(u"Café – 東京.mp3", 1252), "Caf\xe9 \x96 ??.mp3");
  EXPECT_EQ(StringToCodePage(u"Łódź", 1250), "\xa3\xf3\x64\x9f");
  EXPECT_EQ(StringToCodePage(u"Łódź", 1252), "?\xf3\x64?");
  EXPECT_EQ(StringToCodePage(u"🎵", 1252), "?");
  EXPECT_EQ(CodePageToString("Caf\xe9", 1252), u"Café");
}

TEST(CodePageTest, KeptFileNameBytesPassThrough) {
  // A Latin-1 file name that was not valid UTF-8 keeps its bytes.
  EXPECT_EQ(StringToCodePage(u"Caf\xdce9.mp3", 1252), "Caf\xe9.mp3");
}

TEST(CodePageTest, StrictConversionRefusesWhatTheCodePageLacks) {
  String Text;
  ASSERT_TRUE(TryCodePageToString("Caf\xe9", 1252, Text));
  EXPECT_EQ(Text, u"Café");
  ASSERT_TRUE(TryCodePageToString("\x93\xfa", 932, Text));
  EXPECT_EQ(Text, u"日");
  Text = u"unchanged";
  EXPECT_FALSE(TryCodePageToString("a\x93", 932, Text));  // a lead byte without its partner
  EXPECT_FALSE(TryCodePageToString("\xff", 1253, Text));   // unassigned in Greek
  EXPECT_FALSE(TryCodePageToString("abc", 4711, Text));    // no such code page
  EXPECT_EQ(Text, u"unchanged");
}
