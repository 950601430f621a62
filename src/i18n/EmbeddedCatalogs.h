// The marker by which an executable's embedded catalogs are found.
#pragma once

#include <cstddef>
#include <string_view>

namespace cantrel {

// An executable carries catalogs when the 8 bytes behind this text in its data
// hold the file offset (64-bit little-endian) of a table of entries; as built
// they are zero. Each entry: offset of the next entry (0 ends the table), file
// offset of the catalog's bytes, its size (each 64-bit little-endian), then
// up to the next entry the catalog's path relative to the executable's
// folder, such as "locale/de/LC_MESSAGES/default.mo".
inline constexpr std::string_view EmbeddedCatalogMarker = "6637DB2E-62E1-4A60-AC19-C23867046A89";
inline constexpr std::size_t EmbeddedOffsetSize = 8;
inline constexpr std::size_t EmbeddedEntryHeaderSize = 24;

}  // namespace cantrel
