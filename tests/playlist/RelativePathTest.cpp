#include <gtest/gtest.h>

#include "playlist/RelativePath.h"

using namespace cantrel;

TEST(RelativePathTest, FolderPathsAsSeenFromOneAnother) {
  EXPECT_EQ(GetRelativePath(u"/Music/", u"/Music/Rock/"), u"Rock");
  EXPECT_EQ(GetRelativePath(u"/Music/", u"/Music/"), u".");
  EXPECT_EQ(GetRelativePath(u"/Music/Rock/", u"/Music/Pop/"), u"../Pop");
  EXPECT_EQ(GetRelativePath(u"/", u"/Rock/"), u"Rock");
  EXPECT_EQ(GetRelativePath(u"/Music/", u"/Music/Rock/Live/"), u"Rock/Live");
  EXPECT_EQ(GetRelativePath(u"/Music/A/X/", u"/Music/B/"), u"../../B");
}

TEST(RelativePathTest, CanonicalFormBeforeComparing) {
  EXPECT_EQ(GetRelativePath(u"/Music/./Rock/../", u"/Music/Pop"), u"Pop");
  EXPECT_EQ(GetRelativePath(u"/Music//", u"/Music/Rock//Live/"), u"Rock/Live");
  EXPECT_EQ(GetRelativePath(u"/../Music/", u"/Music/Rock/"), u"Rock");
  EXPECT_EQ(GetRelativePath(u"a/b/", u"a/c/"), u"../c");
  EXPECT_EQ(GetRelativePath(u"a/../../x", u"../y"), u"../y");
}

TEST(RelativePathTest, EmptyAndMixedPaths) {
  EXPECT_EQ(GetRelativePath(u"/Music/", u""), u".");
  EXPECT_EQ(GetRelativePath(u"", u"Rock/"), u"Rock");
  EXPECT_EQ(GetRelativePath(u"", u""), u".");
  EXPECT_EQ(GetRelativePath(u"/Music/", u"Rock/Live/"), u"/Music/Rock/Live");
  EXPECT_EQ(GetRelativePath(u"Rock/", u"/Music/"), u"/Music");
  // Linux file systems tell case apart.
  EXPECT_EQ(GetRelativePath(u"/music/", u"/Music/Rock/"), u"../Music/Rock");
  // ":" is an ordinary character here.
  EXPECT_EQ(GetRelativePath(u"/a/", u"/a/C:x/"), u"C:x");
}

TEST(RelativePathTest, PathsThatOnlyLookLikeAFolderBelow) {
  EXPECT_EQ(GetRelativePath(u"/a/./", u"/a/./b/c/"), u"b/c");
  EXPECT_EQ(GetRelativePath(u"/a/", u"/a/./b/"), u"b");
  EXPECT_EQ(GetRelativePath(u"/a/", u"/a/../b/"), u"../b");
  EXPECT_EQ(GetRelativePath(u"/a/", u"/a/b/../"), u".");
  EXPECT_EQ(GetRelativePath(u"/a/", u"/a//b/"), u"b");
  EXPECT_EQ(GetRelativePath(u"/a", u"/ab/"), u"../ab");
  EXPECT_EQ(GetRelativePath(u"../x/", u"../x/y/"), u"y");
}
