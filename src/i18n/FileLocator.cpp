// Where catalogs are found, on disk or embedded in the executable, and the loaded ones shared.
#include "i18n/FileLocator.h"

#include <algorithm>
#include <optional>

#include "i18n/EmbeddedCatalogs.h"
#include "runtime/FileReader.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

struct TEmbeddedCatalogMarker {
  char Text[EmbeddedCatalogMarker.size()];
  unsigned char TableOffset[EmbeddedOffsetSize];
};

constexpr TEmbeddedCatalogMarker MakeMarker() {
  TEmbeddedCatalogMarker Marker{};
  std::copy(EmbeddedCatalogMarker.begin(), EmbeddedCatalogMarker.end(), Marker.Text);
  return Marker;
}

// The packaging tool rewrites the offset in the executable file, so it is
// kept in writable data and read through volatile: the compiler may neither
// drop it nor assume it is still zero.
[[gnu::used]] volatile TEmbeddedCatalogMarker EmbeddedCatalogs = MakeMarker();

std::uint64_t LittleEndian64(std::string_view Bytes) {
  std::uint64_t Value = 0;
  for (std::size_t I = 8; I-- > 0;) Value = Value << 8 | static_cast<unsigned char>(Bytes[I]);
  return Value;
}

// Longer names than this cannot be catalog paths; the table is broken.
constexpr std::uint64_t MaxNameLength = 4096;

struct TTableEntry {
  std::uint64_t Next;
  std::uint64_t Offset;
  std::uint64_t Size;
  String Name;
};

// The entry at Position, or nothing at the end of the table or when the
// entry does not fit the file.
std::optional<TTableEntry> ReadEntry(const TFileReader& Module, std::uint64_t Position) {
  const std::uint64_t Next = LittleEndian64(Module.ReadAt(Position, EmbeddedOffsetSize));
  if (Next == 0) return std::nullopt;
  const std::string Header = Module.ReadAt(Position, EmbeddedEntryHeaderSize);
  const std::uint64_t NameStart = Position + EmbeddedEntryHeaderSize;
  if (Next < NameStart || Next - NameStart > MaxNameLength || Next > Module.Size()) return std::nullopt;
  TTableEntry Entry{Next, LittleEndian64(Header.substr(8)), LittleEndian64(Header.substr(16)), {}};
  if (Entry.Size == 0 || Entry.Offset > Module.Size() || Entry.Size > Module.Size() - Entry.Offset)
    return std::nullopt;
  Entry.Name = Trim(FromSystemFileName(Module.ReadAt(NameStart, static_cast<std::size_t>(Next - NameStart))));
  return Entry;
}

}  // namespace

TFileLocator::TFileLocator(String ModuleFileName) : FModuleFileName(std::move(ModuleFileName)) {}

TFileLocator::~TFileLocator() = default;

void TFileLocator::Analyze() {
  unsigned char Bytes[EmbeddedOffsetSize];
  for (std::size_t I = 0; I < EmbeddedOffsetSize; ++I) Bytes[I] = EmbeddedCatalogs.TableOffset[I];
  AnalyzeTable(LittleEndian64(std::string_view(reinterpret_cast<const char*>(Bytes), EmbeddedOffsetSize)));
}

void TFileLocator::AnalyzeTable(std::uint64_t TableOffset) {
  if (TableOffset == 0) return;
  FBaseDirectory = ExtractFilePath(FModuleFileName);
  try {
    const TFileReader Module(FModuleFileName);
    for (std::uint64_t Position = TableOffset;;) {
      std::optional<TTableEntry> Entry = ReadEntry(Module, Position);
      if (!Entry || Entry->Name.empty()) return;
      if (!FFileList.try_emplace(Entry->Name, Entry->Offset, Entry->Size).second) return;
      Position = Entry->Next;
    }
  } catch (const std::exception&) {
    // A table that cannot be read ends the scan; what was read stays.
  }
}

std::vector<String> TFileLocator::EmbeddedFileNames() const {
  std::vector<String> Names;
  for (const auto& Entry : FFileList) Names.push_back(Entry.first);
  return Names;
}

const TEmbeddedFileInfo* TFileLocator::FindEmbedded(StringView FileName) const {
  if (StartsText(FBaseDirectory, FileName)) FileName.remove_prefix(FBaseDirectory.size());
  const auto It = FFileList.find(String(FileName));
  return It == FFileList.end() ? nullptr : &It->second;
}

bool TFileLocator::FileExists(StringView FileName) const { return FindEmbedded(FileName) != nullptr; }

std::shared_ptr<TMoFile> TFileLocator::GetMoFile(const String& FileName) {
  String Physical = FileName;
  std::uint64_t Offset = 0;
  std::uint64_t Size = 0;
  if (const TEmbeddedFileInfo* Embedded = FindEmbedded(FileName)) {
    Physical = FModuleFileName;
    Offset = Embedded->Offset();
    Size = Embedded->Size();
  }
  const String Key = Physical + u'\0' + IntToStr(static_cast<std::int64_t>(Offset));
  {
    const std::lock_guard Lock(FLoadedCatalogsLock);
    if (const auto It = FLoadedCatalogs.find(Key); It != FLoadedCatalogs.end())
      if (std::shared_ptr<TMoFile> Held = It->second.lock()) return Held;
  }
  // Loaded without the lock: the error of a broken catalog is a text that
  // may be looked up in other catalogs. Of two threads loading the same
  // catalog at once, the first to add it wins and the other copy goes.
  auto Loaded = std::make_shared<TMoFile>(Physical, Offset, Size);
  const std::lock_guard Lock(FLoadedCatalogsLock);
  std::erase_if(FLoadedCatalogs, [](const auto& Entry) { return Entry.second.expired(); });
  std::weak_ptr<TMoFile>& Slot = FLoadedCatalogs[Key];
  if (std::shared_ptr<TMoFile> Held = Slot.lock()) return Held;
  Slot = Loaded;
  return Loaded;
}

}  // namespace cantrel
