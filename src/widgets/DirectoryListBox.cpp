// TDirectoryListBox: the folder tree of the current directory.
#include "widgets/DirectoryListBox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <filesystem>

#include "runtime/DirectoryListing.h"
#include "runtime/Paths.h"
#include "widgets/DriveComboBox.h"
#include "widgets/Geometry.h"

namespace cantrel {

namespace {

constexpr int FolderRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
// At 96 dots per inch.
constexpr int RowHeight = 17;
constexpr int LevelIndent = 10;

// Indents each row by its depth below the mount point.
class TIndentDelegate : public QStyledItemDelegate {
public:
  explicit TIndentDelegate(QWidget& List) : QStyledItemDelegate(&List), FList(List) {}

  void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    QStyleOptionViewItem Indented(Option);
    Indented.rect.setLeft(Option.rect.left() + Indent(Index));
    QStyledItemDelegate::paint(Painter, Indented, Index);
  }

  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    return {QStyledItemDelegate::sizeHint(Option, Index).width() + Indent(Index), ScaledPixels(FList, RowHeight)};
  }

private:
  int Indent(const QModelIndex& Index) const {
    return Index.data(LevelRole).toInt() * ScaledPixels(FList, LevelIndent);
  }

  QWidget& FList;
};

String ChildFolder(const String& Folder, StringView Name) {
  return (Folder == u"/" ? Folder : Folder + u"/") + String(Name);
}

String Normalized(StringView Path) {
  String Folder = PathCanonicalize(Path);
  while (Folder.size() > 1 && Folder.back() == u'/') Folder.pop_back();
  return Folder;
}

}  // namespace

String CurrentDirectory() {
  std::error_code Error;
  const std::filesystem::path Path = std::filesystem::current_path(Error);
  return Error ? String(u"/") : FromSystemFileName(Path.native());
}

TDirectoryListBox::TDirectoryListBox(QWidget* Parent) : QListWidget(Parent) {
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setItemDelegate(new TIndentDelegate(*this));
  connect(this, &QListWidget::itemDoubleClicked, this, &TDirectoryListBox::Open);
  SetDirectory(CurrentDirectory());
}

void TDirectoryListBox::SetDirectory(const String& Path) {
  if (Path.empty() || Path[0] != u'/') return;
  const String Folder = Normalized(Path);
  const int Volume = FDriveCombo ? FDriveCombo->VolumeOf(Folder) : -1;
  if (Volume >= 0) FDriveCombo->Select(Volume);
  if (Enter(Folder) || Volume < 0) return;
  if (!Enter(FDriveCombo->CurrentFolder(Volume))) Enter(FDriveCombo->MountPoint(Volume));
}

bool TDirectoryListBox::OpenDirectory(const String& Path) {
  return !Path.empty() && Path[0] == u'/' && Enter(Normalized(Path));
}

bool TDirectoryListBox::Enter(const String& Folder) {
  const std::string Name = SystemFileName(Folder);
  struct stat Info;
  if (stat(Name.c_str(), &Info) != 0 || !S_ISDIR(Info.st_mode) || chdir(Name.c_str()) != 0) return false;
  FDirectory = Folder;
  Fill();
  if (FDriveCombo) FDriveCombo->FolderChanged(Folder);
  return true;
}

void TDirectoryListBox::Fill() {
  clear();
  const int Volume = FDriveCombo ? FDriveCombo->VolumeOf(FDirectory) : -1;
  String Folder = Volume >= 0 ? FDriveCombo->MountPoint(Volume) : String(u"/");
  QListWidgetItem* Current = AddRow(Folder, Folder, 0, true);
  int Level = 0;
  for (std::size_t Start = Folder.size(); Start < FDirectory.size();) {
    if (FDirectory[Start] == u'/') ++Start;
    const std::size_t End = std::min(FDirectory.find(u'/', Start), FDirectory.size());
    const StringView Name = StringView(FDirectory).substr(Start, End - Start);
    Folder = ChildFolder(Folder, Name);
    Current = AddRow(String(Name), Folder, ++Level, true);
    Start = End;
  }
  TDirectoryListing Listing;
  Listing.Open(SystemFileName(FDirectory));
  std::vector<std::size_t> Folders;
  for (std::size_t I = 0; I < Listing.Count(); ++I)
    if (Listing.Attributes(I, faDirectory) & faDirectory) Folders.push_back(I);
  Listing.SortByName(Folders);
  for (std::size_t I : Folders) AddRow(String(Listing.Name(I)), ChildFolder(FDirectory, Listing.Name(I)), Level + 1, false);
  setCurrentItem(Current);
}

QListWidgetItem* TDirectoryListBox::AddRow(const String& Caption, const String& Folder, int Level, bool OnPath) {
  auto* Row = new QListWidgetItem(style()->standardIcon(OnPath ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon),
                                  QString::fromStdU16String(Caption), this);
  Row->setData(FolderRole, QString::fromStdU16String(Folder));
  Row->setData(LevelRole, Level);
  return Row;
}

void TDirectoryListBox::Open(const QListWidgetItem* Row) {
  if (Row) SetDirectory(Row->data(FolderRole).toString().toStdU16String());
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter)
    Open(currentItem());
  else
    QListWidget::keyPressEvent(Event);
}

}  // namespace cantrel
