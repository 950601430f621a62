#include <gtest/gtest.h>

#include "runtime/String.h"

using namespace cantrel;

TEST(StringTest, Utf8RoundTripKeepsUndecodableBytes) {
  const std::string Latin1Name = "Caf\xe9 \xff.mp3";
  const String Decoded = Utf8ToString(Latin1Name);
  EXPECT_EQ(Decoded, String(u"Caf\xdce9 \xdcff.mp3"));
  EXPECT_EQ(StringToUtf8(Decoded), Latin1Name);

  // Overlong forms, encoded surrogates and a cut-off sequence are not UTF-8.
  for (std::string Bad : {"\xc0\xaf", "\xed\xa0\x80", "ab\xe2\x82", "\xf4\x90\x80\x80"})
    EXPECT_EQ(StringToUtf8(Utf8ToString(Bad)), Bad);
}

TEST(StringTest, Utf8DecodesEveryPlane) {
  EXPECT_EQ(Utf8ToString("\xc3\xa4\xe2\x82\xac\xf0\x9f\x8e\xb5"), String(u"ä€🎵"));
  EXPECT_EQ(StringToUtf8(u"ä€🎵"), "\xc3\xa4\xe2\x82\xac\xf0\x9f\x8e\xb5");
}

TEST(StringTest, TrimRemovesCodesUpTo32) {
  EXPECT_EQ(Trim(u"\t \x01 a b \r\n"), u"a b");
  EXPECT_EQ(TrimLeft(u"  a "), u"a ");
  EXPECT_EQ(TrimRight(u"  a "), u"  a");
  EXPECT_EQ(Trim(u" \x1f "), u"");
}

TEST(StringTest, CaseInsensitiveSearchAndReplace) {
  EXPECT_EQ(ReplaceText(u"%ALBUM%-%Album%.m3u", u"%album%", u"Jazz"), u"Jazz-Jazz.m3u");
  EXPECT_EQ(ReplaceText(u"Ärger ärger", u"ÄRGER", u"x"), u"x x");
  EXPECT_EQ(ReplaceText(u"none", u"%album%", u"x"), u"none");
  EXPECT_EQ(PosText(u"B", u"abcb", 2), 3u);
  EXPECT_TRUE(SameText(u"Hello", u"hELLO"));
  EXPECT_FALSE(SameText(u"Hello", u"Hell"));
  EXPECT_TRUE(StartsText(u"lc_", u"LC_MESSAGES"));
  EXPECT_TRUE(EndsText(u".MO", u"default.mo"));
  EXPECT_EQ(ReplaceAll(u"a\\b\\c", u"\\", u"/"), u"a/b/c");
}

TEST(StringTest, CompareTextOrdersByFoldedCodeUnits) {
  EXPECT_EQ(CompareText(u"Locale/DE", u"locale/de"), 0);
  EXPECT_LT(CompareText(u"a", u"B"), 0);
  EXPECT_GT(CompareText(u"b", u"A"), 0);
  EXPECT_LT(CompareText(u"de", u"de_AT"), 0);
  // Unlike the locale's collation, digits are not read as numbers.
  EXPECT_NE(CompareText(u"Item1", u"Item01"), 0);
  EXPECT_EQ(CompareText(u"ÄÖ", u"äö"), 0);
}

TEST(StringTest, AKeptByteIsNeverTheSecondHalfOfAPair) {
  // U+1F4BF is D83D DCBF: its second half lies where kept bytes do.
  const String Text = u"a\xD83D\xDCBF\xDCBF\xD83D";
  char32_t CodePoint;
  std::size_t Length;
  EXPECT_EQ(ReadTextUnit(Text, 1, CodePoint, Length), TTextUnit::tuCharacter);
  EXPECT_EQ(CodePoint, U'\U0001F4BF');
  EXPECT_EQ(Length, 2u);
  EXPECT_EQ(ReadTextUnit(Text, 3, CodePoint, Length), TTextUnit::tuKeptByte);
  EXPECT_EQ(CodePoint, 0xBFu);
  EXPECT_EQ(ReadTextUnit(Text, 4, CodePoint, Length), TTextUnit::tuLoneSurrogate);
  EXPECT_EQ(StringToUtf8(Text), "a\xF0\x9F\x92\xBF\xBF\xEF\xBF\xBD");
}
