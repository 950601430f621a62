// TDriveComboBox: the mounted volumes a user keeps files on.
#include "widgets/DriveComboBox.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

#include "runtime/Paths.h"
#include "widgets/DirectoryListBox.h"

namespace cantrel {

namespace {

constexpr std::string_view OpticalTypes[] = {"iso9660", "udf", "cd9660"};

// Kernel interfaces and package images, not places for a user's files.
constexpr std::string_view PseudoTypes[] = {
    "proc",    "sysfs",    "devtmpfs", "devpts",     "cgroup",    "cgroup2",  "securityfs",  "debugfs",
    "tracefs", "configfs", "fusectl",  "mqueue",     "hugetlbfs", "pstore",   "bpf",         "binfmt_misc",
    "autofs",  "efivarfs", "nsfs",     "rpc_pipefs", "selinuxfs", "squashfs", "fuse.portal", "fuse.gvfsd-fuse"};

constexpr std::string_view NetworkTypes[] = {"nfs", "nfs4", "cifs", "smb3",      "smbfs",     "ncpfs",
                                             "afs", "9p",   "ceph", "glusterfs", "fuse.sshfs"};

// Folders of the system's own mounts; removable media mounted below
// /run/media are the user's.
constexpr StringView SystemFolders[] = {u"/proc", u"/sys", u"/dev", u"/run"};

template <std::size_t N>
bool IsOneOf(const QByteArray& Type, const std::string_view (&Types)[N]) {
  return std::ranges::find(Types, std::string_view(Type.constData(), Type.size())) != std::end(Types);
}

bool IsBelow(StringView Path, StringView Folder) {
  return Folder == u"/" ? !Path.empty() && Path[0] == u'/'
                        : Path == Folder || (Path.substr(0, Folder.size()) == Folder && Path.size() > Folder.size() &&
                                             Path[Folder.size()] == u'/');
}

bool IsListed(const QStorageInfo& Volume, StringView MountPoint) {
  if (MountPoint == u"/") return true;
  if (!Volume.isValid() || !Volume.isReady()) return false;
  const QByteArray Type = Volume.fileSystemType();
  if (IsOneOf(Type, OpticalTypes) || Volume.device().startsWith("/dev/sr") || IsOneOf(Type, PseudoTypes)) return false;
  if (IsBelow(MountPoint, u"/run/media")) return true;
  return std::ranges::none_of(SystemFolders, [&](StringView Folder) { return IsBelow(MountPoint, Folder); });
}

String CaptionOf(const QStorageInfo& Volume, const String& MountPoint) {
  String Name = Volume.name().toStdU16String();
  if (Name.empty()) Name = ExtractFileName(MountPoint);
  return Name.empty() ? MountPoint : Name + u" (" + MountPoint + u")";
}

}  // namespace

TDriveComboBox::TDriveComboBox(QWidget* Parent) : QComboBox(Parent) {
  setAttribute(Qt::WA_InputMethodEnabled, false);
  // The kernel marks the mount table as changed for poll(), which Qt's
  // event loop sees as an exception on the file.
  FMountTable = open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
  if (FMountTable >= 0) {
    FMountWatch = std::make_unique<QSocketNotifier>(FMountTable, QSocketNotifier::Exception);
    connect(FMountWatch.get(), &QSocketNotifier::activated, this, &TDriveComboBox::Rebuild);
  }
  connect(this, &QComboBox::activated, this, [this](int Index) {
    if (FDirList) FDirList->SetDirectory(FVolumes[static_cast<std::size_t>(Index)].CurrentFolder);
  });
  Rebuild();
  const int Current = VolumeOf(CurrentDirectory());
  Select(Current >= 0 ? Current : 0);
}

TDriveComboBox::~TDriveComboBox() {
  FMountWatch.reset();
  if (FMountTable >= 0) ::close(FMountTable);
}

void TDriveComboBox::SetDirList(TDirectoryListBox* Value) {
  FDirList = Value;
  if (!Value) return;
  Value->FDriveCombo = this;
  Value->SetDirectory(Value->Directory());
}

String TDriveComboBox::Drive() const { return currentIndex() < 0 ? String() : MountPoint(currentIndex()); }

bool TDriveComboBox::SetDrive(const String& Path) {
  const int Index = VolumeOf(Path);
  if (Index < 0) return false;
  if (Index == currentIndex()) return true;
  Select(Index);
  if (FDirList) FDirList->SetDirectory(CurrentFolder(Index));
  return true;
}

String TDriveComboBox::MountPoint(int Index) const { return FVolumes.at(static_cast<std::size_t>(Index)).MountPoint; }

String TDriveComboBox::CurrentFolder(int Index) const {
  return FVolumes.at(static_cast<std::size_t>(Index)).CurrentFolder;
}

int TDriveComboBox::VolumeOf(const String& Path) const {
  int Found = -1;
  for (std::size_t I = 0; I < FVolumes.size(); ++I)
    if (IsBelow(Path, FVolumes[I].MountPoint) &&
        (Found < 0 || FVolumes[I].MountPoint.size() > FVolumes[static_cast<std::size_t>(Found)].MountPoint.size()))
      Found = static_cast<int>(I);
  return Found;
}

void TDriveComboBox::Rebuild() {
  const String Selected = Drive();
  std::vector<std::pair<QStorageInfo, String>> Mounted;
  for (const QStorageInfo& Volume : QStorageInfo::mountedVolumes()) {
    String MountPoint = Volume.rootPath().toStdU16String();
    if (!IsListed(Volume, MountPoint)) continue;
    // A later mount on the same folder hides the earlier one.
    std::erase_if(Mounted, [&](const auto& Listed) { return Listed.second == MountPoint; });
    Mounted.emplace_back(Volume, std::move(MountPoint));
  }
  if (std::none_of(Mounted.begin(), Mounted.end(), [](const auto& Listed) { return Listed.second == u"/"; }))
    Mounted.emplace_back(QStorageInfo::root(), u"/");
  std::sort(Mounted.begin(), Mounted.end(), [](const auto& A, const auto& B) { return A.second < B.second; });

  std::vector<TVolume> Volumes;
  {
    const QSignalBlocker Blocker(this);
    clear();
    for (const auto& [Volume, MountPoint] : Mounted) {
      const int Known = VolumeOf(MountPoint);
      const bool Kept = Known >= 0 && this->MountPoint(Known) == MountPoint;
      Volumes.push_back({MountPoint, Kept ? CurrentFolder(Known) : MountPoint});
      const bool Network = IsOneOf(Volume.fileSystemType(), NetworkTypes);
      addItem(style()->standardIcon(Network ? QStyle::SP_DriveNetIcon : QStyle::SP_DriveHDIcon),
              QString::fromStdU16String(CaptionOf(Volume, MountPoint)));
    }
  }
  FVolumes = std::move(Volumes);
  const auto Same = std::find_if(FVolumes.begin(), FVolumes.end(),
                                 [&](const TVolume& Volume) { return Volume.MountPoint == Selected; });
  Select(Same != FVolumes.end() ? static_cast<int>(Same - FVolumes.begin()) : VolumeOf(u"/"));
  // The list's folder may now lie on another volume, or on none.
  if (FDirList) FDirList->SetDirectory(FDirList->Directory());
}

void TDriveComboBox::FolderChanged(const String& Folder) {
  const int Index = VolumeOf(Folder);
  if (Index < 0) return;
  FVolumes[static_cast<std::size_t>(Index)].CurrentFolder = Folder;
  Select(Index);
}

void TDriveComboBox::Select(int Index) {
  const QSignalBlocker Blocker(this);
  setCurrentIndex(Index);
}

}  // namespace cantrel
