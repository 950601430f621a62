// The program's window, TMainForm: folder, filter, playlist name and format, Find and Make.
#include "app/MainForm.h"

#include <QCloseEvent>

#include "core/FilterTexts.h"
#include "core/SettingsLocation.h"
#include "core/TextDomains.h"
#include "i18n/Gettext.h"
#include "runtime/Format.h"
#include "runtime/MessageBox.h"
#include "runtime/Paths.h"
#include "widgets/Application.h"
#include "widgets/Geometry.h"
#include "widgets/QtObjectAdapter.h"

namespace cantrel {

namespace {

// An item of the format box and the extension it gives the playlist name;
// its index is the format's value.
struct TFormatItem {
  StringView Text;
  StringView Extension;
};

constexpr TFormatItem FormatItems[] = {
    {gettext_noop(u"M3U File (*.m3u)"), u".m3u"},
    {gettext_noop(u"M3U8 File (*.m3u8)"), u".m3u8"},
    {gettext_noop(u"xspf File (*.xspf)"), u".xspf"},
    {gettext_noop(u"Windows Media Playlist (*.wpl)"), u".wpl"},
    {gettext_noop(u"Playlist Fils (*.pls)"), u".pls"},
    {gettext_noop(u"ASX File (*.asx)"), u".asx"},
};

constexpr StringView FileNameItems[] = {gettext_noop(u"playall.m3u"), gettext_noop(u"play.m3u"),
                                         gettext_noop(u"%album%.m3u")};

template <class TControl, class... TArgs>
TControl* NewControl(QWidget* Parent, const char* Name, TArgs... Args) {
  auto* Control = new TControl(Parent, Args...);
  Control->setObjectName(Name);
  return Control;
}

String ApplicationTitle() { return Application() ? Application()->Title() : String(); }

// Control characters as their pictures, so that a name with a line break in
// it keeps to its one line of the list, the panel or the message.
String Printable(StringView Text) {
  String Result(Text);
  for (char16_t& Character : Result) {
    if (Character < 0x20)
      Character = static_cast<char16_t>(0x2400 + Character);
    else if (Character == 0x7F)
      Character = 0x2421;
    else if (Character == 0x2028 || Character == 0x2029)
      Character = 0x2424;
  }
  return Result;
}

String JoinLines(const std::vector<String>& Lines) {
  String Text;
  for (const String& Line : Lines) {
    if (!Text.empty()) Text += u'\n';
    Text += Printable(Line);
  }
  return Text;
}

}  // namespace

TMainForm::TMainForm(const String& SettingsFile)
    : mmoFiles(NewControl<TMemo>(this, "mmoFiles")),
      cbbLocalDriver(NewControl<TDriveComboBox>(this, "cbbLocalDriver")),
      listLocalDirectory(NewControl<TDirectoryListBox>(this, "listLocalDirectory")),
      grpOption(NewControl<TGroupBox>(this, "grpOption")),
      cbbFileFilter(NewControl<TComboBox>(grpOption, "cbbFileFilter", TComboBox::csDropDownList)),
      cbbFileName(NewControl<TComboBox>(grpOption, "cbbFileName", TComboBox::csDropDown)),
      cbbFileFormat(NewControl<TComboBox>(grpOption, "cbbFileFormat", TComboBox::csDropDownList)),
      btnFind(NewControl<TButton>(this, "btnFind")),
      btnMake(NewControl<TButton>(this, "btnMake")),
      chkFindRecursion(NewControl<TCheckBox>(this, "chkFindRecursion")),
      chkUTF8(NewControl<TCheckBox>(this, "chkUTF8")),
      StatusBar(NewControl<TStatusBarEx>(this, "StatusBar")),
      FSettingsFile(SettingsFile) {
  setObjectName("MainForm");
  LayOut();
  cbbFileFormat->OnChange = [this](QObject& Sender) { cbbFileFormatChange(Sender); };
  chkUTF8->OnClick = [this](QObject& Sender) { chkUTF8Click(Sender); };
  btnFind->OnClick = [this](QObject& Sender) { btnFindClick(Sender); };
  btnMake->OnClick = [this](QObject& Sender) { btnMakeClick(Sender); };
  FormCreate();
}

TMainForm::~TMainForm() { FormDestroy(); }

// The controls as the window was drawn, at 96 dots per inch, with their
// untranslated texts.
void TMainForm::LayOut() {
  SetClientSize(434, 231);
  SetBounds(*mmoFiles, 192, 7, 236, 106);
  SetBounds(*cbbLocalDriver, 8, 8, 181, 22);
  SetBounds(*listLocalDirectory, 8, 32, 181, 175);
  SetBounds(*grpOption, 192, 112, 236, 68);
  SetBounds(*cbbFileFilter, 3, 16, 230, 21);
  SetBounds(*cbbFileName, 3, 40, 108, 21);
  SetBounds(*cbbFileFormat, 112, 40, 121, 21);
  SetBounds(*btnFind, 192, 185, 44, 22);
  SetBounds(*btnMake, 384, 185, 44, 22);
  SetBounds(*chkFindRecursion, 238, 188, 76, 17);
  SetBounds(*chkUTF8, 320, 188, 62, 17);
  SetBounds(*StatusBar, 0, 212, 434, 19);

  cbbLocalDriver->SetDirList(listLocalDirectory);
  grpOption->SetCaption(u"Options");
  for (StringView Filter : AudioFilterTexts) cbbFileFilter->Items()->Add(String(Filter));
  for (StringView Name : FileNameItems) cbbFileName->Items()->Add(String(Name));
  cbbFileName->SetText(String(FileNameItems[0]));
  for (const TFormatItem& Item : FormatItems) cbbFileFormat->Items()->Add(String(Item.Text));
  btnFind->SetCaption(u"Find");
  btnMake->SetCaption(u"Make");
  chkFindRecursion->SetCaption(u"Recursion");
  chkUTF8->SetCaption(u"UTF8BOM");
  chkUTF8->SetCaptionLeft(true);

  TStatusPanels& Panels = *StatusBar->Panels();
  Panels.Add()->SetWidth(100);
  TStatusPanel& Directories = *Panels.Add();
  Directories.SetWidth(120);
  Directories.SetAlignment(TStatusPanel::taCenter);
  TStatusPanel& Progress = *Panels.Add();
  Progress.SetWidth(240);
  Progress.SetAlignment(TStatusPanel::taRightJustify);
  Progress.SetBevel(TStatusPanel::pbNone);

  QWidget* const TabOrder[] = {mmoFiles,      cbbLocalDriver, listLocalDirectory, cbbFileFilter,    cbbFileName,
                               cbbFileFormat, btnFind,        btnMake,            chkFindRecursion, chkUTF8};
  for (std::size_t I = 1; I < std::size(TabOrder); ++I) setTabOrder(TabOrder[I - 1], TabOrder[I]);
  StatusBar->setFocusPolicy(Qt::NoFocus);
}

void TMainForm::FormCreate() {
  const String BaseName = ProgramBaseName();
  textdomain(BaseName);
  AddResourceStringDomain(BaseName);
  TranslateComponent(ObjectHandle(*this));
  SetCaption(ApplicationTitle());

  FSettings = std::make_unique<TSettings>(FSettingsFile);
  FSettings->Read();
  cbbLocalDriver->SetDrive(FSettings->LastFolder());
  listLocalDirectory->SetDirectory(FSettings->LastFolder());
  cbbFileFilter->SetItemIndex(0);
  cbbFileName->SetItemIndex(cbbFileName->Items()->Count() - 1);
  cbbFileFormat->SetItemIndex(0);
  cbbFileFilter->Items()->Add(FSettings->VideoFormat());
  chkFindRecursion->SetChecked(true);
  chkUTF8->SetChecked(false);

  FPlayListFiles = std::make_unique<TPlayListFile>();
  FSession = std::make_unique<TSearchSession>(*FPlayListFiles);
  FFileEnumerator = std::make_unique<TFileEnumerator>();
  // Many folders per hand-over, the worker reading ahead, keep the window
  // quick; the reports, and so the lines, the tree and the counts, are
  // those of one per file.
  FFileEnumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smBatched);
  // Only the search that runs reports: the session ends the one before.
  FFileEnumerator->SetOnEnterDirectoryEx([this](const String& Directory, const TEnteredDirectory& Entered) {
    FileEnumeratorEnterDirectory(Directory, Entered);
  });
  FFileEnumerator->SetOnDirectoryError(
      [this](const String& Directory, const String& Message) { FileEnumeratorDirectoryError(Directory, Message); });
  FFileEnumerator->SetOnTerminateTask([this](int TaskID, bool Aborted, const std::optional<String>& Failure) {
    FileEnumeratorTerminateTask(TaskID, Aborted, Failure);
  });
  ShowMakeAvailability();
  listLocalDirectory->setFocus();
}

void TMainForm::FormDestroy() {
  try {
    // The enumerator goes first, ending its search: no report reaches the
    // session or the tree.
    FFileEnumerator.reset();
    FSession.reset();
    if (FPlayListFiles) {
      FPlayListFiles->Clear();
      FPlayListFiles.reset();
    }
    if (FSettings) {
      FSettings->SetLastFolder(listLocalDirectory->Directory());
      FSettings->SetVideoFormat(cbbFileFilter->Items()->Get(cbbFileFilter->Items()->Count() - 1));
      CreateSettingsFolder(FSettings->FileName());
      FSettings->Write();
      FSettings.reset();
    }
  } catch (const std::exception&) {
    // The window is going: there is nobody left to tell.
  }
}

void TMainForm::closeEvent(QCloseEvent* Event) {
  FSearching = false;
  FSession->End();
  TForm::closeEvent(Event);
}

void TMainForm::cbbFileFormatChange(QObject&) {
  const int Index = cbbFileFormat->ItemIndex();
  const bool Listed = Index >= 0 && Index < static_cast<int>(std::size(FormatItems));
  const TFormatItem& Item = FormatItems[Listed ? static_cast<std::size_t>(Index) : 0];
  cbbFileName->SetText(ChangeFileExt(cbbFileName->Text(), Item.Extension));
  FPlayListFiles->SetFormat(Listed ? static_cast<TPlayListFileFoamat>(Index) : plM3U);
}

void TMainForm::chkUTF8Click(QObject&) { FPlayListFiles->SetUTF8BOM(chkUTF8->Checked()); }

void TMainForm::btnFindClick(QObject&) {
  // One search at a time: the session's Find ends the one that runs, so
  // nothing of it reaches the new tree.
  FSearching = false;
  mmoFiles->Lines()->Clear();
  try {
    TFindOptions Options;
    Options.FilterText = cbbFileFilter->Text();
    Options.Folder = IncludeTrailingPathDelimiter(listLocalDirectory->Directory());
    Options.Recursion = chkFindRecursion->Checked();
    // Handed on, not applied: a limit would silently drop short tracks.
    Options.MinSize = FSettings->MinSize();
    FSession->Find(*FFileEnumerator, Options, [this](const String& Directory, const TSearchRec& FileInfo) {
      FileEnumeratorFileFound(Directory, FileInfo);
    });
    FSearching = true;
  } catch (const Exception&) {
    // Find ends without a word, leaving the window as it is.
  }
  ShowMakeAvailability();
}

void TMainForm::FileEnumeratorEnterDirectory(const String& Directory, const TEnteredDirectory& Entered) {
  FSession->EnterDirectory(Directory, Entered);
  ShowStatus(TSearchSession::FilesText(mmoFiles->Lines()->Count()), FSession->DirectoriesText(),
             TSearchSession::ProcessingText(Printable(Directory)));
}

void TMainForm::FileEnumeratorFileFound(const String& Directory, const TSearchRec& FileInfo) {
  // Relative to the folder shown now, which may no longer be the one searched.
  const String Shown = IncludeTrailingPathDelimiter(listLocalDirectory->Directory());
  mmoFiles->Lines()->Add(Printable(FSession->FileFound(Directory, FileInfo, Shown)));
}

void TMainForm::FileEnumeratorDirectoryError(const String& Directory, const String& Message) {
  FSession->DirectoryError(Directory, Message);
}

void TMainForm::FileEnumeratorTerminateTask(int, bool Aborted, const std::optional<String>& Failure) {
  FSearching = false;
  FSession->Terminated(Aborted, Failure);
  String Progress = Printable(FSession->EndText());
  const int Unreadable = static_cast<int>(FSession->UnreadableFolders().size());
  if (!FSession->Failure() && Unreadable > 0)
    Progress += u" " + Format(ngettext(u"%d folder could not be read.", u"%d folders could not be read.", Unreadable),
                              {Unreadable});
  ShowStatus(TSearchSession::FilesText(mmoFiles->Lines()->Count()), FSession->DirectoriesText(), Progress);
  ShowMakeAvailability();
}

// Make only writes what a finished search found; otherwise its button is
// disabled and its tooltip says why.
void TMainForm::ShowMakeAvailability() {
  const String Reason = FSession->MakeUnavailableReason();
  btnMake->setEnabled(Reason.empty());
  btnMake->setToolTip(QString::fromStdU16String(Reason));
}

// Writes the playlists of the tree the last search built; what could not be
// done is told in one box: the playlists not written first, then the names
// left out and the folders the search could not read.
void TMainForm::btnMakeClick(QObject&) {
  TMakeRequest Request;
  Request.NameTemplate = cbbFileName->Text();
  Request.Format = FPlayListFiles->Format();
  Request.Recursion = chkFindRecursion->Checked();
  Request.UTF8BOM = chkUTF8->Checked();
  const TMakeReport Made = FSession->Make(Request);
  std::vector<String> Lines;
  for (const TPlayListFailure& Failure : Made.Failures) Lines.push_back(Failure.Message);
  for (const TLeftOutName& Name : Made.LeftOut)
    Lines.push_back(Format(gettext(u"Left out of \"%s\": \"%s\" (%s)"), {Name.PlayList, Name.Entry, Name.Reason}));
  for (const TUnreadableFolder& Folder : FSession->UnreadableFolders())
    Lines.push_back(Format(gettext(u"Folder \"%s\" could not be read: %s"), {Folder.Path, Folder.Message}));
  if (Lines.empty()) return;
  ShowMessageBox(JoinLines(Lines), ApplicationTitle(),
                 Made.Failures.empty() ? TMessageBoxIcon::miWarning : TMessageBoxIcon::miError);
}

void TMainForm::ShowStatus(const String& Files, const String& Directories, const String& Progress) {
  TStatusPanels& Panels = *StatusBar->Panels();
  Panels.Items(0)->SetText(Files);
  Panels.Items(1)->SetText(Directories);
  Panels.Items(2)->SetText(Progress);
}

}  // namespace cantrel
