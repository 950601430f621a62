#include <gtest/gtest.h>

#include <memory>

#include "I18nTestSupport.h"
#include "i18n/FileLocator.h"
#include "i18n/GettextComponentMarker.h"
#include "i18n/GettextErrors.h"
#include "i18n/GettextInstance.h"
#include "i18n/StringListAdapter.h"
#include "runtime/Locale.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

// A stand-in for a toolkit's object: a class, properties given as functions,
// owned components (the marker last) and collection items.
struct TFakeProperty {
  String Name;
  TTypeKind Kind;
  std::function<TPropertyValue()> Get;
  // Empty for a read-only property.
  std::function<void(const TPropertyValue&)> Set;
};

class TFakeObject {
public:
  explicit TFakeObject(TClassHandle AClass, TFakeObject* Owner = nullptr, String AName = {})
      : Class(std::move(AClass)), Name(std::move(AName)) {
    if (Owner) Owner->Owned.emplace_back(this);
    if (Class.InheritsFrom(ComponentClass()))
      Properties.push_back({u"Name", TTypeKind::tkUString, [this] { return TPropertyValue(Name); },
                            [this](const TPropertyValue& Value) { Name = std::get<String>(Value); }});
  }
  virtual ~TFakeObject() = default;
  TFakeObject(const TFakeObject&) = delete;
  TFakeObject& operator=(const TFakeObject&) = delete;

  // A text property kept in Field.
  void AddText(const String& PropName, String& Field, TTypeKind Kind = TTypeKind::tkUString) {
    Properties.push_back({PropName, Kind, [&Field] { return TPropertyValue(Field); },
                          [&Field](const TPropertyValue& Value) { Field = std::get<String>(Value); }});
  }

  TClassHandle Class;
  String Name;
  std::vector<TFakeProperty> Properties;
  std::vector<std::unique_ptr<TFakeObject>> Owned;
  std::unique_ptr<TGettextComponentMarker> Marker;
  std::vector<TFakeObject*> Items;
};

TObjectHandle Handle(TFakeObject& Object);

class TFakeAdapter : public TObjectAdapter {
public:
  TClassHandle ClassOf(void* Object) const override { return Of(Object).Class; }
  std::vector<TPropertyInfo> Properties(void* Object) const override {
    std::vector<TPropertyInfo> Result;
    for (const TFakeProperty& Property : Of(Object).Properties)
      Result.push_back({Property.Name, Property.Kind, Property.Set != nullptr});
    return Result;
  }
  TPropertyValue GetProperty(void* Object, StringView Name) const override { return Find(Object, Name).Get(); }
  void SetProperty(void* Object, StringView Name, const TPropertyValue& Value) const override {
    Find(Object, Name).Set(Value);
  }
  String Name(void* Object) const override { return Of(Object).Name; }
  std::vector<TObjectHandle> Components(void* Object) const override {
    std::vector<TObjectHandle> Result;
    for (const auto& Component : Of(Object).Owned) Result.push_back(Handle(*Component));
    if (Of(Object).Marker) Result.push_back(MarkerHandle(*Of(Object).Marker));
    return Result;
  }
  void InsertComponent(void* Object, std::unique_ptr<TGettextComponentMarker> Marker) const override {
    Of(Object).Marker = std::move(Marker);
  }
  std::vector<TObjectHandle> CollectionItems(void* Object) const override {
    std::vector<TObjectHandle> Result;
    for (TFakeObject* Item : Of(Object).Items) Result.push_back(Handle(*Item));
    return Result;
  }

private:
  static TFakeObject& Of(void* Object) { return *static_cast<TFakeObject*>(Object); }
  static const TFakeProperty& Find(void* Object, StringView Name) {
    for (const TFakeProperty& Property : Of(Object).Properties)
      if (Property.Name == Name) return Property;
    throw Exception(String(u"no such property"));
  }
};

TObjectHandle Handle(TFakeObject& Object) {
  static const TFakeAdapter Adapter;
  return {&Adapter, &Object};
}

TClassHandle Derived(const TClassHandle& Parent, String Name) {
  TClassHandle Class{std::move(Name), {Parent.Name}};
  Class.Ancestors.insert(Class.Ancestors.end(), Parent.Ancestors.begin(), Parent.Ancestors.end());
  return Class;
}

const TClassHandle FontClass = Derived(PersistentClass(), u"TTestFont");
const TClassHandle ControlClass = Derived(ComponentClass(), u"TTestControl");
const TClassHandle ButtonClass = Derived(ControlClass, u"TTestButton");
const TClassHandle ComboBoxClass = Derived(ControlClass, u"TTestComboBox");
const TClassHandle StatusBarClass = Derived(ControlClass, u"TTestStatusBar");
const TClassHandle FaultyClass = Derived(ControlClass, u"TFaultyControl");
const TClassHandle PanelClass = Derived(Derived(PersistentClass(), u"TCollectionItem"), u"TTestPanel");

// A persistent object that two controls share.
struct TTestFont : TFakeObject {
  TTestFont() : TFakeObject(FontClass) { AddText(u"Caption", Caption); }
  String Caption;
};

// A control with a caption, a hint, a read-only title, a number and a font.
struct TTestControl : TFakeObject {
  TTestControl(TFakeObject* Owner, const String& AName, const String& ACaption,
               const TClassHandle& AClass = ControlClass)
      : TFakeObject(AClass, Owner, AName), Caption(ACaption) {
    Properties.push_back({u"Caption", TTypeKind::tkUString, [this] { return TPropertyValue(Caption); },
                          [this](const TPropertyValue& Value) {
                            Caption = std::get<String>(Value);
                            ++CaptionWrites;
                          }});
    AddText(u"Hint", Hint, TTypeKind::tkWString);
    Properties.push_back({u"Title", TTypeKind::tkUString, [this] { return TPropertyValue(Caption); }, nullptr});
    Properties.push_back({u"Tag", TTypeKind::tkOther, nullptr, [](const TPropertyValue&) {}});
    Properties.push_back({u"Font", TTypeKind::tkClass,
                          [this] { return TPropertyValue(Font ? Handle(*Font) : TObjectHandle()); }, nullptr});
  }

  String Caption;
  String Hint;
  TFakeObject* Font = nullptr;
  int CaptionWrites = 0;
};

// Lines kept by a class the walk does not know, so they are replaced in
// place.
class TTestLines : public TStrings {
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

struct TTestComboBox : TTestControl {
  TTestComboBox(TFakeObject* Owner, const String& AName) : TTestControl(Owner, AName, {}, ComboBoxClass) {
    Properties.push_back(
        {u"Items", TTypeKind::tkClass, [this] { return TPropertyValue(StringListHandle(Items)); }, nullptr});
    Properties.push_back(
        {u"Lines", TTypeKind::tkClass, [this] { return TPropertyValue(StringListHandle(Lines)); }, nullptr});
  }
  TStringList Items;
  TTestLines Lines;
};

struct TTestPanel : TFakeObject {
  explicit TTestPanel(const String& AText) : TFakeObject(PanelClass), Text(AText) { AddText(u"Text", Text); }
  String Text;
};

struct TTestStatusBar : TTestControl {
  TTestStatusBar(TFakeObject* Owner, const String& AName) : TTestControl(Owner, AName, {}, StatusBarClass) {
    Panels.AddText(u"PropName", PropName);
    Properties.push_back({u"Panels", TTypeKind::tkClass, [this] { return TPropertyValue(Handle(Panels)); }, nullptr});
  }
  void AddPanel(const String& Text) {
    PanelItems.push_back(std::make_unique<TTestPanel>(Text));
    Panels.Items.push_back(PanelItems.back().get());
  }

  TFakeObject Panels{CollectionClass()};
  String PropName = u"Panels";
  std::vector<std::unique_ptr<TTestPanel>> PanelItems;
};

// A control whose property "Broken" cannot be read.
struct TFaultyControl : TTestControl {
  TFaultyControl(TFakeObject* Owner, const String& AName, const String& ACaption)
      : TTestControl(Owner, AName, ACaption, FaultyClass) {
    Properties.push_back({u"Broken", TTypeKind::tkUString,
                          []() -> TPropertyValue { throw Exception(String(u"disk on fire")); },
                          [](const TPropertyValue&) {}});
  }
};

// A form with two buttons sharing the form's font, a combo box with items
// and lines carrying objects, and a status bar with panels.
struct TTestWindow {
  TTestWindow() {
    Form.Hint = u"Hint text";
    Form.Font = &Font;
    Find->Font = &Font;
    Font.Caption = u"Chain start";
    for (const char16_t* Item : {u"M3U playlist", u"", u"XSPF playlist", u"Unknown"})
      Combo->Items.AddObject(Item, &Tags[Combo->Items.Count()]);
    for (const char16_t* Line : {u"Ready", u"", u"Options"})
      Combo->Lines.AddObject(Line, &Tags[3 - Combo->Lines.Count()]);
    for (const char16_t* Text : {u"Ready", u"Searching", u""}) Status->AddPanel(Text);
  }

  std::vector<String> Items() const { return Lines(Combo->Items); }
  std::vector<String> ComboLines() const { return Lines(Combo->Lines); }
  std::vector<String> Panels() const {
    std::vector<String> Result;
    for (const auto& Panel : Status->PanelItems) Result.push_back(Panel->Text);
    return Result;
  }
  bool ObjectsStayOnTheirLines() const {
    for (int I = 0; I < 4; ++I)
      if (Combo->Items.GetObject(I) != &Tags[I]) return false;
    for (int I = 0; I < 3; ++I)
      if (Combo->Lines.GetObject(I) != &Tags[3 - I]) return false;
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
  TTestControl* Find = new TTestControl(&Form, u"Find", u"Find", ButtonClass);
  TTestControl* Make = new TTestControl(&Form, u"btnMake", u"Make", ButtonClass);
  TTestControl* Label = new TTestControl(&Form, u"lblNote", u"Nothing to translate");
  TTestComboBox* Combo = new TTestComboBox(&Form, u"cbbFileFormat");
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
  TObjectHandle Form = Handle(Window.Form);
};

TGettextComponentMarker* MarkerOf(const TObjectHandle& Component) {
  return AsMarker(Component.FindComponent(u"GettextMarker"));
}

}  // namespace

TEST_F(TWindowTranslationTest, EveryTextIsTranslatedOnceAndAMarkerIsLeft) {
  Engine.TranslateComponent(Form, u"fixture");

  EXPECT_EQ(Window.Form.Caption, u"Musikordner");
  EXPECT_EQ(Window.Form.Hint, u"Hinweistext");
  EXPECT_EQ(Window.Find->Caption, u"Suchen");
  EXPECT_EQ(Window.Find->Name, u"Find");  // a name is never a text
  EXPECT_EQ(Window.Make->Caption, u"Erstellen");
  EXPECT_EQ(Window.Font.Caption, u"Chain middle");  // reached twice, translated once
  EXPECT_EQ(Window.Items(), std::vector<String>({u"M3U-Wiedergabeliste", u"", u"XSPF-Wiedergabeliste", u"Unknown"}));
  EXPECT_EQ(Window.ComboLines(), std::vector<String>({u"Bereit", u"", u"Optionen"}));
  EXPECT_EQ(Window.Combo->Lines.Updates, 1);
  EXPECT_TRUE(Window.ObjectsStayOnTheirLines());
  EXPECT_EQ(Window.Panels(), std::vector<String>({u"Bereit", u"Suche läuft", u""}));
  EXPECT_EQ(Window.Status->PropName, u"Panels");
  // Written only where the translation differs.
  EXPECT_EQ(Window.Label->CaptionWrites, 0);
  EXPECT_EQ(Window.Find->CaptionWrites, 1);

  ASSERT_EQ(Form.Components().size(), 6u);
  TGettextComponentMarker* Marker = MarkerOf(Form);
  ASSERT_NE(Marker, nullptr);
  EXPECT_EQ(AsMarker(Form.Components()[5]), Marker);
  EXPECT_EQ(Marker->LastLanguage, u"de");
  ASSERT_NE(Marker->Retranslator, nullptr);
  EXPECT_EQ(Marker->Retranslator->TextDomain, u"fixture");
  // Every non-empty writable text is remembered, translated or not.
  const auto& Items = Marker->Retranslator->Items();
  const auto Remembered = [&](const void* Obj, StringView Propname, StringView OldValue) {
    return std::any_of(Items.begin(), Items.end(), [&](const TTP_RetranslatorItem& Item) {
      return Item.Obj.Object == Obj && Item.Propname == Propname && Item.OldValue == OldValue;
    });
  };
  EXPECT_TRUE(Remembered(Window.Label, u"Caption", u"Nothing to translate"));
  EXPECT_TRUE(
      Remembered(static_cast<TStrings*>(&Window.Combo->Items), u"Text", u"M3U playlist\n\nXSPF playlist\nUnknown\n"));
  EXPECT_FALSE(Remembered(Window.Find, u"Name", u"Find"));
  EXPECT_FALSE(Remembered(Window.Find, u"Title", u"Find"));

  // Translating again in the same language changes and shows nothing.
  Window.Make->Caption = u"Make";
  Engine.TranslateComponent(Form, u"fixture");
  EXPECT_EQ(Window.Make->Caption, u"Make");
  EXPECT_EQ(Form.Components().size(), 6u);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TWindowTranslationTest, IgnoredNamesHoldForOneWalkOnly) {
  Engine.textdomain(u"fixture");
  Engine.TP_Ignore(u"btnMake");
  Engine.TP_Ignore(u".Caption");
  Engine.TP_Ignore(u"FIND.caption");
  Engine.TranslateProperties(Form);
  EXPECT_EQ(Window.Make->Caption, u"Make");
  EXPECT_EQ(Window.Form.Caption, u"Music folder");
  EXPECT_EQ(Window.Form.Hint, u"Hinweistext");
  EXPECT_EQ(Window.Find->Caption, u"Find");
  EXPECT_EQ(Window.Font.Caption, u"Chain start");  // reached through a property, so ".Caption" names it too
  EXPECT_EQ(MarkerOf(Form), nullptr);

  Engine.TranslateProperties(Form);
  EXPECT_EQ(Window.Make->Caption, u"Erstellen");
  EXPECT_EQ(Window.Form.Caption, u"Musikordner");
  EXPECT_EQ(Window.Find->Caption, u"Suchen");
}

TEST_F(TWindowTranslationTest, ClassRulesKeepClassesAndPropertiesOut) {
  std::vector<String> Handled;
  Engine.TP_GlobalHandleClass(StatusBarClass, [&](const TObjectHandle& Obj) { Handled.push_back(Obj.Name()); });
  Engine.TP_GlobalIgnoreClassProperty(ButtonClass, u"Hint");
  Engine.TP_IgnoreClass(ComboBoxClass);
  Engine.TP_IgnoreClassProperty(ControlClass, u"Caption");
  Window.Find->Hint = u"Hint text";
  Window.Label->Hint = u"Hint text";
  Engine.TranslateProperties(Form, u"fixture");
  EXPECT_EQ(Handled, std::vector<String>({u"StatusBar"}));
  EXPECT_EQ(Window.Panels(), std::vector<String>({u"Ready", u"Searching", u""}));
  EXPECT_EQ(Window.Items()[0], u"M3U playlist");
  EXPECT_EQ(Window.Find->Caption, u"Find");
  EXPECT_EQ(Window.Form.Caption, u"Music folder");
  EXPECT_EQ(Window.Find->Hint, u"Hint text");
  EXPECT_EQ(Window.Label->Hint, u"Hinweistext");

  // The per-call rules are gone; the global ones stay.
  Engine.TranslateProperties(Form, u"fixture");
  EXPECT_EQ(Handled, std::vector<String>({u"StatusBar", u"StatusBar"}));
  EXPECT_EQ(Window.Items()[0], u"M3U-Wiedergabeliste");
  EXPECT_EQ(Window.Find->Caption, u"Suchen");
  EXPECT_EQ(Window.Find->Hint, u"Hint text");

  const auto Message = [](const std::function<void()>& Call) {
    try {
      Call();
    } catch (const Exception& Error) {
      return Error.Message();
    }
    return String(u"no error");
  };
  Engine.TP_GlobalIgnoreClass(ComboBoxClass);
  EXPECT_EQ(Message([&] { Engine.TP_GlobalIgnoreClass(ComboBoxClass); }),
            u"You cannot add a class to the ignore List that is already on that List: TTestComboBox. You should keep "
            u"all TP_Global functions in one place in your source code.");
  EXPECT_EQ(Message([&] { Engine.TP_GlobalIgnoreClassProperty(StatusBarClass, u"Caption"); }),
            u"You cannot ignore a class property for a class that has a handler set.");
  EXPECT_EQ(Message([&] { Engine.TP_GlobalHandleClass(ButtonClass, nullptr); }),
            u"You cannot set a handler for a class that has already been assigned otherwise.");
  Engine.TP_GlobalIgnoreClassProperty(ButtonClass, u"hint");  // listed already: no error
  Engine.TP_IgnoreClass(ButtonClass);
  EXPECT_EQ(Message([&] { Engine.TP_IgnoreClass(ButtonClass); }),
            u"You cannot add a class to the ignore List that is already on that List: TTestButton.");
  Engine.TP_IgnoreClassProperty(ControlClass, u"Hint");
  EXPECT_EQ(Message([&] { Engine.TP_IgnoreClassProperty(ControlClass, u"HINT"); }),
            u"String list does not allow duplicates");
}

TEST_F(TWindowTranslationTest, ADerivedClassRuleComesBeforeItsAncestors) {
  std::vector<String> Calls;
  Engine.TP_GlobalHandleClass(ControlClass, [&](const TObjectHandle&) { Calls.push_back(u"control"); });
  Engine.TP_GlobalHandleClass(ButtonClass, [&](const TObjectHandle&) { Calls.push_back(u"button"); });
  Engine.TranslateProperties(Handle(*Window.Find), u"fixture");
  Engine.TranslateProperties(Handle(*Window.Label), u"fixture");
  EXPECT_EQ(Calls, std::vector<String>({u"button", u"control"}));
}

TEST_F(TWindowTranslationTest, RetranslationFollowsALanguageSwitch) {
  try {
    Engine.RetranslateComponent(Form);
    FAIL();
  } catch (const EGettextProgrammingError& Error) {
    EXPECT_EQ(Error.Message(),
              u"Retranslate was called on an object that has not been translated before. Please "
              u"use TranslateComponent() before RetranslateComponent().");
  }
  Engine.TranslateComponent(Form, u"fixture");
  Engine.RetranslateComponent(Form);  // same language: nothing to do
  EXPECT_EQ(Window.Find->CaptionWrites, 1);

  Engine.textdomain(u"elsewhere");  // the domain of the first translation is kept
  Engine.UseLanguage(u"fr_FR");
  Engine.RetranslateComponent(Form);
  EXPECT_EQ(Window.Find->Caption, u"Rechercher");
  EXPECT_EQ(Window.Make->Caption, u"Créer");
  EXPECT_EQ(Window.Form.Caption, u"Music folder");  // no French for it
  EXPECT_EQ(Window.Label->CaptionWrites, 1);        // written even when unchanged
  EXPECT_EQ(Window.Items(), std::vector<String>({u"Liste M3U", u"", u"Liste XSPF", u"Unknown"}));
  EXPECT_EQ(Window.ComboLines(), std::vector<String>({u"Prêt", u"", u"Options de recherche"}));
  EXPECT_TRUE(Window.ObjectsStayOnTheirLines());
  EXPECT_EQ(Window.Panels(), std::vector<String>({u"Prêt", u"Searching", u""}));
  EXPECT_EQ(MarkerOf(Form)->LastLanguage, u"fr_FR");
  EXPECT_TRUE(Boxes.Shown.empty());

  // TranslateComponent cannot switch a translated window: it only says so.
  Engine.UseLanguage(u"de");
  Engine.TranslateComponent(Form, u"fixture");
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, u"Error");
  EXPECT_EQ(Boxes.Shown[0].Text,
            u"This application tried to switch the language, but in an incorrect way. The programmer needs to replace "
            u"a call to TranslateComponent with a call to RetranslateComponent(). The programmer should see the "
            u"changelog of the translation engine for more information.");
  EXPECT_EQ(Window.Find->Caption, u"Rechercher");
  EXPECT_EQ(MarkerOf(Form)->LastLanguage, u"de");
  EXPECT_EQ(Form.Components().size(), 6u);
}

TEST_F(TWindowTranslationTest, AnUnreadablePropertyEndsTheWalkWithItsName) {
  auto* Faulty = new TFaultyControl(&Window.Form, u"Faulty", u"Make");
  try {
    Engine.TranslateComponent(Form, u"fixture");
    FAIL();
  } catch (const EGettextComponentError& Error) {
    EXPECT_EQ(Error.Message(),
              u"Property cannot be translated.\r\nAdd TP_GlobalIgnoreClassProperty(TFaultyControl, 'Broken') to your "
              u"source code or use\r\nTP_Ignore (self, '.Broken') to prevent this message.\r\nReason: disk on fire");
  }
  // What came before stays translated; no marker was left.
  EXPECT_EQ(Window.Form.Caption, u"Musikordner");
  EXPECT_EQ(MarkerOf(Form), nullptr);

  Engine.TP_GlobalIgnoreClassProperty(FaultyClass, u"Broken");
  Engine.TranslateComponent(Form, u"fixture");
  EXPECT_EQ(Faulty->Caption, u"Erstellen");
  ASSERT_NE(MarkerOf(Form), nullptr);
}

namespace {

// 8-bit texts: a long string in the design-time code page, a short one in
// the user's.
struct TLegacyLabel : TFakeObject {
  TLegacyLabel() : TFakeObject(Derived(ComponentClass(), u"TLegacyLabel")) {
    for (auto [PropName, Kind, Field] :
         {std::tuple(u"Long", TTypeKind::tkLString, &Long), std::tuple(u"Short", TTypeKind::tkString, &Short)})
      Properties.push_back({PropName, Kind, [Field] { return TPropertyValue(*Field); },
                            [Field](const TPropertyValue& Value) { *Field = std::get<std::string>(Value); }});
  }
  std::string Long = "Legacy caption";
  std::string Short = "Caf\xe9";
};

}  // namespace

TEST_F(TWindowTranslationTest, EightBitPropertiesAreConvertedBothWays) {
  SetUserLocaleName("de_DE");
  Engine.SetDesignTimeCodePage(1252);
  TLegacyLabel Label;
  Engine.TranslateProperties(Handle(Label), u"fixture");
  EXPECT_EQ(Label.Long, "Altes \xc4");
  EXPECT_EQ(Label.Short, "Kaffeehaus");

  Engine.SetDesignTimeCodePage(932);
  Label.Long = "ab\x82";
  EXPECT_THROW(Engine.TranslateProperties(Handle(Label), u"fixture"), EGettextComponentError);
  SetUserLocaleName("");
}
