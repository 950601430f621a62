#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>

#include "PinnedLocale.h"
#include "TempDir.h"
#include "runtime/Paths.h"
#include "widgets/DirectoryListBox.h"
#include "widgets/DriveComboBox.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

// The process's current directory comes back when the test ends.
class TKeptCurrentDirectory {
public:
  ~TKeptCurrentDirectory() { std::filesystem::current_path(FSaved); }

private:
  std::filesystem::path FSaved = std::filesystem::current_path();
};

// A RAM disk mounted on Folder while the process may mount.
class TRamDisk {
public:
  explicit TRamDisk(const String& Folder) : FFolder(SystemFileName(Folder)) {
    mkdir(FFolder.c_str(), 0755);
    FMounted = mount("tmpfs", FFolder.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~TRamDisk() { Unmount(); }
  TRamDisk(const TRamDisk&) = delete;
  TRamDisk& operator=(const TRamDisk&) = delete;

  bool Mounted() const { return FMounted; }
  void Unmount() {
    // Detached, since the process's current directory may lie on it.
    if (FMounted) umount2(FFolder.c_str(), MNT_DETACH);
    FMounted = false;
  }

private:
  std::string FFolder;
  bool FMounted;
};

String WithoutSlash(const String& Folder) { return Folder.substr(0, Folder.size() - 1); }

std::vector<String> RowTexts(const QListWidget& List, int From = 0) {
  std::vector<String> Texts;
  for (int Row = From; Row < List.count(); ++Row) Texts.push_back(List.item(Row)->text().toStdU16String());
  return Texts;
}

QPoint RowCentre(const QListWidget& List, const String& Text) {
  const auto Found = List.findItems(QString::fromStdU16String(Text), Qt::MatchExactly);
  return Found.isEmpty() ? QPoint() : List.visualItemRect(Found.first()).center();
}

}  // namespace

TEST(DriveComboBoxTest, ListsTheRootAndFollowsARamDiskMountedAndUnmounted) {
  const TKeptCurrentDirectory Kept;
  const TTempDir Temp;
  const String Top = WithoutSlash(Temp.Folder());
  TDriveComboBox Drives;
  TDirectoryListBox Folders;
  Drives.SetDirList(&Folders);
  ASSERT_GE(Drives.VolumeOf(u"/"), 0);
  EXPECT_EQ(Drives.MountPoint(Drives.VolumeOf(u"/")), u"/");
  EXPECT_EQ(Drives.MountPoint(0), u"/");
  Folders.SetDirectory(Temp.Folder());
  const auto Home = [&] { return Drives.VolumeOf(Top); };
  EXPECT_EQ(Drives.currentIndex(), Home());
  EXPECT_FALSE(Drives.SetDrive(u"relative/path"));
  EXPECT_EQ(Drives.currentIndex(), Home());

  const String RamFolder = Temp.Folder() + u"ram";
  TRamDisk Disk(RamFolder);
  if (!Disk.Mounted()) GTEST_SKIP() << "mounting a RAM disk needs the right to mount";
  const auto RamIndex = [&] {
    const int Index = Drives.VolumeOf(RamFolder + u"/sub");
    return Index >= 0 && Drives.MountPoint(Index) == RamFolder ? Index : -1;
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return RamIndex() >= 0; }));
  EXPECT_EQ(Drives.itemText(RamIndex()).toStdU16String(), u"ram (" + RamFolder + u")");
  EXPECT_EQ(Drives.currentIndex(), Home());

  // The list starts at the volume's mount point; each volume keeps its
  // current folder.
  Temp.MakeDir("ram/sub");
  Folders.SetDirectory(RamFolder + u"/sub");
  EXPECT_EQ(Drives.currentIndex(), RamIndex());
  EXPECT_EQ(RowTexts(Folders), std::vector<String>({RamFolder, u"sub"}));
  EXPECT_TRUE(Drives.SetDrive(Top + u"/elsewhere"));
  EXPECT_EQ(Folders.Directory(), Top);
  EXPECT_TRUE(Drives.SetDrive(RamFolder));
  EXPECT_EQ(Folders.Directory(), RamFolder + u"/sub");
  // A missing folder leads to its volume's current folder.
  Folders.SetDirectory(Top + u"/missing");
  EXPECT_EQ(Folders.Directory(), Top);
  EXPECT_EQ(Drives.currentIndex(), Home());

  Folders.SetDirectory(RamFolder + u"/sub");
  Disk.Unmount();
  ASSERT_TRUE(QTest::qWaitFor([&] { return RamIndex() < 0; }));
  EXPECT_EQ(Drives.currentIndex(), Home());
  EXPECT_EQ(Folders.Directory(), Top);
  EXPECT_EQ(CurrentDirectory(), Top);
}

TEST(DirectoryListBoxTest, NavigatesARealTreeAndSetsTheCurrentDirectory) {
  const TKeptCurrentDirectory Kept;
  const TPinnedLocale Locale("en_US");
  const TTempDir Temp;
  for (const char* Folder : {"b", "a/inner", ".hidden", "B10", "B2"}) Temp.MakeDir(Folder);
  Temp.MakeFile("file.txt");
  ASSERT_EQ(symlink("a", (Temp.Path() + "link").c_str()), 0);
  const String Top = WithoutSlash(Temp.Folder());
  const String TopName = ExtractFileName(Top);

  TDriveComboBox Drives;
  TDirectoryListBox Folders;
  Drives.SetDirList(&Folders);
  Folders.resize(300, 800);
  Folders.show();
  Folders.SetDirectory(Temp.Folder());
  EXPECT_EQ(Folders.Directory(), Top);
  EXPECT_EQ(CurrentDirectory(), Top);
  EXPECT_EQ(Folders.item(0)->text().toStdU16String(), Drives.Drive());
  const int Current = Folders.currentRow();
  EXPECT_EQ(Folders.item(Current)->text().toStdU16String(), TopName);
  EXPECT_EQ(RowTexts(Folders, Current + 1), std::vector<String>({u".hidden", u"a", u"b", u"B2", u"B10", u"link"}));

  // A click selects; Enter opens the selected row.
  QTest::mouseClick(Folders.viewport(), Qt::LeftButton, {}, RowCentre(Folders, u"a"));
  EXPECT_EQ(Folders.currentItem()->text(), "a");
  EXPECT_EQ(Folders.Directory(), Top);
  QTest::keyClick(&Folders, Qt::Key_Return);
  EXPECT_EQ(Folders.Directory(), Top + u"/a");
  EXPECT_EQ(CurrentDirectory(), Top + u"/a");
  EXPECT_EQ(RowTexts(Folders, Folders.currentRow()), std::vector<String>({u"a", u"inner"}));

  // A double click on a row above goes up.
  const QPoint Above = RowCentre(Folders, TopName);
  QTest::mouseClick(Folders.viewport(), Qt::LeftButton, {}, Above);
  EXPECT_EQ(Folders.Directory(), Top + u"/a");
  QTest::mouseDClick(Folders.viewport(), Qt::LeftButton, {}, Above);
  EXPECT_EQ(Folders.Directory(), Top);
  EXPECT_EQ(Drives.CurrentFolder(Drives.currentIndex()), Top);

  // Empty and relative paths are ignored.
  Folders.SetDirectory(u"");
  Folders.SetDirectory(u"a");
  EXPECT_EQ(Folders.Directory(), Top);
}
