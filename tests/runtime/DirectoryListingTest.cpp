#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "TempDir.h"
#include "runtime/DirectoryListing.h"
#include "runtime/Locale.h"

using namespace cantrel;
using cantrel::test::TTempDir;

namespace {

class DirectoryListingTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetUserLocaleName("en_US");
    Dir.MakeFile("b.mp3", "abc");
    Dir.MakeFile("A.txt");
    Dir.MakeFile("10.mp3");
    Dir.MakeFile("2.mp3");
    Dir.MakeFile(".hidden");
    Dir.MakeFile("ro.mp3", "12345");
    chmod((Dir.Path() + "ro.mp3").c_str(), 0444);
    Dir.MakeFile("\xff\xfe.mp3");
    Dir.MakeDir("sub");
    Dir.MakeDir(".hdir");
    mkfifo((Dir.Path() + "pipe").c_str(), 0644);
    symlink("sub", (Dir.Path() + "dlink").c_str());
    symlink("b.mp3", (Dir.Path() + "flink").c_str());
    symlink("nowhere", (Dir.Path() + "dead").c_str());
  }
  void TearDown() override { SetUserLocaleName(""); }

  std::map<String, TSearchRec> Records(TDirectoryListing& Listing) {
    std::map<String, TSearchRec> Result;
    for (std::size_t I = 0; I < Listing.Count(); ++I) {
      TSearchRec Rec;
      EXPECT_TRUE(Listing.GetSearchRec(I, Rec));
      Result[Rec.Name] = Rec;
    }
    return Result;
  }

  TTempDir Dir;
};

}  // namespace

TEST_F(DirectoryListingTest, AttributesFollowTheEntryKind) {
  TDirectoryListing Listing;
  ASSERT_TRUE(Listing.Open(Dir.Path()));
  struct stat Info;
  ASSERT_EQ(stat(Dir.Path().c_str(), &Info), 0);
  EXPECT_EQ(Listing.Device(), Info.st_dev);
  EXPECT_EQ(Listing.Inode(), Info.st_ino);

  auto Found = Records(Listing);
  ASSERT_EQ(Found.size(), 13u);
  EXPECT_EQ(Found[u"b.mp3"].Attr, faArchive);
  EXPECT_EQ(Found[u"b.mp3"].Size, 3);
  EXPECT_EQ(Found[u".hidden"].Attr, faArchive | faHidden);
  EXPECT_EQ(Found[u"ro.mp3"].Attr, faArchive | faReadOnly);
  EXPECT_EQ(Found[u"ro.mp3"].Size, 5);
  EXPECT_EQ(Found[u"sub"].Attr, faDirectory);
  EXPECT_EQ(Found[u"sub"].Size, 0);
  EXPECT_EQ(Found[u".hdir"].Attr, faDirectory | faHidden);
  EXPECT_EQ(Found[u"pipe"].Attr, faSysFile);
  EXPECT_EQ(Found[u"dlink"].Attr, faDirectory | faReparsePoint);
  EXPECT_EQ(Found[u"flink"].Attr, faArchive | faReparsePoint);
  EXPECT_EQ(Found[u"flink"].Size, 3);
  EXPECT_EQ(Found[u"dead"].Attr, faSysFile | faReparsePoint);
  EXPECT_EQ(Found[u"\xDCFF\xDCFE.mp3"].Attr, faArchive);
  ASSERT_EQ(stat((Dir.Path() + "b.mp3").c_str(), &Info), 0);
  EXPECT_DOUBLE_EQ(Found[u"b.mp3"].Time, UnixTimeToDateTime(Info.st_mtim));
}

TEST_F(DirectoryListingTest, NamesSortIgnoringCaseWithNumbersAsNumbers) {
  TDirectoryListing Listing;
  ASSERT_TRUE(Listing.Open(Dir.Path()));
  std::vector<std::size_t> Indexes;
  for (std::size_t I = 0; I < Listing.Count(); ++I)
    if (StringToUtf8(Listing.Name(I)) != "\xff\xfe.mp3") Indexes.push_back(I);
  Listing.SortByName(Indexes);
  std::vector<String> Names;
  for (std::size_t I : Indexes) Names.emplace_back(Listing.Name(I));
  EXPECT_EQ(Names, (std::vector<String>{u".hdir", u".hidden", u"2.mp3", u"10.mp3", u"A.txt", u"b.mp3", u"dead",
                                        u"dlink", u"flink", u"pipe", u"ro.mp3", u"sub"}));
}

TEST_F(DirectoryListingTest, RequestedSetHidesHiddenSystemAndDirectoryEntries) {
  TDirectoryListing Listing;
  ASSERT_TRUE(Listing.Open(Dir.Path()));
  const auto Listed = [&Listing](std::uint32_t Requested) {
    std::vector<String> Names;
    for (std::size_t I = 0; I < Listing.Count(); ++I)
      if (Listing.Lists(I, Requested) && StringToUtf8(Listing.Name(I)) != "\xff\xfe.mp3") Names.emplace_back(Listing.Name(I));
    std::sort(Names.begin(), Names.end());
    return Names;
  };
  EXPECT_EQ(Listed(~0x16u & faAnyFile),
            (std::vector<String>{u"10.mp3", u"2.mp3", u"A.txt", u"b.mp3", u"flink", u"ro.mp3"}));
  EXPECT_EQ(Listed(faDirectory),
            (std::vector<String>{u"10.mp3", u"2.mp3", u"A.txt", u"b.mp3", u"dlink", u"flink", u"ro.mp3", u"sub"}));
  EXPECT_EQ(Listed(faDirectory | faHidden | faSysFile).size(), 12u);
}

TEST_F(DirectoryListingTest, EntriesAreStatedOnlyWhenTheirTypeCannotTell) {
  TDirectoryListing Listing;
  ASSERT_TRUE(Listing.Open(Dir.Path()));
  std::map<String, std::size_t> Index;
  for (std::size_t I = 0; I < Listing.Count(); ++I) Index[String(Listing.Name(I))] = I;
  // Gone after the read: what the entry type tells is still known without a
  // stat; the full record notices.
  unlink((Dir.Path() + "b.mp3").c_str());
  EXPECT_TRUE(Listing.Lists(Index[u"b.mp3"], ~0x16u & faAnyFile));
  EXPECT_EQ(Listing.Attributes(Index[u"b.mp3"], faHidden | faSysFile | faDirectory | faArchive), faArchive);
  TSearchRec Rec;
  EXPECT_FALSE(Listing.GetSearchRec(Index[u"b.mp3"], Rec));
  // ReadOnly needs a stat, and gets one.
  EXPECT_EQ(Listing.Attributes(Index[u"ro.mp3"], faReadOnly), faArchive | faReadOnly);
  EXPECT_EQ(Listing.Attributes(Index[u"A.txt"], faReadOnly), faArchive);
  // A link's target is looked at when the type matters.
  EXPECT_EQ(Listing.Attributes(Index[u"dlink"], faHidden), faReparsePoint);
  EXPECT_EQ(Listing.Attributes(Index[u"dlink"], faDirectory), faReparsePoint | faDirectory);
}

TEST_F(DirectoryListingTest, MissingAndCurrentDirectories) {
  TDirectoryListing Listing;
  EXPECT_FALSE(Listing.Open(Dir.Path() + "missing/"));
  EXPECT_EQ(Listing.Count(), 0u);
  EXPECT_FALSE(Listing.Open(Dir.Path() + "b.mp3/"));
  EXPECT_EQ(Listing.Count(), 0u);

  const std::string Sub = Dir.Path() + "sub/";
  Dir.MakeFile("sub/x.mp3");
  char Previous[4096];
  ASSERT_NE(getcwd(Previous, sizeof Previous), nullptr);
  ASSERT_EQ(chdir(Sub.c_str()), 0);
  const bool Opened = Listing.Open("");
  ASSERT_EQ(chdir(Previous), 0);
  ASSERT_TRUE(Opened);
  ASSERT_EQ(Listing.Count(), 1u);
  EXPECT_EQ(Listing.Name(0), u"x.mp3");
  // Closed listings still stat by path.
  Listing.Close();
  ASSERT_EQ(chdir(Sub.c_str()), 0);
  TSearchRec Rec;
  const bool Found = Listing.GetSearchRec(0, Rec);
  ASSERT_EQ(chdir(Previous), 0);
  EXPECT_TRUE(Found);
  EXPECT_EQ(Rec.Attr, faArchive);
}

// A listing keeps every name in two shared buffers that grow while it is
// read: each entry must still answer its own text and bytes, and be stated
// by its own bytes, through the listing's descriptor and by its path alike.
TEST(DirectoryListingNamesTest, EveryNameOfALargeFolderKeepsItsTextBytesAndFile) {
  TTempDir Folder;
  std::map<std::string, std::size_t> Sizes;
  for (std::size_t I = 0; I < 600; ++I) {
    std::string Name = std::to_string(I) + (I % 3 == 0 ? "\xc3\xa9t\xc3\xa9" : I % 3 == 1 ? "\xff\xfe" : "");
    Name.append(I % 240, 'x');
    Folder.MakeFile(Name, std::string(I, '.'));
    Sizes[Name] = I;
  }
  for (const bool ByPath : {false, true}) {
    TDirectoryListing Listing;
    ASSERT_TRUE(ByPath ? Listing.Open(Folder.Path()) : Listing.Open(AT_FDCWD, Folder.Path(), true));
    ASSERT_EQ(Listing.Count(), Sizes.size());
    if (ByPath) Listing.Close();
    std::map<std::string, std::size_t> Listed;
    for (std::size_t I = 0; I < Listing.Count(); ++I) {
      const std::string Bytes = Listing.SystemName(I);
      EXPECT_EQ(StringToUtf8(Listing.Name(I)), Bytes);
      TSearchRec Rec;
      ASSERT_TRUE(Listing.GetSearchRec(I, Rec)) << Bytes;
      EXPECT_EQ(Rec.Name, Listing.Name(I));
      Listed[Bytes] = static_cast<std::size_t>(Rec.Size);
    }
    EXPECT_EQ(Listed, Sizes);
  }
}
