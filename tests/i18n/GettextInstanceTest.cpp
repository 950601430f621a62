#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "I18nTestSupport.h"
#include "TempDir.h"
#include "i18n/FileLocator.h"
#include "i18n/Gettext.h"
#include "i18n/GettextErrors.h"
#include "i18n/GettextInstance.h"
#include "i18n/LanguageCode.h"
#include "runtime/Paths.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

// An engine of its own with the fixture catalogs bound and German chosen.
class TEngineTest : public testing::Test {
protected:
  TEngineTest() {
    Engine.bindtextdomain(u"fixture", FixtureCatalogs());
    Engine.textdomain(u"fixture");
    Engine.UseLanguage(u"de");
  }

  std::vector<String> Languages(const String& Domain) {
    TStringList List;
    Engine.GetListOfLanguages(Domain, List);
    std::vector<String> Result;
    for (int I = 0; I < List.Count(); ++I) Result.push_back(List[I]);
    return Result;
  }

  TFileLocator Locator{ModuleFileName()};
  TGettextInstance Engine{Locator, ModuleFileName()};
};

// Reports the engine's notifications.
class TRecordingInstance : public TGettextInstance {
public:
  using TGettextInstance::TGettextInstance;
  std::vector<String> Calls;

protected:
  void LanguageChanged(const String& Code) override { Calls.push_back(u"language " + Code); }
  void DomainChanged(const String& Domain) override { Calls.push_back(u"domain " + Domain); }
  void DomainDirectoryChanged(const String& Domain, const String& Directory) override {
    Calls.push_back(u"directory " + Domain + u" " + Directory);
  }
};

String ExecutableFolder() { return ExtractFilePath(ModuleFileName()); }

}  // namespace

TEST(GettextLayerTest, LanguageComesFromTheEnvironmentCutAtTheFirstDot) {
  const TScopedEnvironment Environment{{"LC_ALL", std::nullopt}, {"LC_MESSAGES", std::nullopt},
                                       {"LANG", "de_AT.UTF-8@euro"}};
  const TGettextLayer Layer;
  TGettextInstance& Engine = *DefaultGettextInstance();
  EXPECT_EQ(Engine.GetCurrentLanguage(), u"de_AT");
  EXPECT_EQ(Engine.getcurrenttextdomain(), u"default");
  EXPECT_EQ(Engine.DefaultDomainDirectory(), ExecutableFolder() + u"locale");
  EXPECT_EQ(GlobalFileLocator()->BaseDirectory(), u"");
  // No catalog under de_AT: the one under de is used.
  Engine.bindtextdomain(u"fixture", FixtureCatalogs());
  EXPECT_EQ(dgettext(u"fixture", u"Find"), u"Suchen");
  // The program's own domain is found beside the executable.
  textdomain(u"i18n_tests");
  EXPECT_EQ(gettext(u"Cantrel"), u"Cantrel auf Deutsch");
  // A code given explicitly is taken as it stands.
  Engine.UseLanguage(u"de.UTF-8");
  EXPECT_EQ(Engine.GetCurrentLanguage(), u"de.UTF-8");
  EXPECT_EQ(gettext(u"Cantrel"), u"Cantrel auf Deutsch");
  EXPECT_THROW(TGettextLayer(), EGettextProgrammingError);
}

TEST(GettextLayerTest, LcAllThenLcMessagesThenLangChooseTheLanguage) {
  const struct {
    std::optional<std::string> All, Messages, Lang;
    const char16_t* Expected;
  } Cases[] = {
      {"de_DE.UTF-8", std::nullopt, "en_US.UTF-8", u"de_DE"},
      {std::nullopt, "en_US.UTF-8", "de_DE.UTF-8", u"en_US"},
      {"", "sv_FI", "de_DE", u"sv_FI"},
      {"C", "de_DE", "de_DE", u"C"},
      {std::nullopt, "", "pt_BR.ISO-8859-1", u"pt_BR"},
      {"ast_ES", std::nullopt, std::nullopt, u"ast_ES"},
      {"POSIX", std::nullopt, std::nullopt, u"C"},
      {std::nullopt, std::nullopt, std::nullopt, u"C"},
  };
  for (const auto& Case : Cases) {
    const TScopedEnvironment Environment{{"LC_ALL", Case.All}, {"LC_MESSAGES", Case.Messages}, {"LANG", Case.Lang}};
    EXPECT_EQ(OSLanguageCode(), Case.Expected);
    const TGettextLayer Layer;
    EXPECT_EQ(DefaultGettextInstance()->GetCurrentLanguage(), Case.Expected);
  }
  // What the user sees: German over an English LANG, English over a German one.
  const TScopedEnvironment German{{"LC_ALL", "de_DE.UTF-8"}, {"LC_MESSAGES", std::nullopt}, {"LANG", "en_US.UTF-8"}};
  {
    const TGettextLayer Layer;
    DefaultGettextInstance()->bindtextdomain(u"fixture", FixtureCatalogs());
    EXPECT_EQ(dgettext(u"fixture", u"Find"), u"Suchen");
  }
  const TScopedEnvironment English{{"LC_ALL", std::nullopt}, {"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "de_DE.UTF-8"}};
  const TGettextLayer Layer;
  DefaultGettextInstance()->bindtextdomain(u"fixture", FixtureCatalogs());
  EXPECT_EQ(dgettext(u"fixture", u"Find"), u"Find");
}

TEST(GettextLayerTest, WithoutALayerTextsComeBackUnchanged) {
  EXPECT_EQ(DefaultGettextInstance(), nullptr);
  EXPECT_EQ(gettext(u"Find"), u"Find");
  EXPECT_EQ(dgettext(u"fixture", u"a\nb"), u"a\nb");
  textdomain(u"fixture");
  AddResourceStringDomain(u"fixture");
  EXPECT_EQ(LookupResourceString(u"Find"), u"Find");
}

TEST_F(TEngineTest, CarriageReturnsAreDroppedFromKeysAndAddedBeforeLineFeeds) {
  EXPECT_EQ(Engine.gettext(u"Find"), u"Suchen");
  EXPECT_EQ(Engine.gettext(u"First line\r\nSecond line"), u"Erste Zeile\r\nZweite Zeile");
  EXPECT_EQ(Engine.gettext(u"First line\nSecond line"), u"Erste Zeile\r\nZweite Zeile");
  EXPECT_EQ(Engine.gettext(u"First\r line\nSecond line"), u"Erste Zeile\r\nZweite Zeile");
  EXPECT_EQ(Engine.gettext(u"\nLeading break"), u"\nFührender Umbruch\r\nund mehr");
  EXPECT_EQ(Engine.gettext(u"Mixed breaks"), u"Gemischte\r\nUmbrüche");
  // Untranslated texts follow the same rules.
  EXPECT_EQ(Engine.gettext(u"one\ntwo\r\nthree\n"), u"one\r\ntwo\r\nthree\r\n");
  EXPECT_EQ(Engine.gettext(u"\nfirst"), u"\nfirst");
  EXPECT_EQ(Engine.dgettext(u"nowhere", u"\r\r"), u"");
  EXPECT_EQ(Engine.dgettext(u"nowhere", u"Find"), u"Find");
  // A text holding a byte kept from a file name survives untranslated.
  EXPECT_EQ(Engine.gettext(String(u"Caf\xdce9")), String(u"Caf\xdce9"));
  Engine.SetEnabled(false);
  EXPECT_EQ(Engine.gettext(u"Find\n!"), u"Find\n!");
}

TEST_F(TEngineTest, TheEmptyTextFindsTheHeaderAndItsFields) {
  const String Header = Engine.gettext(u"");
  EXPECT_NE(Header.find(u"Project-Id-Version: Cantrel tests\r\n"), String::npos);
  EXPECT_EQ(Engine.GetTranslationProperty(u"last-translator"), u"Anna Muster <anna@example.org>");
  EXPECT_EQ(Engine.GetTranslatorNameAndEmail(), u"Anna Muster <anna@example.org>");
  EXPECT_EQ(Engine.GetTranslationProperty(u"Plural-Forms"), u"nplurals=2; plural=(n != 1);");
  EXPECT_EQ(Engine.GetTranslationProperty(u"Last"), u"");
  EXPECT_EQ(Engine.GetTranslationProperty(u"X-Absent"), u"");
  Engine.textdomain(u"nowhere");
  EXPECT_EQ(Engine.gettext(u""), u"");
  EXPECT_EQ(Engine.GetTranslationProperty(u"Language"), u"");
}

TEST_F(TEngineTest, PluralFormsFollowTheLanguageOnlyWhenTranslated) {
  EXPECT_EQ(Engine.ngettext(u"%d file", u"%d files", 1), u"%d Datei");
  EXPECT_EQ(Engine.ngettext(u"%d file", u"%d files", 0), u"%d Dateien");
  EXPECT_EQ(Engine.ngettext(u"%d file", u"%d files", -1), u"%d Datei");
  EXPECT_EQ(Engine.ngettext(u"%d song", u"%d songs", 1), u"%d song");
  EXPECT_EQ(Engine.ngettext(u"%d song", u"%d songs", 2), u"%d songs");
  EXPECT_EQ(Engine.ngettext(u"%d song", u"%d songs", 0), u"%d songs");

  Engine.UseLanguage(u"pl_PL");
  EXPECT_EQ(Engine.ngettext(u"%d file", u"%d files", 1), u"%d plik");
  EXPECT_EQ(Engine.ngettext(u"%d file", u"%d files", 22), u"%d pliki");
  EXPECT_EQ(Engine.ngettext(u"%d file", u"%d files", 21), u"%d plików");
  EXPECT_EQ(Engine.ngettext(u"%d file", u"%d files", 12), u"%d plików");
  // Fewer forms than the rule asks for: the last one.
  EXPECT_EQ(Engine.ngettext(u"%d folder", u"%d folders", 5), u"%d foldery");
  // Untranslated texts take the English rule whatever the language.
  EXPECT_EQ(Engine.ngettext(u"%d song", u"%d songs", 5), u"%d songs");
  EXPECT_EQ(Engine.ngettext(u"%d song", u"%d songs", 1), u"%d song");

  Engine.UseLanguage(u"fr");
  EXPECT_EQ(Engine.dngettext(u"fixture", u"%d file", u"%d files", 0), u"%d fichier");
  EXPECT_EQ(Engine.ngettext(std::string("%d file"), std::string("%d files"), 2), u"%d fichiers");
}

TEST_F(TEngineTest, ACatalogNotDeclaredUtf8IsRefusedOnceForGood) {
  TMessageBoxRecorder Boxes;
  Engine.UseLanguage(u"es_MX");
  EXPECT_EQ(Engine.gettext(u"Find"), u"Find");
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, u"Localization problem");
  EXPECT_EQ(Boxes.Shown[0].Text, u"The translation for the language code es_MX (in " + FixtureCatalog("es") +
                                     u") does not have charset=utf-8 in its Content-Type. Translations are turned off.");
  EXPECT_EQ(Engine.gettext(u"Find"), u"Find");
  Engine.UseLanguage(u"de");
  EXPECT_EQ(Engine.gettext(u"Find"), u"Find");  // the domain stays off
  EXPECT_EQ(Boxes.Shown.size(), 1u);
  // Other domains are not affected.
  Engine.bindtextdomainToFile(u"other", FixtureCatalog("de"));
  EXPECT_EQ(Engine.dgettext(u"other", u"Find"), u"Suchen");
}

TEST_F(TEngineTest, TranslationsDecodeUtf8StrictlyButAcceptEveryPlane) {
  EXPECT_EQ(Engine.gettext(u"Music"), u"Musik 🎵");
  EXPECT_EQ(Engine.gettext(u"Music").size(), 8u);  // a surrogate pair

  TTempDir Temp;
  std::string Bytes = ReadFileBytes(StringToUtf8(FixtureCatalog("de")));
  Bytes.replace(Bytes.find("XXXXXX"), 6, "X\xffXXXX");
  Bytes.replace(Bytes.find("YYYYYY"), 6, "YYYYY\xe2");
  Temp.MakeFile("patched.mo", Bytes);
  Engine.bindtextdomainToFile(u"patched", Temp.Folder() + u"patched.mo");
  try {
    Engine.dgettext(u"patched", u"Broken");
    FAIL();
  } catch (const Exception& Error) {
    EXPECT_EQ(Error.Message(), u"Invalid byte sequence encountered in utf-8 string");
  }
  try {
    Engine.dgettext(u"patched", u"Truncated");
    FAIL();
  } catch (const Exception& Error) {
    EXPECT_EQ(Error.Message(), u"Utf-8 string terminated unexpectedly in the middle of a multibyte sequence");
  }
  EXPECT_EQ(Engine.dgettext(u"patched", u"Find"), u"Suchen");
}

TEST_F(TEngineTest, EightBitTextsAreConvertedWithTheDesignTimeCodePage) {
  Engine.SetDesignTimeCodePage(1252);
  EXPECT_EQ(Engine.gettext(std::string("Caf\xe9")), u"Kaffeehaus");
  EXPECT_EQ(Engine.dgettext(u"fixture", std::string("Find")), u"Suchen");
  EXPECT_EQ(Engine.ansi2wide("\x80 5"), u"€ 5");
  Engine.SetDesignTimeCodePage(1251);
  EXPECT_EQ(Engine.ansi2wide("\xc4\xe0"), u"Да");
  Engine.SetDesignTimeCodePage(932);
  try {
    Engine.gettext(std::string("ab\x82"));
    FAIL();
  } catch (const EGettextAnsi2WideConvError& Error) {
    EXPECT_EQ(Error.Message().substr(0, 47), u"Cannot convert AnsiString to UnicodeString:\r\nab");
  }
}

TEST_F(TEngineTest, LanguagesAreListedFromDiskByFolder) {
  EXPECT_EQ(Languages(u"fixture"), std::vector<String>({u"de", u"es", u"fr", u"pl"}));
  EXPECT_EQ(Languages(u"nowhere"), std::vector<String>());

  TTempDir Temp;
  Temp.MakeFile("pt_BR/LC_MESSAGES/music.mo", "x");
  Temp.MakeFile("de/LC_MESSAGES/music.mo", "x");
  Temp.MakeFile("fr/LC_MESSAGES/other.mo", "x");
  Temp.MakeDir("it/LC_MESSAGES/music.mo");  // a folder, not a catalog
  Temp.MakeFile("readme.txt", "x");
  Engine.bindtextdomain(u"music", Temp.Folder());
  EXPECT_EQ(Languages(u"music"), std::vector<String>({u"de", u"pt_BR"}));
  Engine.bindtextdomainToFile(u"music", FixtureCatalog("pl"));
  EXPECT_EQ(Languages(u"music"), std::vector<String>());
}

TEST_F(TEngineTest, ABoundFileServesEveryLanguage) {
  Engine.bindtextdomainToFile(u"bound", FixtureCatalog("fr"));
  EXPECT_EQ(Engine.dgettext(u"bound", u"Find"), u"Rechercher");
  Engine.UseLanguage(u"pl");
  EXPECT_EQ(Engine.dgettext(u"bound", u"Find"), u"Rechercher");
  // Binding a directory again unbinds the file.
  Engine.bindtextdomain(u"bound", FixtureCatalogs());
  EXPECT_EQ(Engine.dgettext(u"bound", u"Find"), u"Find");
}

TEST_F(TEngineTest, DomainsOnTheSameFileShareOneCatalog) {
  Engine.bindtextdomainToFile(u"one", FixtureCatalog("de"));
  Engine.bindtextdomainToFile(u"two", FixtureCatalog("de"));
  EXPECT_EQ(Engine.dgettext(u"one", u"Make"), u"Erstellen");
  EXPECT_EQ(Engine.dgettext(u"TWO", u"Make"), u"Erstellen");  // domain names ignore case
  const std::shared_ptr<TMoFile> Probe = Locator.GetMoFile(FixtureCatalog("de"));
  EXPECT_EQ(Probe.use_count(), 3);  // "fixture" has not opened it yet
  Engine.UseLanguage(u"fr");  // closes both domains' catalogs
  EXPECT_EQ(Probe.use_count(), 1);
}

TEST_F(TEngineTest, ABrokenCatalogRaisesAndIsTriedAgain) {
  TTempDir Temp;
  EXPECT_EQ(BrokenCatalogError(Engine, Temp),
            u"This file is not a valid GNU gettext mo file: " + Temp.Folder() + u"de/LC_MESSAGES/broken.mo");
  Temp.MakeFile("de/LC_MESSAGES/broken.mo", ReadFileBytes(StringToUtf8(FixtureCatalog("de"))));
  EXPECT_EQ(Engine.dgettext(u"broken", u"Find"), u"Suchen");
}

TEST_F(TEngineTest, ATranslationFillingOtherConversionsIsNotUsedAndItsCatalogToldOfOnce) {
  TTempDir Temp;
  // Compiled without msgfmt's format checks, as a careless catalog would be.
  Temp.MakeFile("checked.po", R"(msgid ""
msgstr "Content-Type: text/plain; charset=UTF-8\nPlural-Forms: nplurals=2; plural=(n%10!=1);\n"
msgid "cannot search \"%s\": %s"
msgstr "%s%n%x"
msgid "%d files in %s"
msgstr "%2$s: %1$d Dateien"
msgid "%d folder could not be read."
msgid_plural "%d folders could not be read."
msgstr[0] "Ein Ordner konnte nicht gelesen werden."
msgstr[1] "%d Ordner konnten nicht gelesen werden."
msgid "%s: %d song"
msgid_plural "%s: %d songs"
msgstr[0] "%d Lied: %s"
msgstr[1] "%s: %d Lieder"
)");
  const String Catalog = Temp.Folder() + u"checked.mo";
  ASSERT_EQ(std::system((CANTREL_MSGFMT " -o " + Temp.Path() + "checked.mo " + Temp.Path() + "checked.po").c_str()), 0);
  Engine.bindtextdomainToFile(u"checked", Catalog);
  TMessageBoxRecorder Boxes;
  EXPECT_EQ(Engine.dgettext(u"checked", u"cannot search \"%s\": %s"), u"cannot search \"%s\": %s");
  EXPECT_EQ(Engine.dgettext(u"checked", u"%d files in %s"), u"%d files in %s");
  // A plural form may leave out the number; one that moves it is refused.
  const auto Folders = [&](int N) {
    return Engine.dngettext(u"checked", u"%d folder could not be read.", u"%d folders could not be read.", N);
  };
  EXPECT_EQ(Folders(1), u"Ein Ordner konnte nicht gelesen werden.");
  EXPECT_EQ(Folders(3), u"%d Ordner konnten nicht gelesen werden.");
  EXPECT_EQ(Engine.dngettext(u"checked", u"%s: %d song", u"%s: %d songs", 2), u"%s: %d songs");
  // The header is no text to be filled.
  EXPECT_NE(Engine.dgettext(u"checked", u"").find(u"n%10"), String::npos);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, u"Localization problem");
  EXPECT_EQ(Boxes.Shown[0].Text, u"The translation of \"cannot search \"%s\": %s\" in " + Catalog +
                                     u" does not keep the placeholders of the text in their order. Such translations "
                                     u"are not used.");
}

TEST_F(TEngineTest, TheDebugLogWritesUnlessPausedOrDiscarded) {
  TTempDir Temp;
  const String Log = Temp.Folder() + u"debug.log";
  Engine.DebugLogToFile(Log);
  Engine.dgettext(u"fixture", u"Find");
  Engine.UseLanguage(u"fr");
  Engine.DebugLogPause(true);
  Engine.dgettext(u"fixture", u"Find");
  Engine.DebugLogPause(false);
  std::vector<std::string> Seen;
  Engine.OnDebugLine = [&](TGettextInstance&, const std::string& Line, bool& Discard) {
    Seen.push_back(Line);
    Discard = true;
  };
  Engine.UseLanguage(u"xx");
  Engine.dgettext(u"fixture", u"Find");
  EXPECT_EQ(ReadFileBytes(StringToUtf8(Log)),
            "Domain fixture: opening " + StringToUtf8(FixtureCatalog("de")) + "\nLanguage code: fr\n");
  EXPECT_EQ(Seen, std::vector<std::string>({"Language code: xx", "Domain fixture: no catalog at " +
                                                                      StringToUtf8(FixtureCatalogs()) +
                                                                      "xx/LC_MESSAGES/fixture.mo"}));
  EXPECT_THROW(Engine.DebugLogToFile(Temp.Folder() + u"missing/debug.log"), EFCreateError);
}

TEST(GettextInstanceTest, DerivedEnginesHearOfChanges) {
  TFileLocator Locator(ModuleFileName());
  TRecordingInstance Engine(Locator, ModuleFileName());
  Engine.UseLanguage(u"de");
  Engine.textdomain(u"fixture");
  Engine.bindtextdomain(u"fixture", u"/catalogs");
  EXPECT_EQ(Engine.Calls, std::vector<String>({u"language de", u"domain fixture", u"directory fixture /catalogs"}));
}
