// TFoundFiles: the files of one folder that passed a search's tests.
#include "filesearch/FoundFiles.h"

namespace cantrel {

void TFoundFiles::Add(const TSearchRec& FileInfo) {
  FFiles.push_back({FNames.size(), FileInfo.Name.size(), FileInfo.Time, FileInfo.Size, FileInfo.Attr, FileInfo.Stated});
  FNames += FileInfo.Name;
}

StringView TFoundFiles::Name(std::size_t Index) const {
  const TFile& File = FFiles[Index];
  return StringView(FNames).substr(File.NameAt, File.NameLength);
}

void TFoundFiles::Get(std::size_t Index, TSearchRec& Rec) const {
  const TFile& File = FFiles[Index];
  Rec.Name.assign(Name(Index));
  Rec.Time = File.Time;
  Rec.Size = File.Size;
  Rec.Attr = File.Attr;
  Rec.Stated = File.Stated;
}

}  // namespace cantrel
