#include <gtest/gtest.h>

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <random>

#include "PinnedLocale.h"
#include "filesearch/WildcardMask.h"
#include "runtime/Locale.h"
#include "runtime/ResourceStrings.h"
#include "runtime/Strings.h"

using namespace cantrel;

namespace {

TStringList Masks(std::initializer_list<const char16_t*> Items) {
  TStringList List;
  for (const char16_t* Item : Items) List.Add(Item);
  return List;
}

String MessageOf(StringView Mask, StringView Text, int Start) {
  try {
    MatchWildcardMask(Mask, Text, Start);
  } catch (const EStringError& Error) {
    return Error.Message();
  }
  return u"no error";
}

class NameTest : public ::testing::Test {
protected:
  test::TPinnedLocale Locale{"en_US"};
};

}  // namespace

TEST(WildcardMaskTest, StarsAndQuestionMarksRestartWhereTheyShould) {
  EXPECT_TRUE(MatchWildcardMask(u"a*b", u"aXbYb"));
  EXPECT_FALSE(MatchWildcardMask(u"*a?", u"abc"));
  EXPECT_FALSE(MatchWildcardMask(u"?", u""));
  EXPECT_TRUE(MatchWildcardMask(u"*.mp3", u"a.b.mp3"));
  EXPECT_TRUE(MatchWildcardMask(u"*", u""));
  EXPECT_TRUE(MatchWildcardMask(u"*mp3*", u"xmp3y"));
  EXPECT_TRUE(MatchWildcardMask(u"a*", u"a"));
  EXPECT_FALSE(MatchWildcardMask(u"a?", u"a"));
  EXPECT_TRUE(MatchWildcardMask(u"*?.?", u"ab.c"));
  EXPECT_FALSE(MatchWildcardMask(u"*.mp3", u"a.MP3"));
  EXPECT_FALSE(MatchWildcardMask(u"abc", u"abcd"));
  EXPECT_TRUE(MatchWildcardMask(u"**x", u"yyx"));
  // Code units, not characters: one "?" per half of a surrogate pair.
  EXPECT_FALSE(MatchWildcardMask(u"?.mp3", u"\U0001F3B5.mp3"));
  EXPECT_TRUE(MatchWildcardMask(u"??.mp3", u"\U0001F3B5.mp3"));
  // Start picks the first position that takes part.
  EXPECT_TRUE(MatchWildcardMask(u"/rock/*", u"/music/rock/live/", 7));
  EXPECT_FALSE(MatchWildcardMask(u"/rock/*", u"/music/rock/live/", 1));
}

TEST(WildcardMaskTest, BlankMaskAndBadStartAreErrors) {
  EXPECT_EQ(MessageOf(u"", u"abc", 1), u"Search string cannot be blank");
  EXPECT_EQ(MessageOf(u"a", u"abc", 0), u"Argument out of range");
  EXPECT_EQ(MessageOf(u"a", u"abc", 4), u"Argument out of range");
  EXPECT_EQ(MessageOf(u"*", u"abc", 9), u"no error");
  EXPECT_EQ(MessageOf(u"a", u"", 9), u"no error");
  // The layer's texts are found by identifier too, for translation.
  EXPECT_EQ(FindStringResource(64000), u"Search string cannot be blank");
}

TEST_F(NameTest, ExtensionlessNamesAndCatchAllMasks) {
  const TFileNameMasks NoExtension(Masks({u"*."}), false);
  EXPECT_TRUE(NoExtension.Matches(u"README"));
  EXPECT_FALSE(NoExtension.Matches(u"README.txt"));
  EXPECT_FALSE(TFileNameMasks(Masks({u"*.txt", u"*.?*"}), false).Matches(u"README"));
  EXPECT_TRUE(TFileNameMasks(Masks({u"*"}), false).Matches(u"README"));

  const TFileNameMasks WithStarDotStar(Masks({u"*.mp3", u"*.*", u"*.ogg"}), false);
  EXPECT_TRUE(WithStarDotStar.AllNamesMatch());
  EXPECT_TRUE(WithStarDotStar.Matches(u"README"));
  EXPECT_TRUE(TFileNameMasks(Masks({}), false).AllNamesMatch());
  const TFileNameMasks WithBlank(Masks({u"*.mp3", u""}), false);
  EXPECT_FALSE(WithBlank.AllNamesMatch());
  EXPECT_TRUE(WithBlank.Matches(u"notes.txt"));
}

TEST_F(NameTest, CaseIsSimpleCaseMappingTheSameInEveryLocale) {
  const TStringList Audio = Masks({u"*.aiff", u"*.aifc", u"*.mp3", u"*.it"});
  EXPECT_TRUE(TFileNameMasks(Audio, false).Matches(u"Song.MP3"));
  EXPECT_FALSE(TFileNameMasks(Audio, false).Matches(u"Song.mp4"));
  EXPECT_FALSE(TFileNameMasks(Audio, true).Matches(u"Song.MP3"));
  EXPECT_TRUE(TFileNameMasks(Audio, true).Matches(u"Song.mp3"));

  for (const char* Locale : {"en_US", "tr_TR", "az_AZ", "lt_LT"}) {
    const test::TPinnedLocale Pinned(Locale);
    // Turkish upper-cases "i" to "İ" by its own rule; masks do not.
    EXPECT_TRUE(TFileNameMasks(Audio, false).Matches(u"a.AIFF")) << Locale;
    EXPECT_TRUE(TFileNameMasks(Audio, false).Matches(u"c.IT")) << Locale;
    EXPECT_TRUE(TFileNameMasks(Masks({u"*.INI"}), false).Matches(u"setup.ini")) << Locale;
    // One character for one: "ß" stays one character, so "?" stands for it.
    EXPECT_TRUE(TFileNameMasks(Masks({u"?.mp3"}), false).Matches(u"ß.mp3")) << Locale;
    EXPECT_TRUE(TFileNameMasks(Masks({u"stra?e.*"}), false).Matches(u"STRAßE.ogg")) << Locale;
    EXPECT_FALSE(TFileNameMasks(Masks({u"*STRASSE*"}), false).Matches(u"Hauptstraße.mp3")) << Locale;
    // Beyond the first plane, and undecodable bytes kept as they are.
    EXPECT_TRUE(TFileNameMasks(Masks({u"\U00010428*"}), false).Matches(u"\U00010400.mp3")) << Locale;
    EXPECT_TRUE(TFileNameMasks(Masks({u"?\xDCFF.mp3"}), false).Matches(String(u"a\xDCFF.MP3"))) << Locale;
  }
}

TEST(WildcardMaskTest, PiecesLongerThanAWordMatchAsShortOnes) {
  // Between two stars a piece is found at the first place it fits; a piece
  // of more than 64 characters spans several words of the search.
  const String Run(100, u'a');
  const String Mask = u"x*" + Run + u"?b*" + Run + u"c";
  EXPECT_TRUE(MatchWildcardMask(Mask, u"x" + String(300, u'a') + u"zb" + Run + u"c"));
  EXPECT_TRUE(MatchWildcardMask(Mask, u"xy" + Run + u"ab" + u"y" + Run + u"c"));
  EXPECT_FALSE(MatchWildcardMask(Mask, u"x" + String(60, u'a') + u"b" + String(300, u'a') + u"c"));
  EXPECT_FALSE(MatchWildcardMask(Mask, u"x" + Run + u"ab" + String(99, u'a') + u"c"));
  // The question marks after a star are taken again before every attempt.
  EXPECT_FALSE(MatchWildcardMask(u"*?ab", u"aaab"));
  EXPECT_TRUE(MatchWildcardMask(u"*?ab*", u"xabab"));
}

// Masks that test a name's end are compared in place; every name must get
// the matcher's answer on the name in upper case, "." added when it has none.
TEST_F(NameTest, EndingMasksAnswerAsTheMatcher) {
  const String Alphabet = u"aAbB.3\u00e9\u0131\u00df\U0001F3B5";
  std::mt19937 Random(11);
  std::uniform_int_distribution<std::size_t> Length(0, 6);
  std::uniform_int_distribution<std::size_t> Pick(0, Alphabet.size() - 1);
  const auto Upper = [](StringView Text) {
    String Result;
    for (std::int32_t Pos = 0; Pos < static_cast<std::int32_t>(Text.size());) {
      UChar32 C;
      U16_NEXT(Text.data(), Pos, static_cast<std::int32_t>(Text.size()), C);
      AppendCodePoint(Result, static_cast<char32_t>(u_toupper(C)));
    }
    return Result;
  };
  for (const char16_t* Mask : {u"*.mp3", u"*.", u"*a.B", u"*\u00e9", u"*\u0131.", u"*3"}) {
    for (const bool CaseSensitive : {false, true}) {
      const TFileNameMasks Ending(Masks({Mask}), CaseSensitive);
      for (int Round = 0; Round < 3000; ++Round) {
        String Name(Length(Random) + 1, u'a');
        for (char16_t& C : Name) C = Alphabet[Pick(Random)];
        String Tested = Name.find(u'.') == String::npos ? Name + u"." : Name;
        const bool Expected = CaseSensitive ? MatchWildcardMask(Mask, Tested) : MatchWildcardMask(Upper(Mask), Upper(Tested));
        ASSERT_EQ(Ending.Matches(Name), Expected) << StringToUtf8(Mask) << " " << StringToUtf8(Name);
      }
    }
  }
}
