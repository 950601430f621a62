#include <gtest/gtest.h>

#include "filesearch/RootDirectory.h"

using namespace cantrel;

TEST(RootDirectoryTest, CanonicalFormResolvesDotsPieceByPiece) {
  EXPECT_EQ(PathCanonicalize(u"/music/./rock/../pop"), u"/music/pop");
  EXPECT_EQ(PathCanonicalize(u"/../x"), u"/x");
  EXPECT_EQ(PathCanonicalize(u"a/../../b"), u"../b");
  EXPECT_EQ(PathCanonicalize(u"../../a/b/.."), u"../../a");
  EXPECT_EQ(PathCanonicalize(u"a/.."), u".");
  EXPECT_EQ(PathCanonicalize(u"./a/./b/"), u"a/b");
  EXPECT_EQ(PathCanonicalize(u""), u".");
  EXPECT_EQ(PathCanonicalize(u"/"), u"/");
  EXPECT_EQ(PathCanonicalize(u"a//b"), u"a//b");
  EXPECT_EQ(PathCanonicalize(u"a//../b"), u"a/b");
  // ":" is an ordinary character here.
  EXPECT_EQ(PathCanonicalize(u"c:/x/../y"), u"c:/y");
}

TEST(RootDirectoryTest, RootsEndInASeparatorAndTheCurrentDirectoryIsEmpty) {
  EXPECT_EQ(NormalizeRootDirectory(u"/music"), u"/music/");
  EXPECT_EQ(NormalizeRootDirectory(u"/music/./rock/../pop"), u"/music/pop/");
  EXPECT_EQ(NormalizeRootDirectory(u"/"), u"/");
  EXPECT_EQ(NormalizeRootDirectory(u"../music"), u"../music/");
  EXPECT_EQ(NormalizeRootDirectory(u"."), u"");
  EXPECT_EQ(NormalizeRootDirectory(u"./rock"), u"rock/");
  EXPECT_EQ(NormalizeRootDirectory(u"music:"), u"music:/");
}
