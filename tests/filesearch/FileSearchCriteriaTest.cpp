#include <gtest/gtest.h>

#include "Lines.h"
#include "filesearch/FileSearchCriteria.h"
#include "runtime/Exceptions.h"
#include "runtime/Locale.h"

using namespace cantrel;

TEST(FileSearchCriteriaTest, Defaults) {
  const TFileSearchCriteria Criteria;
  EXPECT_EQ(test::LinesOf(Criteria.GetFileMasks()), std::vector<String>{u"*"});
  EXPECT_EQ(test::LinesOf(Criteria.GetRootDirectories()), std::vector<String>{u"."});
  EXPECT_EQ(Criteria.GetRootDirectory(), u".");
  EXPECT_EQ(Criteria.GetSubDirectoryMask(), u"*");
  EXPECT_EQ(Criteria.GetAttributeMask().GetRejected(), 0x16u);
  EXPECT_EQ(Criteria.GetAttributeMask().GetRequired(), 0u);
  EXPECT_EQ(Criteria.GetFileSizeMin(), 0);
  EXPECT_EQ(Criteria.GetFileSizeMax(), 0);
  EXPECT_DOUBLE_EQ(Criteria.GetLastChangeBefore(), 2958465.99999);
  EXPECT_DOUBLE_EQ(Criteria.GetLastChangeAfter(), -657434.0);
  EXPECT_EQ(Criteria.GetOptions().Bits(), 0x01);
  EXPECT_TRUE(Criteria.GetIncludeSubDirectories());
  EXPECT_FALSE(Criteria.GetIncludeHiddenSubDirectories());
  EXPECT_FALSE(Criteria.GetCaseSensitiveSearch());
  EXPECT_EQ(Criteria.ClassName(), u"TFileSearchCriteria");
}

TEST(FileSearchCriteriaTest, MaskTextSplitsAtSemicolonsAndJoinsNonEmptyMasks) {
  TFileSearchCriteria Criteria;
  Criteria.SetFileMask(u"*.mp3;;*.ogg;");
  EXPECT_EQ(test::LinesOf(Criteria.GetFileMasks()), (std::vector<String>{u"*.mp3", u"*.ogg"}));
  Criteria.SetFileMask(u";*.mp3; *.ogg;*.mp3");
  EXPECT_EQ(test::LinesOf(Criteria.GetFileMasks()), (std::vector<String>{u"*.mp3", u" *.ogg", u"*.mp3"}));
  EXPECT_EQ(Criteria.GetFileMask(), u"*.mp3; *.ogg;*.mp3");
  Criteria.SetFileMask(u"");
  EXPECT_EQ(Criteria.GetFileMasks().Count(), 0);
  EXPECT_EQ(Criteria.GetFileMask(), u"");

  TStringList WithBlank;
  WithBlank.Add(u"");
  WithBlank.Add(u"*.flac");
  WithBlank.Add(u"");
  WithBlank.Add(u"*.wav");
  Criteria.SetFileMasks(WithBlank);
  EXPECT_EQ(Criteria.GetFileMasks().Count(), 4);
  EXPECT_EQ(Criteria.GetFileMask(), u"*.flac;*.wav");
  EXPECT_EQ(std::get<String>(Criteria.GetPropValue(u"FileMask")), u"*.flac;*.wav");
}

TEST(FileSearchCriteriaTest, RootsOptionsAndLimits) {
  TFileSearchCriteria Criteria;
  TStringList Roots;
  Roots.Add(u"/a");
  Roots.Add(u"/b");
  Criteria.SetRootDirectories(Roots);
  EXPECT_EQ(Criteria.GetRootDirectory(), u"");
  Criteria.SetRootDirectory(u"/music");
  EXPECT_EQ(test::LinesOf(Criteria.GetRootDirectories()), std::vector<String>{u"/music"});

  Criteria.SetOption(8, true);
  EXPECT_FALSE(Criteria.GetOption(8));
  EXPECT_EQ(Criteria.GetOptions().Bits(), 0x01);
  Criteria.SetOption(7, true);
  EXPECT_TRUE(Criteria.GetOption(7));
  Criteria.SetIncludeHiddenSubDirectories(true);
  Criteria.SetIncludeSubDirectories(false);
  EXPECT_EQ(Criteria.GetOptions().Bits(), 0x82);
  Criteria.SetOptions({TFileSearchOption::fsMinSize, TFileSearchOption::fsLastChangeAfter});
  EXPECT_EQ(Criteria.GetOptions().Bits(), 0x24);
  EXPECT_TRUE(Criteria.GetOption(TFileSearchOption::fsMinSize));

  Criteria.SetFileSizeMin(102400);
  Criteria.SetLastChangeAfter(40000.5);
  EXPECT_EQ(Criteria.GetOptions().Bits(), 0x24);

  EXPECT_FALSE(Criteria.GetFollowDirectoryLinks());
  Criteria.SetFollowDirectoryLinks(true);

  TFileSearchCriteria Copy;
  Copy.Assign(Criteria);
  EXPECT_TRUE(Copy.GetFollowDirectoryLinks());
  EXPECT_EQ(Copy.GetRootDirectory(), u"/music");
  EXPECT_EQ(Copy.GetFileSizeMin(), 102400);
  EXPECT_DOUBLE_EQ(Copy.GetLastChangeAfter(), 40000.5);
  EXPECT_EQ(Copy.GetOptions(), Criteria.GetOptions());
  EXPECT_THROW(Copy.Assign(TStringList()), EConvertError);
}

TEST(FileSearchCriteriaTest, LastChangeTextsUseTheLocaleFormat) {
  SetUserLocaleName("de_DE");
  TFileSearchCriteria Criteria;
  Criteria.SetLastChangeAfterStr(u"24.12.2020, 18:30:05");
  EXPECT_DOUBLE_EQ(Criteria.GetLastChangeAfter(), EncodeDateTime(2020, 12, 24, 18, 30, 5));
  EXPECT_EQ(Criteria.GetLastChangeAfterStr(), u"24.12.2020, 18:30:05");
  EXPECT_THROW(Criteria.SetLastChangeAfterStr(u"gestern"), EConvertError);
  EXPECT_DOUBLE_EQ(Criteria.GetLastChangeAfter(), EncodeDateTime(2020, 12, 24, 18, 30, 5));
  Criteria.SetLastChangeAfterStr(u"");
  EXPECT_DOUBLE_EQ(Criteria.GetLastChangeAfter(), TFileSearchCriteria::DefaultLastChangeAfter);
  EXPECT_EQ(Criteria.GetLastChangeBeforeStr(), u"31.12.9999, 23:59:59");
  Criteria.SetLastChangeBeforeStr(u"1.2.2003");
  EXPECT_DOUBLE_EQ(Criteria.GetLastChangeBefore(), EncodeDateTime(2003, 2, 1));
  Criteria.SetLastChangeBeforeStr(u"");
  EXPECT_DOUBLE_EQ(Criteria.GetLastChangeBefore(), TFileSearchCriteria::DefaultLastChangeBefore);
  SetUserLocaleName("");
}

TEST(FileAttributeMaskTest, InterestsMapOntoTheTwoSets) {
  TFileAttributeMask Mask;
  EXPECT_EQ(Mask.GetHidden(), TAttributeInterest::aiRejected);
  EXPECT_EQ(Mask.GetSystem(), TAttributeInterest::aiRejected);
  EXPECT_EQ(Mask.GetDirectory(), TAttributeInterest::aiRejected);
  EXPECT_EQ(Mask.GetArchive(), TAttributeInterest::aiIgnored);

  Mask.SetReadOnly(TAttributeInterest::aiRequired);
  Mask.SetHidden(TAttributeInterest::aiIgnored);
  Mask.SetEncrypted(TAttributeInterest::aiRejected);
  EXPECT_EQ(Mask.GetRequired(), 0x0001u);
  EXPECT_EQ(Mask.GetRejected(), 0x4014u);
  Mask.SetArchive(static_cast<TAttributeInterest>(7));
  EXPECT_EQ(Mask.GetRequired(), 0x0001u);
  EXPECT_EQ(Mask.GetRejected(), 0x4014u);

  Mask.SetNormal(TAttributeInterest::aiRequired);
  EXPECT_EQ(Mask.GetRequired(), 0x80u);
  EXPECT_EQ(Mask.GetRejected(), 0xFFFFFF7Fu);
  EXPECT_EQ(Mask.GetNormal(), TAttributeInterest::aiRequired);
  Mask.SetRequired(0);
  EXPECT_EQ(Mask.GetNormal(), TAttributeInterest::aiRequired);
  Mask.SetRejected(0xFFFFFF7E);
  EXPECT_EQ(Mask.GetNormal(), TAttributeInterest::aiIgnored);

  TCustomFileAttrMask Other;
  Other.SetRequired(0x20);
  Mask.Assign(Other);
  EXPECT_EQ(Mask.GetRequired(), 0x20u);
  EXPECT_EQ(Mask.GetRejected(), 0x16u);
  Mask.Clear();
  EXPECT_EQ(Mask.GetRequired() | Mask.GetRejected(), 0u);
}

TEST(FileAttributeMaskTest, AttributeTest) {
  const TCustomFileAttrMask Default;
  EXPECT_TRUE(Default.Match(faArchive));
  EXPECT_TRUE(Default.Match(faArchive | faReadOnly | faReparsePoint));
  EXPECT_FALSE(Default.Match(faArchive | faHidden));
  EXPECT_FALSE(Default.Match(faSysFile));
  EXPECT_FALSE(Default.Match(faDirectory));
  // No bits at all counts as Normal.
  EXPECT_TRUE(Default.Match(0u));
  EXPECT_FALSE(MatchAttributes(0, faNormal, 0));
  EXPECT_TRUE(MatchAttributes(0, 0, faNormal));
  // 0x40 cannot be required.
  EXPECT_TRUE(MatchAttributes(faArchive, 0, 0x40 | faArchive));
  EXPECT_FALSE(MatchAttributes(faArchive, 0, faReadOnly | faArchive));
  TSearchRec Entry;
  Entry.Attr = faArchive | faHidden;
  EXPECT_FALSE(Default.Match(Entry));
}
