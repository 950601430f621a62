#include <gtest/gtest.h>

#include "Lines.h"
#include "core/FilterTexts.h"
#include "core/SearchSession.h"
#include "runtime/Locale.h"

using namespace cantrel;

namespace {

TSearchRec File(const char16_t* Name) {
  TSearchRec Record;
  Record.Name = Name;
  return Record;
}

class SearchSessionTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetUserLocaleName("en_US");
    Session.Start();
  }
  void TearDown() override { SetUserLocaleName(""); }

  // Feeds the reports of a walk as the enumerator would give them.
  String Report(const char16_t* Directory, std::initializer_list<const char16_t*> Files) {
    Session.EnterDirectory(Directory);
    String Lines;
    for (const char16_t* Name : Files) Lines += Session.FileFound(Directory, File(Name), u"/m/R/") + u"|";
    return Lines;
  }

  TPlayListFile Root;
  TSearchSession Session{Root};
};

}  // namespace

TEST_F(SearchSessionTest, TreeOfTheWalkRAXB) {
  EXPECT_EQ(Report(u"/m/R/", {u"r1"}), u"r1|");
  EXPECT_EQ(Root.Current(), &Root);
  EXPECT_EQ(Report(u"/m/R/A/", {u"a1"}), u"A/a1|");
  TPlayListFile* A = Root.Child(0);
  EXPECT_EQ(Root.Current(), A);
  EXPECT_EQ(Report(u"/m/R/A/X/", {u"x1"}), u"A/X/x1|");
  EXPECT_EQ(Root.Current(), A);
  EXPECT_EQ(Report(u"/m/R/B/", {u"b1"}), u"B/b1|");
  TPlayListFile* B = Root.Child(1);
  EXPECT_EQ(Root.Current(), B);

  EXPECT_EQ(test::LinesOf(Root.Items()), std::vector<String>{u"r1"});
  ASSERT_EQ(Root.ChildCount(), 2);
  EXPECT_EQ(A->Path(), u"/m/R/A/");
  EXPECT_EQ(A->Name(), u"/m/R/A/");
  EXPECT_EQ(test::LinesOf(A->Items()), std::vector<String>{u"a1"});
  ASSERT_EQ(A->ChildCount(), 1);
  EXPECT_EQ(test::LinesOf(A->Child(0)->Items()), std::vector<String>{u"x1"});
  EXPECT_EQ(test::LinesOf(B->Items()), std::vector<String>{u"b1"});
  EXPECT_EQ(Session.DirCount(), 4);
}

TEST_F(SearchSessionTest, ClimbingSeveralLevelsFindsTheRealParent) {
  Report(u"/m/R/", {});
  Report(u"/m/R/A/", {});
  Report(u"/m/R/A/X/", {});
  Report(u"/m/R/A/X/Y/", {u"y1"});
  Report(u"/m/R/A/X/Y/Z/", {u"z1"});
  Report(u"/m/R/B/", {u"b1"});
  Report(u"/m/R/B/C/", {u"c1"});
  Report(u"/m/R/D/", {u"d1"});

  ASSERT_EQ(Root.ChildCount(), 3);
  EXPECT_EQ(Root.Child(1)->Path(), u"/m/R/B/");
  EXPECT_EQ(test::LinesOf(Root.Child(1)->Items()), std::vector<String>{u"b1"});
  EXPECT_EQ(Root.Child(1)->Child(0)->Path(), u"/m/R/B/C/");
  EXPECT_EQ(Root.Child(2)->Path(), u"/m/R/D/");
  EXPECT_EQ(test::LinesOf(Root.Child(2)->Items()), std::vector<String>{u"d1"});
  const TPlayListFile* Y = Root.Child(0)->Child(0)->Child(0);
  EXPECT_EQ(test::LinesOf(Y->Items()), std::vector<String>{u"y1"});
  EXPECT_EQ(test::LinesOf(Y->Child(0)->Items()), std::vector<String>{u"z1"});
}

TEST_F(SearchSessionTest, StatusTextsAndFilterMasks) {
  Report(u"/m/R/", {});
  EXPECT_EQ(TSearchSession::FilesText(1), u"1 files");
  EXPECT_EQ(Session.DirectoriesText(), u"1 directories");
  EXPECT_EQ(TSearchSession::ProcessingText(u"/m/R/"), u"Processing /m/R/...");
  const String Finished = Session.EndText();
  EXPECT_TRUE(StartsStr(u"...finished (0.", Finished)) << StringToUtf8(Finished);
  EXPECT_TRUE(EndsStr(u" seconds).", Finished));
  Session.Terminated(true, std::nullopt);
  EXPECT_EQ(Session.EndText(), u"Prematurely aborted.");
  Session.Terminated(false, u"Out of memory");
  EXPECT_EQ(Session.EndText(), u"Search failed: Out of memory");

  EXPECT_EQ(MasksOfFilter(AudioFilterTexts[0]),
            u"*.aiff;*.aifc;*.mp3;*.mp2;*.ogg;*.flac;*.it;*.xm;*.s3m;*.mod;*.spx;*.wma;*.wav");
  EXPECT_EQ(MasksOfFilter(u"Ogg Vorbis Files (*.ogg)"), u"*.ogg");
  EXPECT_EQ(MasksOfFilter(u"*.mp3;*.flac"), u"*.mp3;*.flac");
  EXPECT_EQ(MasksOfFilter(u"Lieder ( *.mp3 ;\t*.flac;; *.ogg )"), u"*.mp3;*.flac;;*.ogg");
  EXPECT_EQ(MasksOfFilter(DefaultVideoFilterText).substr(0, 12), u"*.3gp;*.avi;");
}

TEST_F(SearchSessionTest, AStoppedSearchIsNoGroundForMake) {
  Report(u"/m/R/", {u"r1"});
  EXPECT_EQ(Session.MakeAvailability(), TMakeAvailability::maSearching);
  Session.Terminated(true, std::nullopt);
  EXPECT_EQ(Session.MakeAvailability(), TMakeAvailability::maSearchStopped);
  EXPECT_EQ(Session.MakeUnavailableReason(), u"Press Find first.");
}
