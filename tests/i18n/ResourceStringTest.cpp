#include <gtest/gtest.h>

#include "I18nTestSupport.h"
#include "TempDir.h"
#include "i18n/Gettext.h"
#include "i18n/GettextErrors.h"
#include "runtime/Component.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/Strings.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

// The identifier of "List index out of bounds (%d)" in the run-time's table.
constexpr int ListIndexErrorId = 65201;

String ListIndexError() {
  TStringList List;
  try {
    List.Get(5);
  } catch (const EStringListError& Error) {
    return Error.Message();
  }
  return u"no error";
}

String DuplicateError() {
  TStringList List;
  List.SetSorted(true);
  List.SetDuplicates(TDuplicates::dupError);
  List.Add(u"a");
  try {
    List.Add(u"a");
  } catch (const EStringListError& Error) {
    return Error.Message();
  }
  return u"no error";
}

// A running layer in German with the resource-string catalogs bound.
class TResourceStringTest : public testing::Test {
protected:
  TResourceStringTest() {
    Engine.bindtextdomain(u"default", FixtureCatalogs());
    Engine.bindtextdomain(u"extra", FixtureCatalogs());
    Engine.UseLanguage(u"de_CH");
  }

  const TScopedEnvironment Environment{{"LC_ALL", "C"}};
  const TGettextLayer Layer;
  TGettextInstance& Engine = *DefaultGettextInstance();
};

}  // namespace

TEST_F(TResourceStringTest, RunTimeMessagesAreLookedUpInTheDomainsInOrder) {
  EXPECT_EQ(ListIndexError(), u"Listenindex außerhalb des gültigen Bereichs (5)");
  EXPECT_EQ(DuplicateError(), u"String list does not allow duplicates");
  try {
    TComponent Owner;
    (new TComponent(&Owner))->SetName(u"btnFind");
    (new TComponent(&Owner))->SetName(u"btnFind");
    FAIL();
  } catch (const EComponentError& Error) {
    EXPECT_EQ(Error.Message(), u"Eine Komponente namens btnFind existiert bereits");
  }

  AddResourceStringDomain(u"extra");
  AddResourceStringDomain(u"EXTRA");
  EXPECT_EQ(DuplicateError(), u"Die Liste erlaubt keine Duplikate");
  // Found in "default" first, so "extra" is not asked.
  EXPECT_EQ(ListIndexError(), u"Listenindex außerhalb des gültigen Bereichs (5)");
  EXPECT_EQ(LoadResString(&SListIndexError), u"Listenindex außerhalb des gültigen Bereichs (%d)");
  EXPECT_EQ(LoadStr(ListIndexErrorId), u"Listenindex außerhalb des gültigen Bereichs (%d)");
  // Texts with no translation come back with the line-feed rule applied.
  EXPECT_EQ(LookupResourceString(u"Not translated\nanywhere"), u"Not translated\r\nanywhere");
  EXPECT_EQ(LookupResourceString(u""), u"");
  // A text given by address is never translated.
  static const char16_t Direct[] = u"List index out of bounds (%d)";
  const TResStringRec ByAddress{nullptr, reinterpret_cast<std::intptr_t>(Direct)};
  EXPECT_EQ(LoadResString(&ByAddress), u"List index out of bounds (%d)");
  EXPECT_EQ(LoadResString(nullptr), u"");
}

TEST(ResourceStringLayerTest, AfterShutDownTextsComeBackUnchanged) {
  {
    const TGettextLayer Layer;
    DefaultGettextInstance()->bindtextdomain(u"default", FixtureCatalogs());
    DefaultGettextInstance()->UseLanguage(u"de");
    EXPECT_EQ(ListIndexError(), u"Listenindex außerhalb des gültigen Bereichs (5)");
    EXPECT_EQ(LoadStr(ListIndexErrorId), u"Listenindex außerhalb des gültigen Bereichs (%d)");
  }
  EXPECT_EQ(ListIndexError(), u"List index out of bounds (5)");
  EXPECT_EQ(LoadStr(ListIndexErrorId), u"List index out of bounds (%d)");
  EXPECT_EQ(LookupResourceString(u"List index out of bounds (%d)"), u"List index out of bounds (%d)");
  EXPECT_EQ(DefaultGettextInstance(), nullptr);
}

TEST_F(TResourceStringTest, ABrokenCatalogCannotRecurseThroughItsOwnError) {
  TTempDir Temp;
  Temp.MakeFile("de/LC_MESSAGES/default.mo", "this is not a catalog");
  Engine.bindtextdomain(u"default", Temp.Folder());
  try {
    ListIndexError();
    FAIL();
  } catch (const EGettextIOError& Error) {
    EXPECT_EQ(Error.Message(),
              u"This file is not a valid GNU gettext mo file: " + Temp.Folder() + u"de/LC_MESSAGES/default.mo");
  }
  // Once repaired, the catalog opens on the next lookup.
  Temp.MakeFile("de/LC_MESSAGES/default.mo", ReadFileBytes(StringToUtf8(FixtureCatalogs() + u"de/LC_MESSAGES/default.mo")));
  EXPECT_EQ(ListIndexError(), u"Listenindex außerhalb des gültigen Bereichs (5)");
}

TEST_F(TResourceStringTest, CatalogProblemsAreToldInTheUsersLanguageWhenDefaultIsSound) {
  TMessageBoxRecorder Boxes;
  TTempDir Temp;
  EXPECT_EQ(BrokenCatalogError(Engine, Temp),
            u"Diese Datei ist kein gültiger GNU-gettext-Katalog: " + Temp.Folder() + u"de/LC_MESSAGES/broken.mo");
  Engine.bindtextdomainToFile(u"latin", FixtureCatalog("es"));
  EXPECT_EQ(Engine.dgettext(u"latin", u"Find"), u"Find");
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, u"Lokalisierungsproblem");
  EXPECT_EQ(Boxes.Shown[0].Text, u"Die Übersetzung für den Sprachcode de_CH (in " + FixtureCatalog("es") +
                                     u") gibt im Content-Type nicht charset=utf-8 an. Übersetzungen sind abgeschaltet.");
}
