#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QUrl>

#include "Lines.h"
#include "WindowTestSupport.h"
#include "core/FilterTexts.h"
#include "runtime/Paths.h"
#include "widgets/Geometry.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

// Where a control lies, given in the client area's pixels at 96 dots per
// inch, in the window below its menu bar.
QRect Scaled(const TMainForm& Form, int Left, int Top, int Width, int Height) {
  return QRect(ScaledPixels(Form, Left), ScaledPixels(Form, Top), ScaledPixels(Form, Width),
               ScaledPixels(Form, Height))
      .translated(0, Form.ClientRect().top());
}

// The controls in the order Tab visits them, each named once however many
// inner widgets of it take the focus.
std::vector<std::string> TabOrder(const TMainForm& Form, QWidget* First) {
  std::vector<std::string> Names;
  QWidget* Widget = First;
  do {
    QWidget* Control = Widget;
    while (Control && Control->parentWidget() != &Form && Control->parentWidget() != Form.grpOption)
      Control = Control->parentWidget();
    const std::string Name = Control ? Control->objectName().toStdString() : std::string();
    if ((Widget->focusPolicy() & Qt::TabFocus) && !Name.empty() && (Names.empty() || Names.back() != Name))
      Names.push_back(Name);
    Widget = Widget->nextInFocusChain();
  } while (Widget != First);
  return Names;
}

void ChooseNextFormat(TMainForm& Form) { QTest::keyClick(Form.cbbFileFormat, Qt::Key_Down); }

// The width the box's text takes in its font, and the room the box gives it.
int TextWidth(const QComboBox& Box) { return QFontMetrics(Box.font()).horizontalAdvance(Box.currentText()); }
int TextRoom(const QComboBox& Box) {
  QStyleOptionComboBox Option;
  Option.initFrom(&Box);
  return Box.style()->subControlRect(QStyle::CC_ComboBox, &Option, QStyle::SC_ComboBoxEditField, &Box).width();
}

// Drags Path from a file manager onto Target and drops it there; answers
// whether the window took it.
bool Drop(QWidget& Target, const String& Path) {
  QMimeData Data;
  Data.setUrls({QUrl::fromLocalFile(QString::fromStdU16String(Path))});
  const QPoint Middle = Target.rect().center();
  QDragEnterEvent Enter(Middle, Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Target, &Enter);
  if (!Enter.isAccepted()) return false;
  QDropEvent Dropped(QPointF(Middle), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Target, &Dropped);
  return Dropped.isAccepted();
}

}  // namespace

TEST_F(TWindowTest, FirstStartShowsTheDefaultsAndEachOptionChangesOnlyItsOwn) {
  // An installed program finds no settings folder before its first close.
  const std::string Settings = Temp.Path() + "config/cantrel/cantrel.ini";
  auto Form = std::make_unique<TMainForm>(Utf8ToString(Settings));
  EXPECT_EQ(Form->Caption(), u"Cantrel");
  EXPECT_EQ(Form->ClientRect().size(), QSize(ScaledPixels(*Form, 434), ScaledPixels(*Form, 231)));
  EXPECT_EQ(Form->size(), Form->minimumSize());
  EXPECT_EQ(Form->mmoFiles->geometry(), Scaled(*Form, 192, 7, 236, 106));
  EXPECT_EQ(Form->cbbFileFormat->geometry(), Scaled(*Form, 112, 40, 121, 21).translated(0, -Form->ClientRect().top()));
  EXPECT_EQ(Form->btnMake->geometry(), Scaled(*Form, 384, 185, 44, 22));
  EXPECT_EQ(Form->StatusBar->geometry(), Scaled(*Form, 0, 212, 434, 19));
  EXPECT_EQ(TabOrder(*Form, Form->mmoFiles),
            (std::vector<std::string>{"mmoFiles", "cbbLocalDriver", "listLocalDirectory", "cbbFileFilter", "cbbFileName",
                                      "cbbFileFormat", "btnFind", "btnMake", "chkFindRecursion", "chkUTF8"}));
  EXPECT_EQ(Form->focusWidget(), Form->listLocalDirectory);

  EXPECT_EQ(Form->listLocalDirectory->Directory(), ExcludeTrailingPathDelimiter(ExtractFilePath(ModuleFileName())));
  ASSERT_EQ(Form->cbbFileFilter->Items()->Count(), 11);
  EXPECT_EQ(Form->cbbFileFilter->Text(), AudioFilterTexts[0]);
  EXPECT_EQ(Form->cbbFileFilter->Items()->Get(8), u"WAV Files (*.wav)");
  EXPECT_EQ(Form->cbbFileFilter->Items()->Get(9), DefaultVideoFilterText);
  EXPECT_EQ(LinesOf(*Form->cbbFileName->Items()), (std::vector<String>{u"playall.m3u", u"play.m3u", u"%album%.m3u"}));
  EXPECT_EQ(Form->cbbFileName->Text(), u"%album%.m3u");
  EXPECT_EQ(LinesOf(*Form->cbbFileFormat->Items()),
            (std::vector<String>{u"M3U File (*.m3u)", u"M3U8 File (*.m3u8)", u"xspf File (*.xspf)",
                                 u"Windows Media Playlist (*.wpl)", u"Playlist Fils (*.pls)", u"ASX File (*.asx)"}));
  EXPECT_EQ(Form->cbbFileFormat->Text(), u"M3U File (*.m3u)");
  EXPECT_TRUE(Form->chkFindRecursion->Checked());
  EXPECT_FALSE(Form->chkUTF8->Checked());
  EXPECT_EQ(Form->PlayListFiles().Format(), plM3U);

  // The user picks the formats one after the other.
  ChooseNextFormat(*Form);
  ChooseNextFormat(*Form);
  EXPECT_EQ(Form->cbbFileName->Text(), u"%album%.xspf");
  EXPECT_EQ(Form->PlayListFiles().Format(), plXSPF);
  for (int I = 0; I < 3; ++I) ChooseNextFormat(*Form);
  EXPECT_EQ(Form->cbbFileName->Text(), u"%album%.asx");
  EXPECT_EQ(Form->PlayListFiles().Format(), plASX);
  EXPECT_FALSE(Form->chkUTF8->Checked());
  // A typed name without a dot gets the extension appended.
  Form->cbbFileName->lineEdit()->clear();
  QTest::keyClicks(Form->cbbFileName->lineEdit(), "Mix");
  QTest::keyClick(Form->cbbFileFormat, Qt::Key_Home);
  ChooseNextFormat(*Form);
  EXPECT_EQ(Form->cbbFileName->Text(), u"Mix.m3u8");
  EXPECT_EQ(Form->PlayListFiles().Format(), plM3U8);
  // The box changes neither the format nor the name.
  Form->chkUTF8->click();
  EXPECT_TRUE(Form->PlayListFiles().UTF8BOM());
  EXPECT_EQ(Form->PlayListFiles().Format(), plM3U8);
  EXPECT_EQ(Form->cbbFileName->Text(), u"Mix.m3u8");
  Form->chkUTF8->click();
  EXPECT_FALSE(Form->PlayListFiles().UTF8BOM());
  EXPECT_TRUE(Boxes.Shown.empty());

  const String Folder = Form->listLocalDirectory->Directory();
  Form.reset();
  EXPECT_EQ(ReadFileBytes(Settings), "[Path]\nLastFolder=" + StringToUtf8(Folder) + "\n\n[Filter]\nVideoFormat=" +
                                         StringToUtf8(DefaultVideoFilterText) + "\nAudioFormat=" +
                                         StringToUtf8(DefaultMoreAudioFilterText) + "\n\n[File]\nMinSize=102400\n");
  struct stat Info {};
  ASSERT_EQ(stat((Temp.Path() + "config/cantrel").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0700u);
}

TEST_F(TWindowTest, SettingsEditedByHandComeBackAsTheyWere) {
  const String Music = Temp.MakeDir("Music");
  const String Other = Temp.MakeDir("Other");
  const std::string Edited = "; kept\n[File]\nMinSize=0x1A\n[Filter]\nVideoFormat=Clips (*.mkv;*.webm)\n[Path]\nLastFolder=" +
                             StringToUtf8(Music) + "\n";
  auto Form = NewForm(Edited);
  EXPECT_EQ(Form->listLocalDirectory->Directory(), ExcludeTrailingPathDelimiter(Music));
  ASSERT_EQ(Form->cbbFileFilter->Items()->Count(), 11);
  EXPECT_EQ(Form->cbbFileFilter->Items()->Get(9), u"Clips (*.mkv;*.webm)");
  EXPECT_EQ(Form->cbbFileFilter->ItemIndex(), 0);
  Form.reset();
  EXPECT_EQ(SettingsBytes(), "; kept\n[File]\nMinSize=26\n[Filter]\nVideoFormat=Clips (*.mkv;*.webm)\nAudioFormat=" +
                                 StringToUtf8(DefaultMoreAudioFilterText) + "\n[Path]\nLastFolder=" +
                                 StringToUtf8(ExcludeTrailingPathDelimiter(Music)) + "\n");

  // The folder the user opened last is the one kept.
  Form = NewForm();
  Form->listLocalDirectory->SetDirectory(Other);
  Form.reset();
  EXPECT_NE(SettingsBytes().find("LastFolder=" + StringToUtf8(ExcludeTrailingPathDelimiter(Other)) + "\n"),
            std::string::npos);
}

TEST_F(TWindowTest, TheGermanCatalogTranslatesTheWindow) {
  UseGerman();
  auto Form = NewForm();
  EXPECT_EQ(Form->Caption(), u"Cantrel");
  EXPECT_EQ(Form->grpOption->Caption(), u"Optionen");
  EXPECT_EQ(Form->btnFind->Caption(), u"Suchen");
  EXPECT_EQ(Form->btnMake->Caption(), u"Erstellen");
  EXPECT_EQ(Form->chkFindRecursion->Caption(), u"Rekursion");
  EXPECT_EQ(Form->chkUTF8->Caption(), u"UTF8BOM");
  EXPECT_EQ(Form->cbbFileFilter->Text(),
            u"Audiodateien (*.aiff;*.aifc;*.mp3;*.mp2;*.ogg;*.flac;*.it;*.xm;*.s3m;*.mod;*.spx;*.wma;*.wav)");
  EXPECT_EQ(Form->cbbFileFilter->Items()->Get(9), u"Videodateien (*.avi;*.mkv)");
  EXPECT_EQ(Form->cbbFileFormat->Text(), u"M3U-Datei (*.m3u)");
  EXPECT_EQ(Form->cbbFileName->Text(), u"%album%.m3u");
  // A caption longer than its button is narrowed to fit, not cut.
  EXPECT_LT(Form->btnMake->font().stretch(), QFont::Unstretched);
  Form.reset();
  EXPECT_NE(SettingsBytes().find("\nVideoFormat=Videodateien (*.avi;*.mkv)\n"), std::string::npos);
}

TEST_F(TWindowTest, TabLeavesTheFileListForTheNextControl) {
  auto Form = NewForm();
  Form->show();
  Form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  Form->mmoFiles->setFocus();
  QTest::keyClick(Form->mmoFiles, Qt::Key_Tab);
  EXPECT_EQ(Form->mmoFiles->toPlainText(), "");
  QWidget* Focus = QApplication::focusWidget();
  while (Focus && Focus != Form->cbbLocalDriver) Focus = Focus->parentWidget();
  EXPECT_EQ(Focus, Form->cbbLocalDriver);
}

TEST_F(TWindowTest, ALargerWindowGrowsItsListsAndBoxesAndComesBackAtThatSize) {
  UseGerman();
  auto Form = NewForm("[Filter]\nAudioFormat=Eigene (*.opus)\n");
  Form->show();
  EXPECT_EQ(Form->cbbFileFilter->Items()->Get(10), u"Eigene (*.opus)");
  const QRect Folders = Form->listLocalDirectory->geometry(), Files = Form->mmoFiles->geometry(),
              Name = Form->cbbFileName->geometry(), Make = Form->btnMake->geometry();
  Form->cbbFileFormat->SetItemIndex(3);
  EXPECT_GT(TextWidth(*Form->cbbFileFormat), TextRoom(*Form->cbbFileFormat));
  EXPECT_LT(Form->btnMake->font().stretch(), QFont::Unstretched);

  Form->resize(Form->SizeForClient(700, 400));
  const int Taller = ScaledPixels(*Form, 400) - ScaledPixels(*Form, 231);
  EXPECT_GT(Form->listLocalDirectory->width(), Folders.width());
  EXPECT_EQ(Form->listLocalDirectory->height(), Folders.height() + Taller);
  EXPECT_GT(Form->mmoFiles->width(), Files.width());
  EXPECT_EQ(Form->mmoFiles->height(), Files.height() + Taller);
  EXPECT_GT(Form->cbbFileName->width(), Name.width());
  EXPECT_LE(TextWidth(*Form->cbbFileFormat), TextRoom(*Form->cbbFileFormat));
  // The bottom row moved down; Make keeps to the right edge of the file
  // list, with its caption no longer narrowed.
  EXPECT_EQ(Form->btnMake->y(), Make.y() + Taller);
  EXPECT_EQ(Form->btnMake->geometry().right(), Form->mmoFiles->geometry().right());
  EXPECT_EQ(Form->btnMake->font().stretch(), QFont::AnyStretch);
  EXPECT_EQ(Form->btnMake->width(), Form->btnMake->NaturalWidth());
  EXPECT_EQ(Form->btnFind->y(), Form->btnMake->y());
  EXPECT_EQ(Form->StatusBar->geometry().bottom(), Form->height() - 1);
  EXPECT_EQ(Form->StatusBar->width(), Form->width());
  const QRect Grown = Form->mmoFiles->geometry();
  Form.reset();
  EXPECT_TRUE(SettingsBytes().ends_with("\n[Window]\nWidth=700\nHeight=400\n")) << SettingsBytes();

  Form = NewForm();
  EXPECT_EQ(Form->ClientRect().size(), QSize(ScaledPixels(*Form, 700), ScaledPixels(*Form, 400)));
  EXPECT_EQ(Form->mmoFiles->geometry(), Grown);
  Form.reset();

  // A size the screen cannot hold, or one below the first, gives the first.
  for (const char* Size : {"Width=100000\nHeight=400\n", "Width=100\nHeight=100\n"}) {
    Form = NewForm(std::string("[Window]\n") + Size);
    EXPECT_EQ(Form->ClientRect().size(), QSize(ScaledPixels(*Form, 434), ScaledPixels(*Form, 231))) << Size;
    EXPECT_EQ(Form->mmoFiles->geometry(), Scaled(*Form, 192, 7, 236, 106)) << Size;
  }
}

TEST_F(TWindowTest, TheMenuBarHoldsTheCommandsTranslatedWithTheirKeys) {
  UseGerman();
  auto Form = NewForm();
  Form->show();
  Form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  EXPECT_EQ(Form->MainMenu->geometry(), QRect(0, 0, Form->width(), Form->ClientRect().top()));
  std::vector<String> Menus;
  for (const QAction* Menu : Form->MainMenu->actions())
    if (Menu->isVisible()) Menus.push_back(Menu->text().toStdU16String());
  EXPECT_EQ(Menus, (std::vector<String>{u"&Datei", u"&Optionen", u"&Hilfe"}));
  EXPECT_EQ(Form->mniTags->Caption(), u"Titel und Längen aus Tags");
  EXPECT_EQ(Form->mniFind->Caption(), u"&Suchen");
  EXPECT_EQ(Form->mniFind->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
  EXPECT_EQ(Form->mniMake->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(Form->mniQuit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  // Make follows its button: nothing to write before a Find.
  EXPECT_FALSE(Form->mniMake->isEnabled());
  EXPECT_FALSE(Form->btnMake->isEnabled());

  Form->mniAbout->trigger();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, u"Über Cantrel");
  const String About = Boxes.Shown[0].Text;
  EXPECT_TRUE(About.starts_with(u"Cantrel " CANTREL_TEST_VERSION u"\n")) << StringToUtf8(About);
  for (const StringView Part : {u"MIT", u"Deutsch (de)", u"(es)", u"(fr)", u"(ru)", u"(zh_CN)"})
    EXPECT_NE(About.find(Part), String::npos) << StringToUtf8(String(Part));

  QTest::keyClick(Form.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(TWindowTest, AFolderGivenFromOutsideBecomesTheCurrentFolder) {
  const String Music = ExcludeTrailingPathDelimiter(Temp.MakeDir("Music"));
  const String Other = ExcludeTrailingPathDelimiter(Temp.MakeDir("Other"));
  Temp.MakeFile("Other/a.mp3");
  auto Form = NewForm();
  Form->show();

  // As from the command line: shown, not searched.
  Form->OpenFolder(Music);
  EXPECT_EQ(Form->listLocalDirectory->Directory(), Music);
  EXPECT_FALSE(Form->Searching());
  EXPECT_EQ(Form->mmoFiles->Lines()->Count(), 0);
  EXPECT_TRUE(Boxes.Shown.empty());
  Form->OpenFolder(Music + u"/Missing");
  EXPECT_EQ(Form->listLocalDirectory->Directory(), Music);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_NE(Boxes.Shown[0].Text.find(u"/Missing\""), String::npos);

  // Dropped on the file list, as from a file manager; a file is refused.
  EXPECT_FALSE(Drop(*Form->mmoFiles->viewport(), Other + u"/a.mp3"));
  EXPECT_EQ(Form->listLocalDirectory->Directory(), Music);
  EXPECT_TRUE(Drop(*Form->mmoFiles->viewport(), Other));
  EXPECT_EQ(Form->listLocalDirectory->Directory(), Other);
  EXPECT_EQ(Form->mmoFiles->Lines()->Count(), 0);
  EXPECT_TRUE(Drop(*Form, Music));
  EXPECT_EQ(Form->listLocalDirectory->Directory(), Music);
  EXPECT_EQ(Boxes.Shown.size(), 1u);
}
