// Run only as the copy that the packaging tool gave the catalogs of
// tests/i18n/embedded; a catalog of tests/i18n/embedded-disk lies on disk
// beside it under the same path as the German one.
#include <gtest/gtest.h>

#include "i18n/Gettext.h"
#include "runtime/Paths.h"

using namespace cantrel;

class TEmbeddedCatalogTest : public testing::Test {
protected:
  TEmbeddedCatalogTest() { Engine.textdomain(u"embedded"); }

  const TGettextLayer Layer;
  TGettextInstance& Engine = *DefaultGettextInstance();
};

TEST_F(TEmbeddedCatalogTest, TheProgramFindsTheTableBehindItsMarker) {
  const TFileLocator& Locator = *GlobalFileLocator();
  EXPECT_EQ(Locator.BaseDirectory(), ExtractFilePath(ModuleFileName()));
  EXPECT_EQ(Locator.EmbeddedFileNames(), std::vector<String>({u"locale/de/LC_MESSAGES/embedded.mo",
                                                              u"locale/fr/LC_MESSAGES/embedded.mo"}));
  EXPECT_TRUE(Locator.FileExists(Engine.DefaultDomainDirectory() + u"/de/LC_MESSAGES/embedded.mo"));
  EXPECT_FALSE(Locator.FileExists(Engine.DefaultDomainDirectory() + u"/de/LC_MESSAGES/i18n_tests.mo"));
}

TEST_F(TEmbeddedCatalogTest, AnEmbeddedCatalogBeatsTheOneOnDisk) {
  Engine.UseLanguage(u"de_DE");
  EXPECT_EQ(gettext(u"Where from?"), u"Aus der ausführbaren Datei");
  EXPECT_EQ(gettext(u"Only on disk"), u"Only on disk");
  Engine.UseLanguage(u"fr");
  EXPECT_EQ(gettext(u"Where from?"), u"De l'exécutable");
}

TEST_F(TEmbeddedCatalogTest, EmbeddedLanguagesAreListed) {
  TStringList Languages;
  Engine.GetListOfLanguages(u"embedded", Languages);
  EXPECT_EQ(Languages.Text(), u"de\nfr\n");
}
