// One text domain: its catalog in the current language and its lookups.
#include "i18n/Domain.h"

#include <algorithm>
#include <filesystem>

#include "i18n/FileLocator.h"
#include "runtime/Locale.h"
#include "runtime/Paths.h"
#include "runtime/Strings.h"

namespace cantrel {

namespace {

bool SameAsciiText(std::string_view A, std::string_view B) {
  const auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C; };
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [&](char X, char Y) {
           return Lower(X) == Lower(Y);
         });
}

std::string_view TrimBytes(std::string_view Text) {
  const auto IsBlank = [](char C) { return static_cast<unsigned char>(C) <= 32; };
  while (!Text.empty() && IsBlank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsBlank(Text.back())) Text.remove_suffix(1);
  return Text;
}

// The value of the first header line "Name: value", trimmed.
std::string HeaderField(std::string_view Header, std::string_view Name) {
  while (!Header.empty()) {
    const auto End = Header.find('\n');
    const std::string_view Line = Header.substr(0, End);
    if (Line.size() >= Name.size() + 2 && SameAsciiText(Line.substr(0, Name.size()), Name) &&
        Line.substr(Name.size(), 2) == ": ")
      return std::string(TrimBytes(Line.substr(Name.size() + 2)));
    if (End == std::string_view::npos) break;
    Header.remove_prefix(End + 1);
  }
  return {};
}

bool DeclaresUtf8(std::string ContentType) {
  for (char& C : ContentType)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  return ContentType.find("CHARSET=UTF-8") != std::string::npos;
}

void AddLanguage(TStrings& List, const String& Language) {
  for (int I = 0; I < List.Count(); ++I)
    if (SameText(List[I], Language)) return;
  List.Add(Language);
}

}  // namespace

TDomain::TDomain(TFileLocator& Locator, TDebugLogger DebugLogger, TRefusalListener OnRefused, String Domain,
                 StringView Directory, String LangCode)
    : FDirectory(IncludeTrailingPathDelimiter(Directory)),
      FDebugLogger(std::move(DebugLogger)),
      FDomain(std::move(Domain)),
      FCurLang(std::move(LangCode)),
      FOnRefused(std::move(OnRefused)),
      FLocator(Locator) {}

TDomain::~TDomain() { CloseCatalog(); }

void TDomain::SetDirectory(StringView Directory) {
  FDirectory = IncludeTrailingPathDelimiter(Directory);
  FSpecificFilename.clear();
  CloseCatalog();
}

void TDomain::SetFilename(const String& FileName) {
  CloseCatalog();
  FDirectory.clear();
  FSpecificFilename = FileName;
}

void TDomain::SetLanguageCode(const String& LangCode) {
  CloseCatalog();
  FCurLang = LangCode;
}

String TDomain::CatalogPath(StringView Language) const {
  return FDirectory + String(Language) + u"/LC_MESSAGES/" + FDomain + u".mo";
}

bool TDomain::CatalogExists(const String& FileName) const {
  std::error_code Error;
  return FLocator.FileExists(FileName) || std::filesystem::is_regular_file(SystemFileName(FileName), Error);
}

void TDomain::OpenCatalog() {
  String FileName = FSpecificFilename;
  if (FileName.empty()) {
    FileName = CatalogPath(FCurLang);
    if (!CatalogExists(FileName)) FileName = CatalogPath(StringView(FCurLang).substr(0, 2));
  }
  if (!CatalogExists(FileName)) {
    FOpenHasFailedBefore = true;
    Log("no catalog at " + StringToUtf8(FileName));
    return;
  }
  Log("opening " + StringToUtf8(FileName));
  FMoFile = FLocator.GetMoFile(FileName);
  FCatalogFileName = FileName;
  bool Found;
  if (DeclaresUtf8(HeaderField(FMoFile->gettext("", Found), "Content-Type"))) return;
  CloseCatalog();
  FEnabled = false;
  Log("refused, not declared UTF-8: " + StringToUtf8(FileName));
  if (FOnRefused) FOnRefused(FCurLang, FileName);
}

void TDomain::Log(const std::string& Line) const {
  if (FDebugLogger) FDebugLogger("Domain " + StringToUtf8(FDomain) + ": " + Line);
}

void TDomain::CloseCatalog() {
  FMoFile.reset();
  FCatalogFileName.clear();
  FOpenHasFailedBefore = false;
}

std::string TDomain::gettext(std::string_view Key, bool& Found) {
  Found = false;
  if (!FEnabled) return std::string(Key);
  if (!FMoFile && !FOpenHasFailedBefore) OpenCatalog();
  if (!FMoFile) return std::string(Key);
  return FMoFile->gettext(Key, Found);
}

String TDomain::GetTranslationProperty(StringView PropertyName) {
  bool Found;
  return Utf8ToString(HeaderField(gettext("", Found), StringToUtf8(PropertyName)));
}

void TDomain::GetListOfLanguages(TStrings& List) const {
  List.Clear();
  // With a bound file there is no catalog tree to list.
  if (FDirectory.empty()) return;
  const String Suffix = u"/LC_MESSAGES/" + FDomain + u".mo";
  std::vector<String> Folders;
  std::error_code Error;
  for (std::filesystem::directory_iterator It(SystemFileName(FDirectory), Error), End; !Error && It != End;
       It.increment(Error)) {
    std::error_code StatError;
    const std::string Catalog = It->path().native() + StringToUtf8(Suffix);
    if (It->is_directory(StatError) && std::filesystem::is_regular_file(Catalog, StatError))
      Folders.push_back(FromSystemFileName(It->path().filename().native()));
  }
  std::sort(Folders.begin(), Folders.end(),
            [](const String& A, const String& B) { return AnsiCompareText(A, B) < 0; });
  for (const String& Folder : Folders) AddLanguage(List, Folder);

  for (const String& Name : FLocator.EmbeddedFileNames()) {
    const String Path = FLocator.BaseDirectory() + Name;
    if (Path.size() <= FDirectory.size() + Suffix.size() || !StartsText(FDirectory, Path) ||
        !EndsText(Suffix, Path))
      continue;
    AddLanguage(List, Path.substr(FDirectory.size(), Path.size() - FDirectory.size() - Suffix.size()));
  }
}

}  // namespace cantrel
