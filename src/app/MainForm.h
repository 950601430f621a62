// The program's window, TMainForm: folder, filter, playlist name and format, Find and Make.
#pragma once

#include <memory>
#include <optional>

#include "app/WindowWatch.h"
#include "core/SearchSession.h"
#include "core/Settings.h"
#include "widgets/ComboBox.h"
#include "widgets/DirectoryListBox.h"
#include "widgets/DriveComboBox.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/Menus.h"
#include "widgets/StatusBar.h"
#include "widgets/StdControls.h"

class QCloseEvent;

namespace cantrel {

// The program's window: a folder, a filter, a playlist name and format;
// Find lists the folder's media in the background and builds the playlist
// tree, Make writes the playlists from it. Its menu bar holds the commands
// and the options; it may be made larger than its first size, and a folder
// dropped on it becomes the current folder.
class TMainForm : public TForm {
  Q_OBJECT

public:
  // Reads its settings from SettingsFile when it is created and writes them
  // back when it goes.
  explicit TMainForm(const String& SettingsFile);
  ~TMainForm() override;

  // From Find until the end report of that search.
  bool Searching() const { return FSearching; }
  TPlayListFile& PlayListFiles() const { return *FPlayListFiles; }
  TFileEnumerator& FileEnumerator() const { return *FFileEnumerator; }

  // Makes Folder, an absolute path, the current folder as if the user chose
  // it in the folder list; no search starts. A folder that cannot be
  // opened is told in a message box, and the folder shown stays.
  void OpenFolder(const String& Folder);

  void FormResize(QObject& Sender);
  void mniAboutClick(QObject& Sender);
  void cbbFileFormatChange(QObject& Sender);
  void chkUTF8Click(QObject& Sender);
  void mniTagOptionClick(QObject& Sender);
  void mniKeepUpToDateClick(QObject& Sender);
  void btnFindClick(QObject& Sender);
  void btnMakeClick(QObject& Sender);

  // The reports of the search that runs.
  void FileEnumeratorEnterDirectory(const String& Directory, const TEnteredDirectory& Entered);
  void FileEnumeratorFileFound(const String& Directory, const TSearchRec& FileInfo);
  void FileEnumeratorDirectoryError(const String& Directory, const String& Message);
  void FileEnumeratorTerminateTask(int TaskID, bool Aborted, const std::optional<String>& Failure);
  void SearchSessionTagsProgress(int Read, int Total);
  void SearchSessionSearchEnd();

  TMemo* const mmoFiles;
  TDriveComboBox* const cbbLocalDriver;
  TDirectoryListBox* const listLocalDirectory;
  TGroupBox* const grpOption;
  TComboBox* const cbbFileFilter;
  TComboBox* const cbbFileName;
  TComboBox* const cbbFileFormat;
  TButton* const btnFind;
  TButton* const btnMake;
  TCheckBox* const chkFindRecursion;
  TCheckBox* const chkUTF8;
  TStatusBarEx* const StatusBar;
  TMainMenu* const MainMenu;
  TMenuItem* const mnuFile;
  TMenuItem* const mniFind;
  TMenuItem* const mniMake;
  TMenuItem* const mniQuit;
  // The check items of the options; the menu shows up with its first item.
  TMenuItem* const mnuOptions;
  TMenuItem* const mniTags;
  TMenuItem* const mniOrderByTags;
  TMenuItem* const mniKeepUpToDate;
  TMenuItem* const mnuHelp;
  TMenuItem* const mniAbout;

protected:
  // Closing ends the search: nothing of it reaches the window afterwards.
  void closeEvent(QCloseEvent* Event) override;
  // Takes folders dropped anywhere on the window.
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void LayOut();
  void ArrangeControls();
  void ArrangeBottomRow(int Left, int Top, int Width);
  void RestoreSize();
  void KeepSettings();
  void FormCreate();
  void FormDestroy();
  void ShowStatus(const String& Files, const String& Directories, const String& Progress);
  void ShowMakeAvailability();
  void StartWatch(const TMakeRequest& Request, std::unique_ptr<TWindowWatch>& Watch);
  void StopWatch();

  const String FSettingsFile;
  std::unique_ptr<TSettings> FSettings;
  std::unique_ptr<TPlayListFile> FPlayListFiles;
  std::unique_ptr<TSearchSession> FSession;
  std::unique_ptr<TFileEnumerator> FFileEnumerator;
  bool FSearching = false;
  // The tag cache's warning of the search that runs, told with its end.
  String FTagCacheWarning;
  // Follows the folder after a Make while "Keep playlists up to date" is ticked.
  std::unique_ptr<TWindowWatch> FWatch;
};

}  // namespace cantrel
