// One text domain: its catalog in the current language and its lookups.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "runtime/Object.h"

namespace cantrel {

class TFileLocator;
class TMoFile;
class TStrings;

// Receives the lines of the debug log.
using TDebugLogger = std::function<void(const std::string& Line)>;
// Hears that a catalog was refused for not being declared UTF-8: the
// language code and the catalog's path.
using TRefusalListener = std::function<void(const String& LangCode, const String& FileName)>;

// One text domain: which catalog it reads, for which language, and whether
// that catalog is open, known missing or refused.
class TDomain : public TObject {
public:
  TDomain(TFileLocator& Locator, TDebugLogger DebugLogger, TRefusalListener OnRefused, String Domain,
          StringView Directory, String LangCode);
  ~TDomain() override;
  TDomain(const TDomain&) = delete;
  TDomain& operator=(const TDomain&) = delete;

  const String& Domain() const { return FDomain; }
  // The file of the open catalog; empty while none is open.
  const String& CatalogFileName() const { return FCatalogFileName; }

  // The root of the domain's catalog tree, kept with a trailing "/"; empty
  // while a file is bound. Setting it closes the catalog and unbinds the
  // file.
  void SetDirectory(StringView Directory);
  // Binds one catalog file instead of the directory rule.
  void SetFilename(const String& FileName);
  // Closes the catalog; the new language's opens on the next lookup.
  void SetLanguageCode(const String& LangCode);

  // The languages that have a catalog of this domain, on disk or embedded.
  void GetListOfLanguages(TStrings& List) const;
  // A field of the catalog header, trimmed; empty when absent.
  String GetTranslationProperty(StringView PropertyName);
  // The translation of a UTF-8 key, or the key with Found false. A catalog
  // refused for its character set disables the domain and is reported to
  // the listener, which tells the user.
  std::string gettext(std::string_view Key, bool& Found);

  // Set while a lookup in this domain runs on the thread that holds the
  // engine's lock. A text looked up meanwhile in the same domain (the
  // message of an error met while opening or decoding its catalog) comes
  // back untranslated, so a broken catalog cannot recurse through itself;
  // other domains still translate it.
  bool Busy() const { return FBusy; }
  void SetBusy(bool Value) { FBusy = Value; }

private:
  String CatalogPath(StringView Language) const;
  bool CatalogExists(const String& FileName) const;
  void OpenCatalog();
  void CloseCatalog();
  void Log(const std::string& Line) const;

  // False once a catalog was refused for its character set, for good.
  bool FEnabled = true;
  String FDirectory;
  TDebugLogger FDebugLogger;
  String FDomain;
  std::shared_ptr<TMoFile> FMoFile;
  String FCatalogFileName;
  String FSpecificFilename;
  String FCurLang;
  bool FOpenHasFailedBefore = false;
  bool FBusy = false;
  TRefusalListener FOnRefused;
  TFileLocator& FLocator;
};

}  // namespace cantrel
