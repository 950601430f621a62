// The program's window, TMainForm: folder, filter, playlist name and format, Find and Make.
#pragma once

#include <memory>
#include <optional>

#include "core/SearchSession.h"
#include "core/Settings.h"
#include "widgets/ComboBox.h"
#include "widgets/DirectoryListBox.h"
#include "widgets/DriveComboBox.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/StatusBar.h"
#include "widgets/StdControls.h"

class QCloseEvent;

namespace cantrel {

// The program's window: a folder, a filter, a playlist name and format;
// Find lists the folder's media in the background and builds the playlist
// tree, Make writes the playlists from it.
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

  void cbbFileFormatChange(QObject& Sender);
  void chkUTF8Click(QObject& Sender);
  void btnFindClick(QObject& Sender);
  void btnMakeClick(QObject& Sender);

  // The reports of the search that runs.
  void FileEnumeratorEnterDirectory(const String& Directory, const TEnteredDirectory& Entered);
  void FileEnumeratorFileFound(const String& Directory, const TSearchRec& FileInfo);
  void FileEnumeratorDirectoryError(const String& Directory, const String& Message);
  void FileEnumeratorTerminateTask(int TaskID, bool Aborted, const std::optional<String>& Failure);

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

protected:
  // Closing ends the search: nothing of it reaches the window afterwards.
  void closeEvent(QCloseEvent* Event) override;

private:
  void LayOut();
  void FormCreate();
  void FormDestroy();
  void ShowStatus(const String& Files, const String& Directories, const String& Progress);
  void ShowMakeAvailability();

  const String FSettingsFile;
  std::unique_ptr<TSettings> FSettings;
  std::unique_ptr<TPlayListFile> FPlayListFiles;
  std::unique_ptr<TSearchSession> FSession;
  std::unique_ptr<TFileEnumerator> FFileEnumerator;
  bool FSearching = false;
};

}  // namespace cantrel
