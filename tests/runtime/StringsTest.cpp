#include <gtest/gtest.h>

#include "Lines.h"
#include "PinnedLocale.h"
#include "runtime/Exceptions.h"
#include "runtime/Locale.h"
#include "runtime/Strings.h"

using namespace cantrel;

namespace {

class TTracked : public TObject {
public:
  explicit TTracked(int& Destroyed) : FDestroyed(Destroyed) {}
  ~TTracked() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

class StringsTest : public ::testing::Test {
protected:
  test::TPinnedLocale Locale{"en_US"};
};

}  // namespace

TEST_F(StringsTest, SortedListRefusesDuplicatesByItsRule) {
  TStringList List;
  List.SetSorted(true);
  for (const char16_t* S : {u"b.mp3", u"A.mp3", u"a.mp3"}) List.Add(S);
  EXPECT_EQ(test::LinesOf(List), (std::vector<String>{u"A.mp3", u"b.mp3"}));

  List.SetDuplicates(TDuplicates::dupError);
  EXPECT_THROW(List.Add(u"B.MP3"), EStringListError);
  List.SetDuplicates(TDuplicates::dupAccept);
  List.Add(u"B.MP3");
  EXPECT_EQ(List.Count(), 3);
  EXPECT_THROW(List.Insert(0, u"x"), EStringListError);
}

TEST_F(StringsTest, CustomCompareKeepsCaseVariants) {
  TStringList List;
  List.SetSorted(true);
  List.SetCompareFunction([](const String& A, const String& B) { return AnsiCompareText(A, B); });
  for (const char16_t* S : {u"song.mp3", u"10 b.mp3", u"Song.mp3", u"2 b.mp3", u"song.mp3"}) List.Add(S);
  EXPECT_EQ(test::LinesOf(List), (std::vector<String>{u"2 b.mp3", u"10 b.mp3", u"Song.mp3", u"song.mp3"}));
  EXPECT_EQ(List.IndexOf(u"song.mp3"), 3);
  EXPECT_EQ(List.IndexOf(u"SONG.mp3"), -1);
}

TEST_F(StringsTest, IndexErrorsNameTheIndex) {
  TStringList List;
  List.Add(u"a");
  for (int Bad : {-1, 1, 5}) {
    try {
      List.Delete(Bad);
      FAIL() << Bad;
    } catch (const EStringListError& Error) {
      EXPECT_EQ(Error.Message(), u"List index out of bounds (" + IntToStr(Bad) + u")");
    }
  }
  EXPECT_THROW(List.Get(1), EStringListError);
  EXPECT_THROW(List.Insert(2, u"x"), EStringListError);
  List.Insert(1, u"b");
  EXPECT_EQ(test::LinesOf(List), (std::vector<String>{u"a", u"b"}));
}

TEST_F(StringsTest, TextJoinsAndSplitsEveryLineBreak) {
  TStringList List;
  List.SetText(u"one\r\ntwo\rthree\n\nfive\n");
  EXPECT_EQ(test::LinesOf(List), (std::vector<String>{u"one", u"two", u"three", u"", u"five"}));
  EXPECT_EQ(List.Text(), u"one\ntwo\nthree\n\nfive\n");
  List.SetText(u"");
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(StringsTest, UpdateBracketAnnouncesOneChange) {
  TStringList List;
  int Changes = 0, Changings = 0;
  List.OnChange = [&](TObject&) { ++Changes; };
  List.OnChanging = [&](TObject&) { ++Changings; };
  List.Add(u"a");
  EXPECT_EQ(Changes, 1);
  List.BeginUpdate();
  List.BeginUpdate();
  List.Add(u"b");
  List.Add(u"c");
  List.EndUpdate();
  EXPECT_EQ(Changes, 1);
  List.EndUpdate();
  EXPECT_EQ(Changes, 2);
  EXPECT_EQ(Changings, 2);
}

TEST_F(StringsTest, AssignCopiesLinesAndObjects) {
  int Destroyed = 0;
  {
    TStringList Owner(true);
    Owner.AddObject(u"x", new TTracked(Destroyed));
    Owner.AddObject(u"y", new TTracked(Destroyed));
    TStringList Copy;
    Copy.Add(u"old");
    Copy.Assign(Owner);
    EXPECT_EQ(test::LinesOf(Copy), (std::vector<String>{u"x", u"y"}));
    EXPECT_EQ(Copy.GetObject(1), Owner.GetObject(1));
    Owner.Delete(0);
    EXPECT_EQ(Destroyed, 1);
  }
  EXPECT_EQ(Destroyed, 2);
}

TEST_F(StringsTest, CustomSortOrdersByIndexCompare) {
  TStringList List;
  for (const char16_t* S : {u"ccc", u"a", u"bb"}) List.Add(S);
  List.CustomSort([](TStringList& L, int A, int B) { return int(L[A].size()) - int(L[B].size()); });
  EXPECT_EQ(test::LinesOf(List), (std::vector<String>{u"a", u"bb", u"ccc"}));
  EXPECT_EQ(List.IndexOf(u"BB"), 1);
}
