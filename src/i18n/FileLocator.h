// Where catalogs are found, on disk or embedded in the executable, and the loaded ones shared.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "i18n/MoFile.h"
#include "runtime/Object.h"

namespace cantrel {

// Where one embedded catalog lies inside the executable file.
class TEmbeddedFileInfo : public TObject {
public:
  TEmbeddedFileInfo(std::uint64_t Offset, std::uint64_t Size) : FOffset(Offset), FSize(Size) {}

  std::uint64_t Offset() const { return FOffset; }
  std::uint64_t Size() const { return FSize; }

private:
  std::uint64_t FOffset;
  std::uint64_t FSize;
};

// Finds catalogs inside the executable or on disk and shares loaded ones
// between text domains.
class TFileLocator : public TObject {
public:
  explicit TFileLocator(String ModuleFileName);
  ~TFileLocator() override;

  // Reads the table of embedded catalogs whose offset the packaging tool
  // wrote behind the marker in this program's data.
  void Analyze();
  // The same for a table at a given offset of the module file. A table that
  // breaks off, points outside the file or repeats a name ends the scan; the
  // entries read before stay.
  void AnalyzeTable(std::uint64_t TableOffset);

  // The module's folder with a trailing "/" when it carries a table; else
  // empty.
  const String& BaseDirectory() const { return FBaseDirectory; }
  // The embedded catalogs' paths relative to BaseDirectory.
  std::vector<String> EmbeddedFileNames() const;

  // Whether a catalog of this path (BaseDirectory + relative path, compared
  // without regard to case) is embedded.
  bool FileExists(StringView FileName) const;
  // The loaded catalog for the path, shared with every other holder of it
  // and freed with the last. An embedded catalog takes precedence over a
  // file on disk.
  std::shared_ptr<TMoFile> GetMoFile(const String& FileName);

private:
  struct TTextLess {
    bool operator()(const String& A, const String& B) const { return CompareText(A, B) < 0; }
  };

  const TEmbeddedFileInfo* FindEmbedded(StringView FileName) const;

  String FModuleFileName;
  String FBaseDirectory;
  std::map<String, TEmbeddedFileInfo, TTextLess> FFileList;
  std::mutex FLoadedCatalogsLock;
  // Keyed by the physical file name, U+0000 and the decimal offset; file
  // names compare exactly, as the file system does.
  std::map<String, std::weak_ptr<TMoFile>> FLoadedCatalogs;
};

}  // namespace cantrel
