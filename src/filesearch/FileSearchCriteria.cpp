// What a search looks for: folder, name masks, sizes, dates, attributes and options.
#include "filesearch/FileSearchCriteria.h"

namespace cantrel {

namespace {

constexpr int HighestOption = 7;

TDateTime LimitFromText(const String& Text, TDateTime Default) {
  return Text.empty() ? Default : StrToDateTime(Text);
}

}  // namespace

TFileSearchCriteria::TFileSearchCriteria() {
  FFileMasks.Add(u"*");
  FRootDirectories.Add(u".");
}

void TFileSearchCriteria::Assign(const TPersistent& Source) {
  const auto* Criteria = dynamic_cast<const TFileSearchCriteria*>(&Source);
  if (!Criteria) return TPersistent::Assign(Source);
  FFileMasks.Assign(Criteria->FFileMasks);
  FRootDirectories.Assign(Criteria->FRootDirectories);
  FRootFolder = Criteria->FRootFolder;
  FSubDirectoryMask = Criteria->FSubDirectoryMask;
  FAttributeMask.Assign(Criteria->FAttributeMask);
  FFileSizeMin = Criteria->FFileSizeMin;
  FFileSizeMax = Criteria->FFileSizeMax;
  FLastChangeBefore = Criteria->FLastChangeBefore;
  FLastChangeAfter = Criteria->FLastChangeAfter;
  FOptions = Criteria->FOptions;
  FCaseSensitiveSearch = Criteria->FCaseSensitiveSearch;
  FFollowDirectoryLinks = Criteria->FFollowDirectoryLinks;
  FReadFileDetails = Criteria->FReadFileDetails;
  FReaders = Criteria->FReaders;
}

String TFileSearchCriteria::GetFileMask() const {
  String Result;
  for (int I = 0; I < FFileMasks.Count(); ++I) {
    const String Mask = FFileMasks[I];
    if (Mask.empty()) continue;
    if (!Result.empty()) Result += u';';
    Result += Mask;
  }
  return Result;
}

void TFileSearchCriteria::SetFileMask(const String& Value) {
  FFileMasks.BeginUpdate();
  FFileMasks.Clear();
  StringView Rest = Value;
  for (std::size_t Separator; (Separator = Rest.find(u';')) != StringView::npos; Rest.remove_prefix(Separator + 1))
    if (Separator > 0) FFileMasks.Add(String(Rest.substr(0, Separator)));
  if (!Rest.empty()) FFileMasks.Add(String(Rest));
  FFileMasks.EndUpdate();
}

String TFileSearchCriteria::GetRootDirectory() const {
  return FRootDirectories.Count() == 1 ? FRootDirectories[0] : String();
}

void TFileSearchCriteria::SetRootDirectories(const TStrings& Value) {
  FRootDirectories.Assign(Value);
  FRootFolder.reset();
}

void TFileSearchCriteria::SetRootDirectory(const String& Value, TSharedFolder Folder) {
  SetRootDirectory(Value);
  FRootFolder = std::move(Folder);
}

void TFileSearchCriteria::SetRootDirectory(const String& Value) {
  FRootFolder.reset();
  FRootDirectories.BeginUpdate();
  FRootDirectories.Clear();
  FRootDirectories.Add(Value);
  FRootDirectories.EndUpdate();
}

void TFileSearchCriteria::SetLastChangeAfterStr(const String& Value) {
  FLastChangeAfter = LimitFromText(Value, DefaultLastChangeAfter);
}

void TFileSearchCriteria::SetLastChangeBeforeStr(const String& Value) {
  FLastChangeBefore = LimitFromText(Value, DefaultLastChangeBefore);
}

bool TFileSearchCriteria::GetOption(int Option) const {
  return Option >= 0 && Option <= HighestOption && (FOptions.Bits() & (1u << Option));
}

void TFileSearchCriteria::SetOption(int Option, bool Value) {
  if (Option < 0 || Option > HighestOption) return;
  const auto Bit = static_cast<std::uint8_t>(1u << Option);
  FOptions = TFileSearchOptions::FromBits(Value ? FOptions.Bits() | Bit : FOptions.Bits() & ~Bit);
}

}  // namespace cantrel
