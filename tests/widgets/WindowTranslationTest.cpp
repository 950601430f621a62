#include <gtest/gtest.h>

#include <memory>

#include "I18nTestSupport.h"
#include "i18n/FileLocator.h"
#include "i18n/GettextComponentMarker.h"
#include "i18n/GettextInstance.h"
#include "runtime/Paths.h"
#include "widgets/ComboBox.h"
#include "widgets/DirectoryListBox.h"
#include "widgets/DriveComboBox.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/QtObjectAdapter.h"
#include "widgets/StatusBar.h"
#include "widgets/StdControls.h"

namespace cantrel::test {

template <class TControl, class... TArgs>
TControl* NewControl(QWidget* Parent, const char* Name, TArgs... Args) {
  auto* Control = new TControl(Parent, Args...);
  Control->setObjectName(Name);
  return Control;
}

std::vector<String> LinesOf(const TStrings& List) {
  std::vector<String> Lines;
  for (int I = 0; I < List.Count(); ++I) Lines.push_back(List[I]);
  return Lines;
}

// One control of each kind, as the window holds them, and a property that
// reaches the Find button a second time.
class TTestForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(cantrel::TButton* DefaultButton READ DefaultButton)

public:
  TTestForm() {
    setObjectName("MainForm");
    SetCaption(u"Cantrel test window");
    btnFind->SetCaption(u"Find");
    btnFind->setToolTip("Find");
    btnMake->SetCaption(u"Make");
    chkFindRecursion->SetCaption(u"Recursion");
    grpOption->SetCaption(u"Options");
    for (const char16_t* Item : {u"M3U File (*.m3u)", u"", u"xspf File (*.xspf)", u"Unknown"})
      cbbFileFormat->Items()->Add(Item);
    cbbFileFormat->SetItemIndex(2);
    cbbFileName->Items()->Add(u"playall.m3u");
    cbbFileName->SetText(u"my list.m3u");
    mmoFiles->Lines()->SetText(u"First file\n\nUntranslated file\n");
    for (const char16_t* Text : {u"Ready", u"", u"Searching"}) StatusBar->Panels()->Add()->SetText(Text);
    cbbLocalDriver->SetDirList(listLocalDirectory);
  }

  TButton* DefaultButton() const { return btnFind; }

  std::vector<String> Panels() const {
    std::vector<String> Texts;
    for (int I = 0; I < StatusBar->Panels()->Count(); ++I) Texts.push_back(StatusBar->Panels()->Items(I)->Text());
    return Texts;
  }

  TMemo* mmoFiles = NewControl<TMemo>(this, "mmoFiles");
  TDriveComboBox* cbbLocalDriver = NewControl<TDriveComboBox>(this, "cbbLocalDriver");
  TDirectoryListBox* listLocalDirectory = NewControl<TDirectoryListBox>(this, "listLocalDirectory");
  TGroupBox* grpOption = NewControl<TGroupBox>(this, "grpOption");
  TComboBox* cbbFileFormat = NewControl<TComboBox>(grpOption, "cbbFileFormat", TComboBox::csDropDownList);
  TComboBox* cbbFileName = NewControl<TComboBox>(grpOption, "cbbFileName", TComboBox::csDropDown);
  TButton* btnFind = NewControl<TButton>(this, "btnFind");
  TButton* btnMake = NewControl<TButton>(this, "btnMake");
  TCheckBox* chkFindRecursion = NewControl<TCheckBox>(this, "chkFindRecursion");
  TStatusBarEx* StatusBar = NewControl<TStatusBarEx>(this, "StatusBar");
};

class TWidgetsTranslationTest : public testing::Test {
protected:
  TWidgetsTranslationTest() {
    Engine.bindtextdomain(u"widgets_fixture", Utf8ToString(CANTREL_WIDGETS_CATALOGS "/"));
    Engine.UseLanguage(u"de");
  }

  TFileLocator Locator{ModuleFileName()};
  TGettextInstance Engine{Locator, ModuleFileName()};
  TMessageBoxRecorder Boxes;
  std::unique_ptr<TTestForm> Form = std::make_unique<TTestForm>();
  TObjectHandle Window = ObjectHandle(*Form);
};

TEST_F(TWidgetsTranslationTest, EveryTextOfTheWindowIsTranslatedOnce) {
  Engine.TranslateComponent(Window, u"widgets_fixture");

  EXPECT_EQ(Form->Caption(), u"Cantrel-Testfenster");
  EXPECT_EQ(Form->btnFind->Caption(), u"Suchen");  // reached twice, translated once
  EXPECT_EQ(Form->btnFind->toolTip(), "Find");     // Qt's own properties are not ours to walk
  EXPECT_EQ(Form->btnMake->Caption(), u"Erstellen");
  EXPECT_EQ(Form->btnMake->objectName(), "btnMake");  // a name is never a text
  EXPECT_EQ(Form->chkFindRecursion->Caption(), u"Rekursion");
  EXPECT_EQ(Form->grpOption->Caption(), u"Optionen");
  EXPECT_EQ(LinesOf(*Form->cbbFileFormat->Items()),
            std::vector<String>({u"M3U-Datei (*.m3u)", u"", u"XSPF-Datei (*.xspf)", u"Unknown"}));
  EXPECT_EQ(Form->cbbFileFormat->ItemIndex(), 2);
  EXPECT_EQ(Form->cbbFileFormat->Text(), u"XSPF-Datei (*.xspf)");
  EXPECT_EQ(Form->cbbFileName->Text(), u"my list.m3u");
  EXPECT_EQ(LinesOf(*Form->mmoFiles->Lines()), std::vector<String>({u"Erste Datei", u"", u"Untranslated file"}));
  Form->mmoFiles->Lines()->Flush();
  EXPECT_EQ(Form->mmoFiles->toPlainText(), "Erste Datei\n\nUntranslated file\n");
  EXPECT_EQ(Form->Panels(), std::vector<String>({u"Bereit", u"", u"Searching"}));

  // The walk saw our controls and the marker, never Qt's inner widgets.
  std::vector<String> Owned;
  for (const TObjectHandle& Component : Window.Components()) Owned.push_back(Component.Name());
  EXPECT_EQ(Owned, std::vector<String>({u"mmoFiles", u"cbbLocalDriver", u"listLocalDirectory", u"grpOption", u"btnFind",
                                        u"btnMake", u"chkFindRecursion", u"StatusBar", u"GettextMarker"}));
  EXPECT_EQ(ObjectHandle(*Form).Class().Ancestors, std::vector<String>({u"TForm", u"TComponent", u"TPersistent"}));
  EXPECT_EQ(ObjectHandle(*Form->StatusBar).Class().Ancestors,
            std::vector<String>({u"TStatusBar", u"TComponent", u"TPersistent"}));
  EXPECT_EQ(ObjectHandle(*Form->StatusBar->Panels()).Class().Ancestors,
            std::vector<String>({u"TCollection", u"TPersistent"}));
  std::vector<String> ButtonProperties;
  for (const TPropertyInfo& Property : ObjectHandle(*Form->btnFind).Properties())
    ButtonProperties.push_back(Property.Name);
  EXPECT_EQ(ButtonProperties, std::vector<String>({u"Name", u"Caption"}));

  // Once more in the same language: nothing changes, nothing is shown.
  Form->btnMake->SetCaption(u"Make");
  Engine.TranslateComponent(Window, u"widgets_fixture");
  EXPECT_EQ(Form->btnMake->Caption(), u"Make");
  EXPECT_EQ(Form->findChildren<QObject*>("GettextMarker", Qt::FindDirectChildrenOnly).size(), 1);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TWidgetsTranslationTest, AnIgnoredControlKeepsItsTextsForOneWalk) {
  Engine.TP_Ignore(u"btnMake");
  Engine.TP_Ignore(u"grpOption");
  Engine.TranslateProperties(Window, u"widgets_fixture");
  EXPECT_EQ(Form->btnMake->Caption(), u"Make");
  EXPECT_EQ(Form->grpOption->Caption(), u"Options");
  EXPECT_EQ(Form->cbbFileFormat->Items()->Get(0), u"M3U File (*.m3u)");  // owned by an ignored control
  EXPECT_EQ(Form->chkFindRecursion->Caption(), u"Rekursion");

  Engine.TranslateProperties(Window, u"widgets_fixture");
  EXPECT_EQ(Form->btnMake->Caption(), u"Erstellen");
  EXPECT_EQ(Form->grpOption->Caption(), u"Optionen");
}

TEST_F(TWidgetsTranslationTest, RetranslationSwitchesTheCatalogAndSkipsFreedControls) {
  Engine.TranslateComponent(Window, u"widgets_fixture");
  delete Form->chkFindRecursion;
  delete Form->cbbFileName;

  Engine.UseLanguage(u"fr");
  Engine.RetranslateComponent(Window);
  EXPECT_EQ(Form->Caption(), u"Cantrel test window");
  EXPECT_EQ(Form->btnFind->Caption(), u"Rechercher");
  EXPECT_EQ(Form->btnMake->Caption(), u"Make");
  EXPECT_EQ(Form->grpOption->Caption(), u"Options de recherche");
  EXPECT_EQ(LinesOf(*Form->cbbFileFormat->Items()),
            std::vector<String>({u"Fichier M3U (*.m3u)", u"", u"xspf File (*.xspf)", u"Unknown"}));
  EXPECT_EQ(Form->cbbFileFormat->ItemIndex(), 2);
  EXPECT_EQ(LinesOf(*Form->mmoFiles->Lines()), std::vector<String>({u"Premier fichier", u"", u"Untranslated file"}));
  EXPECT_EQ(Form->Panels(), std::vector<String>({u"Prêt", u"", u"Searching"}));
  EXPECT_EQ(AsMarker(Window.FindComponent(u"GettextMarker"))->LastLanguage, u"fr");
  EXPECT_TRUE(Boxes.Shown.empty());
}

}  // namespace cantrel::test

#include "WindowTranslationTest.moc"
