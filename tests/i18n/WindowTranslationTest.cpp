#include <gtest/gtest.h>

#include "I18nTestSupport.h"
#include "i18n/FileLocator.h"
#include "i18n/GettextComponentMarker.h"
#include "i18n/GettextErrors.h"
#include "i18n/GettextInstance.h"
#include "runtime/Collection.h"
#include "runtime/Locale.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

// A persistent object that two controls share.
class TTestFont : public TPersistent {
  CANTREL_DECLARE_CLASS();

public:
  String Caption() const { return FCaption; }
  void SetCaption(const String& Value) { FCaption = Value; }

private:
  String FCaption;
};

const TClassInfo& TTestFont::StaticClass() {
  static const TClassInfo Info(u"TTestFont", &TPersistent::StaticClass(),
                               {StringProperty<TTestFont>(u"Caption", &TTestFont::Caption, &TTestFont::SetCaption)});
  return Info;
}

const TClassInfo& TTestFont::ClassType() const { return StaticClass(); }

// A control with a caption, a hint, a read-only title, a number and a font.
class TTestControl : public TComponent {
  CANTREL_DECLARE_CLASS();

public:
  TTestControl(TComponent* AOwner, const String& AName, const String& ACaption) : TComponent(AOwner) {
    SetName(AName);
    FCaption = ACaption;
  }

  String Caption() const { return FCaption; }
  void SetCaption(const String& Value) {
    FCaption = Value;
    ++CaptionWrites;
  }
  String Hint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  String Title() const { return FCaption; }
  TTestFont* Font() const { return FFont; }
  void SetFont(TTestFont* Value) { FFont = Value; }

  int CaptionWrites = 0;

private:
  String FCaption;
  String FHint;
  TTestFont* FFont = nullptr;
};

const TClassInfo& TTestControl::StaticClass() {
  static const TClassInfo Info(
      u"TTestControl", &TComponent::StaticClass(),
      {StringProperty<TTestControl>(u"Caption", &TTestControl::Caption, &TTestControl::SetCaption),
       StringProperty<TTestControl>(u"Hint", &TTestControl::Hint, &TTestControl::SetHint, TTypeKind::tkWString),
       StringProperty<TTestControl>(u"Title", &TTestControl::Title),
       TPropInfo{u"Tag", TTypeKind::tkOther, [](const TObject&) { return TPropValue(std::int64_t{7}); },
                 [](TObject&, const TPropValue&) {}},
       ObjectProperty<TTestControl>(u"Font", &TTestControl::Font)});
  return Info;
}

const TClassInfo& TTestControl::ClassType() const { return StaticClass(); }

class TTestButton : public TTestControl {
  CANTREL_DECLARE_CLASS();

public:
  using TTestControl::TTestControl;
};

const TClassInfo& TTestButton::StaticClass() {
  static const TClassInfo Info(u"TTestButton", &TTestControl::StaticClass());
  return Info;
}

const TClassInfo& TTestButton::ClassType() const { return StaticClass(); }

// Lines kept by a class the walk does not know, so they are replaced in
// place.
class TTestLines : public TStrings {
  CANTREL_DECLARE_CLASS();

public:
  int Count() const override { return static_cast<int>(FLines.size()); }
  String Get(int Index) const override { return FLines.at(static_cast<std::size_t>(Index)).first; }
  TObject* GetObject(int Index) const override { return FLines.at(static_cast<std::size_t>(Index)).second; }
  void PutObject(int Index, TObject* Object) override { FLines.at(static_cast<std::size_t>(Index)).second = Object; }
  void Insert(int Index, const String& S) override { FLines.insert(FLines.begin() + Index, {S, nullptr}); }
  void Delete(int Index) override { FLines.erase(FLines.begin() + Index); }
  void Clear() override { FLines.clear(); }

  int Updates = 0;

protected:
  void SetUpdateState(bool Updating) override { Updates += Updating ? 1 : 0; }

private:
  std::vector<std::pair<String, TObject*>> FLines;
};

const TClassInfo& TTestLines::StaticClass() {
  static const TClassInfo Info(u"TTestLines", &TStrings::StaticClass());
  return Info;
}

const TClassInfo& TTestLines::ClassType() const { return StaticClass(); }

class TTestComboBox : public TTestControl {
  CANTREL_DECLARE_CLASS();

public:
  using TTestControl::TTestControl;
  TStringList* Items() const { return &FItems; }
  TTestLines* Lines() const { return &FLines; }

private:
  mutable TStringList FItems;
  mutable TTestLines FLines;
};

const TClassInfo& TTestComboBox::StaticClass() {
  static const TClassInfo Info(u"TTestComboBox", &TTestControl::StaticClass(),
                               {ObjectProperty<TTestComboBox>(u"Items", &TTestComboBox::Items),
                                ObjectProperty<TTestComboBox>(u"Lines", &TTestComboBox::Lines)});
  return Info;
}

const TClassInfo& TTestComboBox::ClassType() const { return StaticClass(); }

class TTestPanel : public TCollectionItem {
  CANTREL_DECLARE_CLASS();

public:
  using TCollectionItem::TCollectionItem;
  String Text() const { return FText; }
  void SetText(const String& Value) { FText = Value; }

private:
  String FText;
};

const TClassInfo& TTestPanel::StaticClass() {
  static const TClassInfo Info(u"TTestPanel", &TCollectionItem::StaticClass(),
                               {StringProperty<TTestPanel>(u"Text", &TTestPanel::Text, &TTestPanel::SetText)});
  return Info;
}

const TClassInfo& TTestPanel::ClassType() const { return StaticClass(); }

class TTestStatusBar : public TTestControl {
  CANTREL_DECLARE_CLASS();

public:
  TTestStatusBar(TComponent* AOwner, const String& AName) : TTestControl(AOwner, AName, {}) {
    FPanels.SetPropName(u"Panels");
  }
  TCollection* Panels() const { return &FPanels; }
  void AddPanel(const String& Text) { static_cast<TTestPanel*>(FPanels.Add())->SetText(Text); }
  String PanelText(int Index) const { return static_cast<TTestPanel*>(FPanels.Items(Index))->Text(); }

private:
  mutable TCollection FPanels{ItemClass<TTestPanel>()};
};

const TClassInfo& TTestStatusBar::StaticClass() {
  static const TClassInfo Info(u"TTestStatusBar", &TTestControl::StaticClass(),
                               {ObjectProperty<TTestStatusBar>(u"Panels", &TTestStatusBar::Panels)});
  return Info;
}

const TClassInfo& TTestStatusBar::ClassType() const { return StaticClass(); }

// A control whose property "Broken" cannot be read.
class TFaultyControl : public TTestControl {
  CANTREL_DECLARE_CLASS();

public:
  using TTestControl::TTestControl;
  String Broken() const { throw Exception(String(u"disk on fire")); }
  void SetBroken(const String&) {}
};

const TClassInfo& TFaultyControl::StaticClass() {
  static const TClassInfo Info(
      u"TFaultyControl", &TTestControl::StaticClass(),
      {StringProperty<TFaultyControl>(u"Broken", &TFaultyControl::Broken, &TFaultyControl::SetBroken)});
  return Info;
}

const TClassInfo& TFaultyControl::ClassType() const { return StaticClass(); }

// A form with two buttons sharing the form's font, a combo box with items
// and lines carrying objects, and a status bar with panels.
struct TTestWindow {
  TTestWindow() {
    Form.SetHint(u"Hint text");
    Form.SetFont(&Font);
    Find->SetFont(&Font);
    Font.SetCaption(u"Chain start");
    for (const char16_t* Item : {u"M3U playlist", u"", u"XSPF playlist", u"Unknown"})
      Combo->Items()->AddObject(Item, &Tags[Combo->Items()->Count()]);
    for (const char16_t* Line : {u"Ready", u"", u"Options"}) Combo->Lines()->AddObject(Line, &Tags[3 - Combo->Lines()->Count()]);
    for (const char16_t* Text : {u"Ready", u"Searching", u""}) Status->AddPanel(Text);
  }

  std::vector<String> Items() const { return Lines(*Combo->Items()); }
  std::vector<String> ComboLines() const { return Lines(*Combo->Lines()); }
  std::vector<String> Panels() const {
    std::vector<String> Result;
    for (int I = 0; I < Status->Panels()->Count(); ++I) Result.push_back(Status->PanelText(I));
    return Result;
  }
  bool ObjectsStayOnTheirLines() const {
    for (int I = 0; I < 4; ++I)
      if (Combo->Items()->GetObject(I) != &Tags[I]) return false;
    for (int I = 0; I < 3; ++I)
      if (Combo->Lines()->GetObject(I) != &Tags[3 - I]) return false;
    return true;
  }

  static std::vector<String> Lines(const TStrings& List) {
    std::vector<String> Result;
    for (int I = 0; I < List.Count(); ++I) Result.push_back(List[I]);
    return Result;
  }

  TTestFont Font;
  TPersistent Tags[4];
  TTestControl Form{nullptr, u"MainForm", u"Music folder"};
  TTestButton* Find = new TTestButton(&Form, u"Find", u"Find");
  TTestButton* Make = new TTestButton(&Form, u"btnMake", u"Make");
  TTestControl* Label = new TTestControl(&Form, u"lblNote", u"Nothing to translate");
  TTestComboBox* Combo = new TTestComboBox(&Form, u"cbbFileFormat", u"");
  TTestStatusBar* Status = new TTestStatusBar(&Form, u"StatusBar");
};

class TWindowTranslationTest : public testing::Test {
protected:
  TWindowTranslationTest() {
    Engine.bindtextdomain(u"fixture", FixtureCatalogs());
    Engine.UseLanguage(u"de");
  }

  TFileLocator Locator{ModuleFileName()};
  TGettextInstance Engine{Locator, ModuleFileName()};
  TMessageBoxRecorder Boxes;
  TTestWindow Window;
};

TGettextComponentMarker* MarkerOf(const TComponent& Component) {
  return dynamic_cast<TGettextComponentMarker*>(Component.FindComponent(u"GettextMarker"));
}

}  // namespace

TEST_F(TWindowTranslationTest, EveryTextIsTranslatedOnceAndAMarkerIsLeft) {
  Engine.TranslateComponent(Window.Form, u"fixture");

  EXPECT_EQ(Window.Form.Caption(), u"Musikordner");
  EXPECT_EQ(Window.Form.Hint(), u"Hinweistext");
  EXPECT_EQ(Window.Find->Caption(), u"Suchen");
  EXPECT_EQ(Window.Find->Name(), u"Find");  // a name is never a text
  EXPECT_EQ(Window.Make->Caption(), u"Erstellen");
  EXPECT_EQ(Window.Font.Caption(), u"Chain middle");  // reached twice, translated once
  EXPECT_EQ(Window.Items(), std::vector<String>({u"M3U-Wiedergabeliste", u"", u"XSPF-Wiedergabeliste", u"Unknown"}));
  EXPECT_EQ(Window.ComboLines(), std::vector<String>({u"Bereit", u"", u"Optionen"}));
  EXPECT_EQ(Window.Combo->Lines()->Updates, 1);
  EXPECT_TRUE(Window.ObjectsStayOnTheirLines());
  EXPECT_EQ(Window.Panels(), std::vector<String>({u"Bereit", u"Suche läuft", u""}));
  EXPECT_EQ(Window.Status->Panels()->PropName(), u"Panels");
  // Written only where the translation differs.
  EXPECT_EQ(Window.Label->CaptionWrites, 0);
  EXPECT_EQ(Window.Find->CaptionWrites, 1);

  ASSERT_EQ(Window.Form.ComponentCount(), 6);
  TGettextComponentMarker* Marker = MarkerOf(Window.Form);
  ASSERT_NE(Marker, nullptr);
  EXPECT_EQ(Window.Form.Components(5), Marker);
  EXPECT_EQ(Marker->LastLanguage, u"de");
  ASSERT_NE(Marker->Retranslator, nullptr);
  EXPECT_EQ(Marker->Retranslator->TextDomain, u"fixture");
  // Every non-empty writable text is remembered, translated or not.
  const auto& Items = Marker->Retranslator->Items();
  const auto Remembered = [&](TObject* Obj, StringView Propname, StringView OldValue) {
    return std::any_of(Items.begin(), Items.end(), [&](const TTP_RetranslatorItem& Item) {
      return Item.Obj == Obj && Item.Propname == Propname && Item.OldValue == OldValue;
    });
  };
  EXPECT_TRUE(Remembered(Window.Label, u"Caption", u"Nothing to translate"));
  EXPECT_TRUE(Remembered(Window.Combo->Items(), u"Text", u"M3U playlist\n\nXSPF playlist\nUnknown\n"));
  EXPECT_FALSE(Remembered(Window.Find, u"Name", u"Find"));
  EXPECT_FALSE(Remembered(Window.Find, u"Title", u"Find"));

  // Translating again in the same language changes and shows nothing.
  Window.Make->SetCaption(u"Make");
  Engine.TranslateComponent(Window.Form, u"fixture");
  EXPECT_EQ(Window.Make->Caption(), u"Make");
  EXPECT_EQ(Window.Form.ComponentCount(), 6);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TWindowTranslationTest, IgnoredNamesHoldForOneWalkOnly) {
  Engine.textdomain(u"fixture");
  Engine.TP_Ignore(u"btnMake");
  Engine.TP_Ignore(u".Caption");
  Engine.TP_Ignore(u"FIND.caption");
  Engine.TranslateProperties(Window.Form);
  EXPECT_EQ(Window.Make->Caption(), u"Make");
  EXPECT_EQ(Window.Form.Caption(), u"Music folder");
  EXPECT_EQ(Window.Form.Hint(), u"Hinweistext");
  EXPECT_EQ(Window.Find->Caption(), u"Find");
  EXPECT_EQ(Window.Font.Caption(), u"Chain start");  // reached through a property, so ".Caption" names it too
  EXPECT_EQ(MarkerOf(Window.Form), nullptr);

  Engine.TranslateProperties(Window.Form);
  EXPECT_EQ(Window.Make->Caption(), u"Erstellen");
  EXPECT_EQ(Window.Form.Caption(), u"Musikordner");
  EXPECT_EQ(Window.Find->Caption(), u"Suchen");
}

TEST_F(TWindowTranslationTest, ClassRulesKeepClassesAndPropertiesOut) {
  std::vector<String> Handled;
  Engine.TP_GlobalHandleClass(TTestStatusBar::StaticClass(), [&](TObject& Obj) {
    Handled.push_back(static_cast<TComponent&>(Obj).Name());
  });
  Engine.TP_GlobalIgnoreClassProperty(TTestButton::StaticClass(), u"Hint");
  Engine.TP_IgnoreClass(TTestComboBox::StaticClass());
  Engine.TP_IgnoreClassProperty(TTestControl::StaticClass(), u"Caption");
  Window.Find->SetHint(u"Hint text");
  Window.Label->SetHint(u"Hint text");
  Engine.TranslateProperties(Window.Form, u"fixture");
  EXPECT_EQ(Handled, std::vector<String>({u"StatusBar"}));
  EXPECT_EQ(Window.Panels(), std::vector<String>({u"Ready", u"Searching", u""}));
  EXPECT_EQ(Window.Items()[0], u"M3U playlist");
  EXPECT_EQ(Window.Find->Caption(), u"Find");
  EXPECT_EQ(Window.Form.Caption(), u"Music folder");
  EXPECT_EQ(Window.Find->Hint(), u"Hint text");
  EXPECT_EQ(Window.Label->Hint(), u"Hinweistext");

  // The per-call rules are gone; the global ones stay.
  Engine.TranslateProperties(Window.Form, u"fixture");
  EXPECT_EQ(Handled, std::vector<String>({u"StatusBar", u"StatusBar"}));
  EXPECT_EQ(Window.Items()[0], u"M3U-Wiedergabeliste");
  EXPECT_EQ(Window.Find->Caption(), u"Suchen");
  EXPECT_EQ(Window.Find->Hint(), u"Hint text");

  const auto Message = [](const std::function<void()>& Call) {
    try {
      Call();
    } catch (const Exception& Error) {
      return Error.Message();
    }
    return String(u"no error");
  };
  Engine.TP_GlobalIgnoreClass(TTestComboBox::StaticClass());
  EXPECT_EQ(Message([&] { Engine.TP_GlobalIgnoreClass(TTestComboBox::StaticClass()); }),
            u"You cannot add a class to the ignore List that is already on that List: TTestComboBox. You should keep "
            u"all TP_Global functions in one place in your source code.");
  EXPECT_EQ(Message([&] { Engine.TP_GlobalIgnoreClassProperty(TTestStatusBar::StaticClass(), u"Caption"); }),
            u"You cannot ignore a class property for a class that has a handler set.");
  EXPECT_EQ(Message([&] { Engine.TP_GlobalHandleClass(TTestButton::StaticClass(), nullptr); }),
            u"You cannot set a handler for a class that has already been assigned otherwise.");
  Engine.TP_GlobalIgnoreClassProperty(TTestButton::StaticClass(), u"hint");  // listed already: no error
  Engine.TP_IgnoreClass(TTestButton::StaticClass());
  EXPECT_EQ(Message([&] { Engine.TP_IgnoreClass(TTestButton::StaticClass()); }),
            u"You cannot add a class to the ignore List that is already on that List: TTestButton.");
  Engine.TP_IgnoreClassProperty(TTestControl::StaticClass(), u"Hint");
  EXPECT_EQ(Message([&] { Engine.TP_IgnoreClassProperty(TTestControl::StaticClass(), u"HINT"); }),
            u"String list does not allow duplicates");
}

TEST_F(TWindowTranslationTest, ADerivedClassRuleComesBeforeItsAncestors) {
  std::vector<String> Calls;
  Engine.TP_GlobalHandleClass(TTestControl::StaticClass(), [&](TObject&) { Calls.push_back(u"control"); });
  Engine.TP_GlobalHandleClass(TTestButton::StaticClass(), [&](TObject&) { Calls.push_back(u"button"); });
  Engine.TranslateProperties(*Window.Find, u"fixture");
  Engine.TranslateProperties(*Window.Label, u"fixture");
  EXPECT_EQ(Calls, std::vector<String>({u"button", u"control"}));
}

TEST_F(TWindowTranslationTest, RetranslationFollowsALanguageSwitch) {
  try {
    Engine.RetranslateComponent(Window.Form);
    FAIL();
  } catch (const EGettextProgrammingError& Error) {
    EXPECT_EQ(Error.Message(), u"Retranslate was called on an object that has not been translated before. Please "
                               u"use TranslateComponent() before RetranslateComponent().");
  }
  Engine.TranslateComponent(Window.Form, u"fixture");
  Engine.RetranslateComponent(Window.Form);  // same language: nothing to do
  EXPECT_EQ(Window.Find->CaptionWrites, 1);

  Engine.textdomain(u"elsewhere");  // the domain of the first translation is kept
  Engine.UseLanguage(u"fr_FR");
  Engine.RetranslateComponent(Window.Form);
  EXPECT_EQ(Window.Find->Caption(), u"Rechercher");
  EXPECT_EQ(Window.Make->Caption(), u"Créer");
  EXPECT_EQ(Window.Form.Caption(), u"Music folder");  // no French for it
  EXPECT_EQ(Window.Label->CaptionWrites, 1);           // written even when unchanged
  EXPECT_EQ(Window.Items(), std::vector<String>({u"Liste M3U", u"", u"Liste XSPF", u"Unknown"}));
  EXPECT_EQ(Window.ComboLines(), std::vector<String>({u"Prêt", u"", u"Options de recherche"}));
  EXPECT_TRUE(Window.ObjectsStayOnTheirLines());
  EXPECT_EQ(Window.Panels(), std::vector<String>({u"Prêt", u"Searching", u""}));
  EXPECT_EQ(MarkerOf(Window.Form)->LastLanguage, u"fr_FR");
  EXPECT_TRUE(Boxes.Shown.empty());

  // TranslateComponent cannot switch a translated window: it only says so.
  Engine.UseLanguage(u"de");
  Engine.TranslateComponent(Window.Form, u"fixture");
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, u"Error");
  EXPECT_EQ(Boxes.Shown[0].Text,
            u"This application tried to switch the language, but in an incorrect way. The programmer needs to replace "
            u"a call to TranslateComponent with a call to RetranslateComponent(). The programmer should see the "
            u"changelog of the translation engine for more information.");
  EXPECT_EQ(Window.Find->Caption(), u"Rechercher");
  EXPECT_EQ(MarkerOf(Window.Form)->LastLanguage, u"de");
  EXPECT_EQ(Window.Form.ComponentCount(), 6);
}

TEST_F(TWindowTranslationTest, AnUnreadablePropertyEndsTheWalkWithItsName) {
  auto* Faulty = new TFaultyControl(&Window.Form, u"Faulty", u"Make");
  try {
    Engine.TranslateComponent(Window.Form, u"fixture");
    FAIL();
  } catch (const EGettextComponentError& Error) {
    EXPECT_EQ(Error.Message(),
              u"Property cannot be translated.\r\nAdd TP_GlobalIgnoreClassProperty(TFaultyControl, 'Broken') to your "
              u"source code or use\r\nTP_Ignore (self, '.Broken') to prevent this message.\r\nReason: disk on fire");
  }
  // What came before stays translated; no marker was left.
  EXPECT_EQ(Window.Form.Caption(), u"Musikordner");
  EXPECT_EQ(MarkerOf(Window.Form), nullptr);

  Engine.TP_GlobalIgnoreClassProperty(TFaultyControl::StaticClass(), u"Broken");
  Engine.TranslateComponent(Window.Form, u"fixture");
  EXPECT_EQ(Faulty->Caption(), u"Erstellen");
  ASSERT_NE(MarkerOf(Window.Form), nullptr);
}

namespace {

class TLegacyLabel : public TComponent {
  CANTREL_DECLARE_CLASS();

public:
  std::string Long() const { return FLong; }
  void SetLong(const std::string& Value) { FLong = Value; }
  std::string Short() const { return FShort; }
  void SetShort(const std::string& Value) { FShort = Value; }

private:
  std::string FLong = "Legacy caption";
  std::string FShort = "Caf\xe9";
};

const TClassInfo& TLegacyLabel::StaticClass() {
  static const TClassInfo Info(
      u"TLegacyLabel", &TComponent::StaticClass(),
      {AnsiStringProperty<TLegacyLabel>(u"Long", &TLegacyLabel::Long, &TLegacyLabel::SetLong),
       AnsiStringProperty<TLegacyLabel>(u"Short", &TLegacyLabel::Short, &TLegacyLabel::SetShort, TTypeKind::tkString)});
  return Info;
}

const TClassInfo& TLegacyLabel::ClassType() const { return StaticClass(); }

}  // namespace

TEST_F(TWindowTranslationTest, EightBitPropertiesAreConvertedBothWays) {
  SetUserLocaleName("de_DE");
  Engine.SetDesignTimeCodePage(1252);
  TLegacyLabel Label;
  Engine.TranslateProperties(Label, u"fixture");
  EXPECT_EQ(Label.Long(), "Altes \xc4");
  EXPECT_EQ(Label.Short(), "Kaffeehaus");

  Engine.SetDesignTimeCodePage(932);
  Label.SetLong("ab\x82");
  EXPECT_THROW(Engine.TranslateProperties(Label, u"fixture"), EGettextComponentError);
  SetUserLocaleName("");
}
