#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "Lines.h"
#include "WindowTestSupport.h"
#include "core/FilterTexts.h"
#include "runtime/Paths.h"
#include "widgets/Geometry.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

QRect Scaled(const QWidget& Control, int Left, int Top, int Width, int Height) {
  return {ScaledPixels(Control, Left), ScaledPixels(Control, Top), ScaledPixels(Control, Width),
          ScaledPixels(Control, Height)};
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

}  // namespace

TEST_F(TWindowTest, FirstStartShowsTheDefaultsAndEachOptionChangesOnlyItsOwn) {
  // An installed program finds no settings folder before its first close.
  const std::string Settings = Temp.Path() + "config/cantrel/cantrel.ini";
  auto Form = std::make_unique<TMainForm>(Utf8ToString(Settings));
  EXPECT_EQ(Form->Caption(), u"Cantrel");
  EXPECT_EQ(Form->size(), QSize(ScaledPixels(*Form, 434), ScaledPixels(*Form, 231)));
  EXPECT_EQ(Form->mmoFiles->geometry(), Scaled(*Form, 192, 7, 236, 106));
  EXPECT_EQ(Form->cbbFileFormat->geometry(), Scaled(*Form, 112, 40, 121, 21));
  EXPECT_EQ(Form->btnMake->geometry(), Scaled(*Form, 384, 185, 44, 22));
  EXPECT_EQ(Form->StatusBar->geometry(), Scaled(*Form, 0, 212, 434, 19));
  EXPECT_EQ(TabOrder(*Form, Form->mmoFiles),
            (std::vector<std::string>{"mmoFiles", "cbbLocalDriver", "listLocalDirectory", "cbbFileFilter", "cbbFileName",
                                      "cbbFileFormat", "btnFind", "btnMake", "chkFindRecursion", "chkUTF8"}));
  EXPECT_EQ(Form->focusWidget(), Form->listLocalDirectory);

  EXPECT_EQ(Form->listLocalDirectory->Directory(), ExcludeTrailingPathDelimiter(ExtractFilePath(ModuleFileName())));
  ASSERT_EQ(Form->cbbFileFilter->Items()->Count(), 10);
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
                                         StringToUtf8(DefaultVideoFilterText) + "\n\n[File]\nMinSize=102400\n");
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
  ASSERT_EQ(Form->cbbFileFilter->Items()->Count(), 10);
  EXPECT_EQ(Form->cbbFileFilter->Items()->Get(9), u"Clips (*.mkv;*.webm)");
  EXPECT_EQ(Form->cbbFileFilter->ItemIndex(), 0);
  Form.reset();
  EXPECT_EQ(SettingsBytes(), "; kept\n[File]\nMinSize=26\n[Filter]\nVideoFormat=Clips (*.mkv;*.webm)\n[Path]\nLastFolder=" +
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
