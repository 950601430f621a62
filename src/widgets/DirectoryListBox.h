// TDirectoryListBox: the folder tree of the current directory.
#pragma once

#include <QListWidget>
#include <QPointer>

#include "runtime/String.h"

namespace cantrel {

class TDriveComboBox;

// The process's current directory; "/" when it cannot be told.
String CurrentDirectory();

// A folder list: one row for each folder from the volume's mount point down
// to the current folder, whose row is selected, then the current folder's
// subfolders (hidden ones too) in the order a file manager shows them. A
// double click or the Enter key on a row makes its folder the current one; a
// single click only selects the row.
class TDirectoryListBox : public QListWidget {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")

public:
  // Starts at the process's current directory.
  explicit TDirectoryListBox(QWidget* Parent = nullptr);

  // Without a trailing "/" but for the root.
  String Directory() const { return FDirectory; }
  // Selects the volume of an absolute Path in the linked drive combo, then
  // goes to Path when it is a folder that can be entered, else to the
  // volume's current folder (without a drive combo: stays). The folder gone
  // to becomes the process's current directory. An empty or relative path
  // is ignored.
  void SetDirectory(const String& Path);
  // Goes to an absolute Path, as a double click on its row does, when it is
  // a folder that can be entered; otherwise stays where it is. Answers
  // whether it went.
  bool OpenDirectory(const String& Path);

protected:
  void keyPressEvent(QKeyEvent* Event) override;

private:
  friend class TDriveComboBox;

  // Goes to Folder if it can be entered.
  bool Enter(const String& Folder);
  void Fill();
  void Open(const QListWidgetItem* Row);
  QListWidgetItem* AddRow(const String& Caption, const String& Folder, int Level, bool OnPath);

  QPointer<TDriveComboBox> FDriveCombo;
  String FDirectory;
};

}  // namespace cantrel
