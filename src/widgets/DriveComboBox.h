// TDriveComboBox: the mounted volumes a user keeps files on.
#pragma once

#include <QComboBox>
#include <QPointer>
#include <QSocketNotifier>
#include <memory>
#include <vector>

#include "runtime/String.h"

namespace cantrel {

class TDirectoryListBox;

// The mounted volumes a user keeps files on: local disks, removable media,
// network shares and RAM disks; never optical media or the system's pseudo
// file systems. The root file system is always listed. Each row shows the
// volume's label or folder name with its mount point, and the style's drive
// or network icon. The list is read again whenever the system mounts or
// unmounts a volume. Each volume remembers its current folder, at first its
// mount point.
class TDriveComboBox : public QComboBox {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")

public:
  explicit TDriveComboBox(QWidget* Parent = nullptr);
  ~TDriveComboBox() override;

  // Links a directory list: choosing a volume sends the list to the volume's
  // current folder, and the list's folder chooses the volume.
  void SetDirList(TDirectoryListBox* Value);
  // The mount point of the selected volume.
  String Drive() const;
  // Selects the volume that holds Path; a path on no listed volume changes
  // nothing and answers false. A linked directory list goes to the current
  // folder of a newly selected volume.
  bool SetDrive(const String& Path);
  String MountPoint(int Index) const;
  String CurrentFolder(int Index) const;
  // The listed volume that holds an absolute Path, the one whose mount point
  // is longest, or -1.
  int VolumeOf(const String& Path) const;
  // Reads the mounted volumes again. A volume still mounted keeps its
  // current folder and stays selected; the root is selected otherwise.
  void Rebuild();

private:
  friend class TDirectoryListBox;

  struct TVolume {
    String MountPoint;
    String CurrentFolder;
  };

  // The linked list went to Folder: its volume is selected and remembers it.
  void FolderChanged(const String& Folder);
  void Select(int Index);

  std::vector<TVolume> FVolumes;
  QPointer<TDirectoryListBox> FDirList;
  int FMountTable = -1;
  std::unique_ptr<QSocketNotifier> FMountWatch;
};

}  // namespace cantrel
