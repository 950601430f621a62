#include <gtest/gtest.h>

#include "ProcessLocale.h"
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
  // A Latin-1 file name that was not valid UTF-8 keeps its bytes; a
  // character whose second half looks like one does not.
  EXPECT_EQ(StringToCodePage(u"Caf\xdce9.mp3", 1252), "Caf\xe9.mp3");
  EXPECT_EQ(StringToCodePage(u"Mix 💿", 1252), "Mix ?");
}

TEST(CodePageTest, TheLocaleCharacterSetRefusesWhatItLacks) {
  for (const char* Name : {"C", "C.UTF-8"}) {
    const test::TProcessLocale Pinned(Name);
    EXPECT_EQ(LocaleCharset(), "UTF-8") << Name;
  }
  std::string Bytes = "x";
  const TCharsetEncoder Latin1("ISO-8859-1");
  EXPECT_TRUE(Latin1.Encode(u"Bj\x00f6rk caf\xdce9", Bytes));
  EXPECT_EQ(Bytes, "xBj\xf6rk caf\xe9");
  EXPECT_FALSE(Latin1.Encode(u"日本", Bytes));
  EXPECT_FALSE(Latin1.Encode(u"💿", Bytes));
  EXPECT_EQ(Bytes, "xBj\xf6rk caf\xe9") << "nothing is appended on refusal";

  const TCharsetEncoder Utf8("UTF-8");
  EXPECT_TRUE(Utf8.Encode(u"日本 💿 \xdce9", Bytes));
  EXPECT_EQ(Bytes, "xBj\xf6rk caf\xe9\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x92\xbf \xe9");
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
