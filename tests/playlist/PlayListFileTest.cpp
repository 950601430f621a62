#include <gtest/gtest.h>

#include "Lines.h"
#include "PinnedLocale.h"
#include "playlist/PlayListFile.h"
#include "runtime/Exceptions.h"
#include "runtime/Locale.h"

using namespace cantrel;

namespace {

class TCountedNode : public TPlayListFile {
public:
  explicit TCountedNode(int& Destroyed) : FDestroyed(Destroyed) {}
  ~TCountedNode() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

class PlayListFileTest : public ::testing::Test {
protected:
  test::TPinnedLocale Locale{"en_US"};
};

}  // namespace

TEST_F(PlayListFileTest, ItemsSortIgnoringCaseButKeepEveryFile) {
  TPlayListFile Node;
  for (const char16_t* Name : {u"b.mp3", u"A.mp3", u"a.mp3", u"10 x.mp3", u"2 x.mp3", u"a.mp3"}) Node.Add(Name);
  // "A.mp3" and "a.mp3" are two files on Linux; the repeat of "a.mp3" is not.
  EXPECT_EQ(test::LinesOf(Node.Items()), (std::vector<String>{u"2 x.mp3", u"10 x.mp3", u"A.mp3", u"a.mp3", u"b.mp3"}));
  Node.Items().Add(u"B.mp3");
  EXPECT_EQ(Node.Items().IndexOf(u"B.mp3"), 4);

  Node.Add(0, u"first.mp3");
  EXPECT_EQ(Node.Items().Count(), 6) << "a chosen place is refused silently";
  Node.Delete(0);
  EXPECT_EQ(Node.Items()[0], u"10 x.mp3");
  try {
    Node.Delete(9);
    FAIL();
  } catch (const EStringListError& Error) {
    EXPECT_EQ(Error.Message(), u"List index out of bounds (9)");
  }
}

TEST_F(PlayListFileTest, NewNodeAndCount) {
  TPlayListFile Root;
  EXPECT_EQ(Root.Current(), &Root);
  EXPECT_EQ(Root.SubIndex(), 0);
  EXPECT_EQ(Root.SubCount(), 0);
  EXPECT_EQ(Root.Parent(), nullptr);
  EXPECT_EQ(Root.Last(), nullptr);
  EXPECT_EQ(Root.Format(), plM3U);
  EXPECT_FALSE(Root.UTF8BOM());

  Root.Add(u"a.mp3");
  Root.Add(u"b.mp3");
  TPlayListFile* Child = Root.AddChild();
  for (const char16_t* Name : {u"c.mp3", u"d.mp3", u"e.mp3"}) Child->Add(Name);
  EXPECT_EQ(Root.Count(), 5);
  EXPECT_EQ(Child->Count(), 3);
}

TEST_F(PlayListFileTest, AddChildMovesOnlyItsOwnCursor) {
  TPlayListFile Root;
  TPlayListFile* A = Root.AddChild();
  TPlayListFile* B = Root.AddChild();
  TPlayListFile* C = Root.AddChild();
  EXPECT_EQ(Root.SubCount(), 3);
  EXPECT_EQ(Root.SubIndex(), 2);
  EXPECT_EQ(Root.Current(), C);
  EXPECT_EQ(C->Parent(), &Root);
  EXPECT_EQ(Root.Last(), C);

  TPlayListFile* X = A->AddChild();
  EXPECT_EQ(A->Current(), X);
  EXPECT_EQ(Root.Current(), C) << "the root's cursor stays";

  auto* Inserted = new TPlayListFile;
  EXPECT_EQ(Root.AddChild(1, Inserted), Inserted);
  EXPECT_EQ(Root.Child(1), Inserted);
  EXPECT_EQ(Root.Child(2), B);
  EXPECT_EQ(Root.SubCount(), 4);
  EXPECT_EQ(Root.SubIndex(), 2) << "inserting leaves SubIndex";

  // A node that already has a parent, or an ancestor, would be owned twice.
  EXPECT_EQ(Root.AddChild(X), Inserted);
  EXPECT_EQ(X->AddChild(&Root), X->Current());
  EXPECT_EQ(Root.AddChild(nullptr), Inserted);
  EXPECT_EQ(Root.ChildCount(), 4);
}

TEST_F(PlayListFileTest, UpFollowsTheLatestChildren) {
  TPlayListFile Root;
  Root.Up();
  EXPECT_EQ(Root.Current(), nullptr) << "the root has no parent";

  TPlayListFile Tree;
  TPlayListFile* A = Tree.AddChild();
  TPlayListFile* X = A->AddChild();
  Tree.Up();
  EXPECT_EQ(X->Current(), A);
  EXPECT_EQ(Tree.Current(), A);

  Tree.SetSubIndex(7);
  EXPECT_THROW(Tree.Up(), EListError);
}

TEST_F(PlayListFileTest, ClearEmptiesButKeepsIdentity) {
  int Destroyed = 0;
  TPlayListFile Root;
  Root.SetPath(u"/music/");
  Root.SetName(u"/music/");
  Root.SetFormat(plXSPF);
  Root.Add(u"a.mp3");
  TPlayListFile* A = Root.AddChild(new TCountedNode(Destroyed));
  A->AddChild(new TCountedNode(Destroyed));
  Root.Clear();
  EXPECT_EQ(Destroyed, 2);
  EXPECT_EQ(Root.SubCount(), 0);
  EXPECT_EQ(Root.SubIndex(), -1);
  EXPECT_EQ(Root.Current(), nullptr);
  EXPECT_EQ(Root.Count(), 0);
  EXPECT_EQ(Root.ChildCount(), 0);
  EXPECT_EQ(Root.Path(), u"/music/");
  EXPECT_EQ(Root.Name(), u"/music/");
  EXPECT_EQ(Root.Format(), plXSPF);
}

TEST_F(PlayListFileTest, DestroyingTheRootDestroysEveryNodeOnce) {
  int Destroyed = 0;
  {
    TPlayListFile Root;
    TPlayListFile* A = Root.AddChild(new TCountedNode(Destroyed));
    A->AddChild(new TCountedNode(Destroyed))->AddChild(new TCountedNode(Destroyed));
    Root.AddChild(new TCountedNode(Destroyed));
  }
  EXPECT_EQ(Destroyed, 4);
}
