// The program's window, TMainForm: folder, filter, playlist name and format, Find and Make.
#include "app/MainForm.h"

#include <sys/stat.h>

#include <QCloseEvent>
#include <QLocale>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <utility>

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

// The client area as the window was drawn, at 96 dots per inch: its first
// and smallest size.
constexpr int DrawnWidth = 434;
constexpr int DrawnHeight = 231;

template <class TControl, class TParent, class... TArgs>
TControl* NewControl(TParent* Parent, const char* Name, TArgs... Args) {
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

// The languages of the window's catalogs, each in its own language.
String IncludedTranslations() {
  QStringList Names;
  for (const QString& Code : QString::fromStdU16String(CANTREL_TRANSLATIONS).split(u',', Qt::SkipEmptyParts))
    Names.append(QLocale(Code).nativeLanguageName() + u" ("_qs + Code + u')');
  return Names.join(u", "_qs).toStdU16String();
}

// A folder dragged from a file manager: the first of the dragged items,
// when it is a local folder.
std::optional<String> DroppedFolder(const QMimeData* Data) {
  if (Data->urls().isEmpty() || !Data->urls().front().isLocalFile()) return std::nullopt;
  const String Folder = Data->urls().front().toLocalFile().toStdU16String();
  struct stat Info {};
  if (stat(SystemFileName(Folder).c_str(), &Info) != 0 || !S_ISDIR(Info.st_mode)) return std::nullopt;
  return Folder;
}

// Why a folder could not be opened, for the user.
String FolderProblem(const String& Folder) {
  struct stat Info {};
  const int Reason = stat(SystemFileName(Folder).c_str(), &Info) != 0 ? errno
                     : S_ISDIR(Info.st_mode)                         ? EACCES
                                                                     : ENOTDIR;
  if (Reason == ENOENT) return Format(gettext(u"The folder \"%s\" does not exist."), {Printable(Folder)});
  return Format(gettext(u"The folder \"%s\" cannot be opened: %s"), {Printable(Folder), SysErrorMessage(Reason)});
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
      MainMenu(NewControl<TMainMenu>(this, "MainMenu")),
      mnuFile(NewControl<TMenuItem>(MainMenu, "mnuFile")),
      mniFind(NewControl<TMenuItem>(mnuFile, "mniFind")),
      mniMake(NewControl<TMenuItem>(mnuFile, "mniMake")),
      mniQuit(NewControl<TMenuItem>(mnuFile, "mniQuit")),
      mnuOptions(NewControl<TMenuItem>(MainMenu, "mnuOptions")),
      mniTags(NewControl<TMenuItem>(mnuOptions, "mniTags")),
      mniOrderByTags(NewControl<TMenuItem>(mnuOptions, "mniOrderByTags")),
      mniKeepUpToDate(NewControl<TMenuItem>(mnuOptions, "mniKeepUpToDate")),
      mnuHelp(NewControl<TMenuItem>(MainMenu, "mnuHelp")),
      mniAbout(NewControl<TMenuItem>(mnuHelp, "mniAbout")),
      FSettingsFile(SettingsFile) {
  setObjectName("MainForm");
  LayOut();
  OnResize = [this](QObject& Sender) { FormResize(Sender); };
  cbbFileFormat->OnChange = [this](QObject& Sender) { cbbFileFormatChange(Sender); };
  chkUTF8->OnClick = [this](QObject& Sender) { chkUTF8Click(Sender); };
  btnFind->OnClick = [this](QObject& Sender) { btnFindClick(Sender); };
  btnMake->OnClick = [this](QObject& Sender) { btnMakeClick(Sender); };
  // The menu's commands are the buttons' and follow their rules.
  mniFind->OnClick = btnFind->OnClick;
  mniMake->OnClick = btnMake->OnClick;
  mniQuit->OnClick = [this](QObject&) { close(); };
  mniAbout->OnClick = [this](QObject& Sender) { mniAboutClick(Sender); };
  mniTags->OnClick = [this](QObject& Sender) { mniTagOptionClick(Sender); };
  mniOrderByTags->OnClick = mniTags->OnClick;
  mniKeepUpToDate->OnClick = [this](QObject& Sender) { mniKeepUpToDateClick(Sender); };
  // Folders come from file managers as dropped links, over any control.
  setAcceptDrops(true);
  installEventFilter(this);
  for (QWidget* Control : findChildren<QWidget*>())
    if (Control->acceptDrops()) Control->installEventFilter(this);
  FormCreate();
}

TMainForm::~TMainForm() { FormDestroy(); }

// The controls with their untranslated texts, and the menu bar above them.
void TMainForm::LayOut() {
  SetMenu(MainMenu);
  mnuFile->SetCaption(u"&File");
  mniFind->SetCaption(u"&Find");
  mniFind->SetShortCut(Qt::CTRL | Qt::Key_F);
  mniMake->SetCaption(u"&Make");
  mniMake->SetShortCut(Qt::CTRL | Qt::Key_S);
  mniQuit->SetCaption(u"&Quit");
  mniQuit->SetShortCut(Qt::CTRL | Qt::Key_Q);
  mnuOptions->SetCaption(u"&Options");
  mniTags->SetCaption(u"Titles and durations from tags");
  mniTags->SetAutoCheck(true);
  mniOrderByTags->SetCaption(u"Order by disc and track");
  mniOrderByTags->SetAutoCheck(true);
  mniKeepUpToDate->SetCaption(u"Keep playlists up to date");
  mniKeepUpToDate->SetAutoCheck(true);
  mnuHelp->SetCaption(u"&Help");
  mniAbout->SetCaption(u"&About Cantrel");
  SetClientSize(DrawnWidth, DrawnHeight);
  ArrangeControls();

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

// At the first size the controls sit where the window was drawn (at 96
// dots per inch, below the menu bar). A larger window gives a fifth of
// its new width to the folder list and the rest to the file list and the
// option boxes, its new height to both lists, and keeps the option boxes,
// the bottom row and the status bar at the bottom.
void TMainForm::ArrangeControls() {
  const auto Scaled = [this](int Pixels) { return ScaledPixels(*this, Pixels); };
  const QRect Client = ClientRect();
  const int Wider = std::max(Client.width() - Scaled(DrawnWidth), 0);
  const int Taller = std::max(Client.height() - Scaled(DrawnHeight), 0);
  const int LeftWider = Wider / 5;
  const int RightWider = Wider - LeftWider;
  const auto Place = [&](QWidget& Control, int Left, int Top, int Width, int Height) {
    Control.setGeometry(Left, Client.top() + Top, Width, Height);
  };
  Place(*cbbLocalDriver, Scaled(8), Scaled(8), Scaled(181) + LeftWider, Scaled(22));
  Place(*listLocalDirectory, Scaled(8), Scaled(32), Scaled(181) + LeftWider, Scaled(175) + Taller);
  const int Right = Scaled(192) + LeftWider;
  Place(*mmoFiles, Right, Scaled(7), Scaled(236) + RightWider, Scaled(106) + Taller);
  Place(*grpOption, Right, Scaled(112) + Taller, Scaled(236) + RightWider, Scaled(68));
  const int NameWider = RightWider / 2;
  cbbFileFilter->setGeometry(Scaled(3), Scaled(16), Scaled(230) + RightWider, Scaled(21));
  cbbFileName->setGeometry(Scaled(3), Scaled(40), Scaled(108) + NameWider, Scaled(21));
  cbbFileFormat->setGeometry(Scaled(112) + NameWider, Scaled(40), Scaled(121) + RightWider - NameWider, Scaled(21));
  ArrangeBottomRow(Right, Client.top() + Scaled(185) + Taller, Scaled(236) + RightWider);
  Place(*StatusBar, 0, Scaled(212) + Taller, Client.width(), Scaled(19));
}

// Find and "Recursion" at the row's left, "UTF8BOM" and Make at its right.
// Each keeps the width it was drawn with, narrowing its caption if need be,
// and grows towards its natural width as far as the row has room.
void TMainForm::ArrangeBottomRow(int Left, int Top, int Width) {
  const auto Scaled = [this](int Pixels) { return ScaledPixels(*this, Pixels); };
  struct TRowControl {
    int Drawn;
    int Natural;
    int Width = Drawn;
  };
  TRowControl Find{Scaled(44), btnFind->NaturalWidth()};
  TRowControl Recursion{Scaled(76), chkFindRecursion->NaturalWidth()};
  TRowControl UTF8{Scaled(62), chkUTF8->NaturalWidth()};
  TRowControl Make{Scaled(44), btnMake->NaturalWidth()};
  TRowControl* const Row[] = {&Find, &Recursion, &UTF8, &Make};
  int Wanted = 0;
  for (const TRowControl* Control : Row) Wanted += std::max(Control->Natural - Control->Drawn, 0);
  const int Room = std::min(std::max(Width - Scaled(236), 0), Wanted);
  for (TRowControl* Control : Row)
    if (Wanted > 0) Control->Width += std::max(Control->Natural - Control->Drawn, 0) * Room / Wanted;
  btnFind->setGeometry(Left, Top, Find.Width, Scaled(22));
  chkFindRecursion->setGeometry(Left + Find.Width + Scaled(2), Top + Scaled(3), Recursion.Width, Scaled(17));
  btnMake->setGeometry(Left + Width - Make.Width, Top, Make.Width, Scaled(22));
  chkUTF8->setGeometry(Left + Width - Make.Width - Scaled(2) - UTF8.Width, Top + Scaled(3), UTF8.Width, Scaled(17));
}

// The size of the last run, when the screen has room for it.
void TMainForm::RestoreSize() {
  const QSize Size = SizeForClient(FSettings->WindowWidth(), FSettings->WindowHeight()).expandedTo(minimumSize());
  const QScreen* Screen = screen();
  if (Screen && Size.width() <= Screen->availableSize().width() && Size.height() <= Screen->availableSize().height())
    resize(Size);
  ArrangeControls();
}

// What the settings file keeps: the folder shown, the filter lines of the
// settings file, each by its index, and the size of the client area at 96
// dots per inch, as it is when the window is neither maximised nor
// full-screen.
void TMainForm::KeepSettings() {
  FSettings->SetLastFolder(listLocalDirectory->Directory());
  FSettings->SetVideoFormat(cbbFileFilter->Items()->Get(VideoFilterIndex));
  FSettings->SetAudioFormat(cbbFileFilter->Items()->Get(MoreAudioFilterIndex));
  FSettings->SetTags(mniTags->Checked());
  FSettings->SetOrderByTags(mniOrderByTags->Checked());
  FSettings->SetWatch(mniKeepUpToDate->Checked());
  const QSize Size = isMaximized() || isFullScreen() ? normalGeometry().size() : size();
  if (Size.isEmpty()) return;
  FSettings->SetWindowWidth(DesignPixels(*this, Size.width()));
  FSettings->SetWindowHeight(DesignPixels(*this, Size.height() - ClientRect().top()));
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
  cbbFileFilter->Items()->Add(FSettings->AudioFormat());
  RestoreSize();
  chkFindRecursion->SetChecked(true);
  chkUTF8->SetChecked(false);
  mniTags->SetChecked(FSettings->Tags());
  mniOrderByTags->SetChecked(FSettings->OrderByTags());
  mniKeepUpToDate->SetChecked(FSettings->Watch());

  FPlayListFiles = std::make_unique<TPlayListFile>();
  FSession = std::make_unique<TSearchSession>(*FPlayListFiles);
  FFileEnumerator = std::make_unique<TFileEnumerator>();
  // Many folders per hand-over, the worker reading ahead, keep the window
  // quick; the reports, and so the lines, the tree and the counts, are
  // those of one per file.
  FFileEnumerator->SetSynchronizationMode(TFileEnumeratorSyncMode::smBatched);
  FFileEnumerator->SetReadersOnDemand(true);
  // Only the search that runs reports: the session ends the one before.
  FFileEnumerator->SetOnEnterDirectoryEx([this](const String& Directory, const TEnteredDirectory& Entered) {
    FileEnumeratorEnterDirectory(Directory, Entered);
  });
  FFileEnumerator->SetOnDirectoryError(
      [this](const String& Directory, const String& Message) { FileEnumeratorDirectoryError(Directory, Message); });
  FFileEnumerator->SetOnTerminateTask([this](int TaskID, bool Aborted, const std::optional<String>& Failure) {
    FileEnumeratorTerminateTask(TaskID, Aborted, Failure);
  });
  FSession->SetOnTagsProgress([this](int Read, int Total) { SearchSessionTagsProgress(Read, Total); });
  FSession->SetOnSearchEnd([this] { SearchSessionSearchEnd(); });
  FSession->SetOnTagCacheWarning([this](const String& Message) { FTagCacheWarning = Message; });
  FSession->ChooseTagOptions(mniTags->Checked(), mniOrderByTags->Checked());
  ShowMakeAvailability();
  listLocalDirectory->setFocus();
}

void TMainForm::FormDestroy() {
  try {
    // The watch works on the tree: it goes before it.
    FWatch.reset();
    // The enumerator goes first, ending its search: no report reaches the
    // session or the tree.
    FFileEnumerator.reset();
    FSession.reset();
    if (FPlayListFiles) {
      FPlayListFiles->Clear();
      FPlayListFiles.reset();
    }
    if (FSettings) {
      KeepSettings();
      CreateSettingsFolder(FSettings->FileName());
      FSettings->Write();
      FSettings.reset();
    }
  } catch (const std::exception&) {
    // The window is going: there is nobody left to tell.
  }
}

void TMainForm::closeEvent(QCloseEvent* Event) {
  StopWatch();
  FSearching = false;
  FSession->End();
  TForm::closeEvent(Event);
}

// Dragged files and folders never reach the controls (the file list would
// take their addresses as text); only a folder is taken.
bool TMainForm::eventFilter(QObject* Watched, QEvent* Event) {
  const auto Type = Event->type();
  if (Type == QEvent::DragEnter || Type == QEvent::DragMove || Type == QEvent::Drop) {
    auto& Drop = static_cast<QDropEvent&>(*Event);
    if (!Drop.mimeData() || !Drop.mimeData()->hasUrls()) return TForm::eventFilter(Watched, Event);
    const std::optional<String> Folder = DroppedFolder(Drop.mimeData());
    if (!Folder) {
      Drop.ignore();
      return true;
    }
    Drop.acceptProposedAction();
    if (Type == QEvent::Drop) OpenFolder(*Folder);
    return true;
  }
  return TForm::eventFilter(Watched, Event);
}

void TMainForm::OpenFolder(const String& Folder) {
  if (!listLocalDirectory->OpenDirectory(Folder))
    ShowMessageBox(FolderProblem(Folder), ApplicationTitle(), TMessageBoxIcon::miWarning);
}

void TMainForm::FormResize(QObject&) { ArrangeControls(); }

void TMainForm::mniAboutClick(QObject&) {
  // Translations come with Windows line breaks.
  const String Text = Format(gettext(u"Cantrel %s\n\nMakes a playlist for every folder of a music or video library.\n\n"
                                     u"Licence: MIT\nIncluded translations: %s"),
                             {String(CANTREL_VERSION), IncludedTranslations()});
  ShowMessageBox(ReplaceAll(Text, u"\r\n", u"\n"), gettext(u"About Cantrel"), TMessageBoxIcon::miInformation);
}

void TMainForm::cbbFileFormatChange(QObject&) {
  const int Index = cbbFileFormat->ItemIndex();
  const bool Listed = Index >= 0 && Index < static_cast<int>(std::size(FormatItems));
  const TFormatItem& Item = FormatItems[Listed ? static_cast<std::size_t>(Index) : 0];
  cbbFileName->SetText(ChangeFileExt(cbbFileName->Text(), Item.Extension));
  FPlayListFiles->SetFormat(Listed ? static_cast<TPlayListFileFoamat>(Index) : plM3U);
}

void TMainForm::chkUTF8Click(QObject&) { FPlayListFiles->SetUTF8BOM(chkUTF8->Checked()); }

// The tags are read during Find: a Make after a change would write what the
// last search did not read.
void TMainForm::mniTagOptionClick(QObject&) {
  FSession->ChooseTagOptions(mniTags->Checked(), mniOrderByTags->Checked());
  ShowMakeAvailability();
}

void TMainForm::btnFindClick(QObject&) {
  // One search at a time: the session's Find ends the one that runs, so
  // nothing of it reaches the new tree; a watch of the old tree ends too.
  StopWatch();
  FSearching = false;
  mmoFiles->Lines()->Clear();
  try {
    TFindOptions Options;
    Options.FilterText = cbbFileFilter->Text();
    Options.Folder = IncludeTrailingPathDelimiter(listLocalDirectory->Directory());
    Options.Recursion = chkFindRecursion->Checked();
    // Handed on, not applied: a limit would silently drop short tracks.
    Options.MinSize = FSettings->MinSize();
    Options.Tags = mniTags->Checked();
    Options.OrderByTags = mniOrderByTags->Checked();
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
  if (!FSession->Terminated(Aborted, Failure)) {
    SearchSessionTagsProgress(0, FPlayListFiles->Count());
    return;
  }
  SearchSessionSearchEnd();
}

void TMainForm::SearchSessionTagsProgress(int Read, int Total) {
  ShowStatus(TSearchSession::FilesText(mmoFiles->Lines()->Count()), FSession->DirectoriesText(),
             TSearchSession::TagsText(Read, Total));
}

void TMainForm::SearchSessionSearchEnd() {
  FSearching = false;
  String Progress = Printable(FSession->EndText());
  const int Unreadable = static_cast<int>(FSession->UnreadableFolders().size());
  if (!FSession->Failure() && Unreadable > 0)
    Progress += u" " + Format(ngettext(u"%d folder could not be read.", u"%d folders could not be read.", Unreadable),
                              {Unreadable});
  if (!FTagCacheWarning.empty()) Progress += u" " + Printable(std::exchange(FTagCacheWarning, {}));
  ShowStatus(TSearchSession::FilesText(mmoFiles->Lines()->Count()), FSession->DirectoriesText(), Progress);
  ShowMakeAvailability();
}

// Make only writes what a finished search found; otherwise its button is
// disabled and its tooltip says why.
void TMainForm::ShowMakeAvailability() {
  const String Reason = FSession->MakeUnavailableReason();
  btnMake->setEnabled(Reason.empty());
  btnMake->setToolTip(QString::fromStdU16String(Reason));
  mniMake->setEnabled(Reason.empty());
}

// Writes the playlists of the tree the last search built; what could not be
// done is told in one box: the playlists not written first, then the names
// left out and the folders the search could not read.
void TMainForm::btnMakeClick(QObject&) {
  StopWatch();
  TMakeRequest Request;
  Request.NameTemplate = cbbFileName->Text();
  Request.Format = FPlayListFiles->Format();
  Request.Recursion = chkFindRecursion->Checked();
  Request.UTF8BOM = chkUTF8->Checked();
  std::unique_ptr<TWindowWatch> Watch;
  if (mniKeepUpToDate->Checked()) StartWatch(Request, Watch);
  if (Watch)
    Request.OnWritten = [&Watch](const TPlayListFile& Node, const String& Name, std::uint64_t Digest) {
      Watch->Watcher().Written(Node, Name, Digest);
    };
  const TMakeReport Made = FSession->Make(Request);
  if (Watch && Made.Failures.empty()) {
    Watch->Start();
    FWatch = std::move(Watch);
    StatusBar->Panels()->Items(2)->SetText(Format(gettext(u"Watching %s"), {Printable(FPlayListFiles->Path())}));
  }
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

// The watch follows what Make is about to write, with the tag options the
// search read with (Make is only available while the menu holds those).
void TMainForm::StartWatch(const TMakeRequest& Request, std::unique_ptr<TWindowWatch>& Watch) {
  if (FSession->MakeAvailability() != TMakeAvailability::maAvailable) return;
  TWatchSettings Settings;
  Settings.NameTemplate = Request.NameTemplate;
  Settings.Format = Request.Format;
  Settings.Recursion = Request.Recursion;
  Settings.UTF8BOM = Request.UTF8BOM;
  Settings.Tags = mniTags->Checked();
  Settings.OrderByTags = mniOrderByTags->Checked();
  Watch = std::make_unique<TWindowWatch>(*FPlayListFiles, FSession->Folder(), *FFileEnumerator, Settings, [this] {
    // Not from inside the watch's own call.
    QTimer::singleShot(0, this, [this] { StopWatch(); });
  });
  if (!Watch->Attach()) Watch.reset();
}

void TMainForm::StopWatch() {
  if (!FWatch) return;
  FWatch.reset();
  StatusBar->Panels()->Items(2)->SetText(String());
}

void TMainForm::mniKeepUpToDateClick(QObject&) {
  if (!mniKeepUpToDate->Checked()) StopWatch();
}

void TMainForm::ShowStatus(const String& Files, const String& Directories, const String& Progress) {
  TStatusPanels& Panels = *StatusBar->Panels();
  Panels.Items(0)->SetText(Files);
  Panels.Items(1)->SetText(Directories);
  Panels.Items(2)->SetText(Progress);
}

}  // namespace cantrel
