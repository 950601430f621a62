// What a Make reports: names left out and playlists not written.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/FileHandle.h"
#include "runtime/String.h"

namespace cantrel {

class TPlayListFile;

// A name left out of one playlist because its format cannot hold it.
struct TLeftOutName {
  // The playlist's full path.
  String PlayList;
  // The entry as it would have been written: the file's path relative to
  // the playlist's folder, before any escaping of the format.
  String Entry;
  // Why, as a translated text such as "line break in the name".
  String Reason;
};

// A playlist that could not be written.
struct TPlayListFailure {
  String PlayList;
  // "Cannot create file "%s". %s", translated, with the reason.
  String Message;
};

// What one Make did beside the playlists it wrote.
struct TMakeReport {
  // In the order the playlists were written: children before parents.
  std::vector<TPlayListFailure> Failures;
  // Names left out of the playlists that were written.
  std::vector<TLeftOutName> LeftOut;
  // Make stopped because StopRequested asked it to.
  bool Stopped = false;
};

struct TMakeOptions {
  // The folder searched. A playlist that is a symbolic link to a file inside
  // it is written through the link; one that leads outside is not written,
  // nor is any playlist of a folder outside it. Empty means the folder of
  // the node Make is called on.
  String SearchRoot;
  // That folder as the search opened it: Make reaches every folder it
  // writes into from this descriptor. Unset, Make opens SearchRoot itself.
  TSharedFolder Folder;
  // Asked before each playlist is written; true stops Make there, before
  // that playlist, with every playlist written so far complete. It is safe
  // to read a flag that a signal handler sets.
  std::function<bool()> StopRequested;
  // Each entry carries what its format can hold of its file's tags (the
  // nodes' Tags): titles, artists, albums, numbers and lengths.
  bool Tags = false;
  // A folder's files are listed in album order (TrackOrder) where the node
  // holds their tags; else in name order.
  bool OrderByTags = false;
  // Only the playlists of the folders chosen are written; a folder not
  // chosen is not entered, so every folder above a chosen one must be
  // chosen too. Unset, every playlist is.
  std::function<bool(const TPlayListFile&)> Chosen;
  // Told of each playlist written: its folder's node, its file name and
  // the PlayListDigest of its bytes.
  std::function<void(const TPlayListFile&, const String& Name, std::uint64_t Digest)> OnWritten;
};

// A 64-bit FNV-1a digest of a playlist's bytes, continued from Digest, to
// know a file again as the one written.
constexpr std::uint64_t PlayListDigestSeed = 0xcbf29ce484222325ULL;
inline std::uint64_t PlayListDigest(std::uint64_t Digest, std::string_view Bytes) {
  for (const unsigned char Byte : Bytes) Digest = (Digest ^ Byte) * 0x100000001b3ULL;
  return Digest;
}

// Raised at the end of a Make in which some playlists could not be written,
// after every other playlist was. Its message is the first failure's; the
// report holds all of them, the names left out and whether Make stopped.
class EMakeError : public EFCreateError {
public:
  explicit EMakeError(TMakeReport Report);

  const TMakeReport& Report() const { return FReport; }

private:
  TMakeReport FReport;
};

}  // namespace cantrel
