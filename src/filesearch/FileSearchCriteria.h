// What a search looks for: folder, name masks, sizes, dates, attributes and options.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "filesearch/FileAttributeMask.h"
#include "runtime/DateTime.h"
#include "runtime/FileHandle.h"
#include "runtime/Strings.h"

namespace cantrel {

enum class TFileSearchOption : std::uint8_t {
  fsIncludeSubDirectories,
  fsIncludeHiddenSubDirectories,
  fsLastChangeAfter,
  fsLastChangeBefore,
  fsMaxSize,
  fsMinSize,
};

// A set of search options, one bit per option number (0 to 7).
class TFileSearchOptions {
public:
  constexpr TFileSearchOptions() = default;
  constexpr TFileSearchOptions(std::initializer_list<TFileSearchOption> Options) {
    for (TFileSearchOption Option : Options) FBits |= Bit(static_cast<int>(Option));
  }
  static constexpr TFileSearchOptions FromBits(std::uint8_t Bits) {
    TFileSearchOptions Result;
    Result.FBits = Bits;
    return Result;
  }

  constexpr std::uint8_t Bits() const { return FBits; }
  constexpr bool Contains(TFileSearchOption Option) const { return FBits & Bit(static_cast<int>(Option)); }
  void Include(TFileSearchOption Option) { FBits |= Bit(static_cast<int>(Option)); }
  void Exclude(TFileSearchOption Option) { FBits &= static_cast<std::uint8_t>(~Bit(static_cast<int>(Option))); }

  friend constexpr bool operator==(TFileSearchOptions, TFileSearchOptions) = default;

private:
  static constexpr std::uint8_t Bit(int Option) { return static_cast<std::uint8_t>(1u << Option); }

  std::uint8_t FBits = 0;
};

// What a file search looks for: the roots it starts from, the masks a file
// name must match, whether and which subdirectories it walks, and the
// attributes, sizes and last-change times a reported file must have.
class TFileSearchCriteria : public TPersistent {
public:
  // 9999-12-31 23:59:59.136 and 0100-01-01 00:00.
  static constexpr TDateTime DefaultLastChangeBefore = 2958465.99999;
  static constexpr TDateTime DefaultLastChangeAfter = -657434.0;

  TFileSearchCriteria();

  void Assign(const TPersistent& Source) override;

  const TStrings& GetFileMasks() const { return FFileMasks; }
  void SetFileMasks(const TStrings& Value) { FFileMasks.Assign(Value); }
  // The non-empty masks joined with ";".
  String GetFileMask() const;
  // The pieces between ";" that are not empty, untrimmed, in order.
  void SetFileMask(const String& Value);

  // Setting the roots drops the root folder below.
  const TStrings& GetRootDirectories() const { return FRootDirectories; }
  void SetRootDirectories(const TStrings& Value);
  // The only root, or the empty text when there are more or none.
  String GetRootDirectory() const;
  void SetRootDirectory(const String& Value);
  // The only root, and its folder as the caller opened it: the walk lists
  // that folder and the folders below it from this descriptor, whatever
  // the path leads to meanwhile. Value is the path reported for it.
  void SetRootDirectory(const String& Value, TSharedFolder Folder);
  const TSharedFolder& GetRootFolder() const { return FRootFolder; }

  String GetSubDirectoryMask() const { return FSubDirectoryMask; }
  void SetSubDirectoryMask(const String& Value) { FSubDirectoryMask = Value; }

  const TFileAttributeMask& GetAttributeMask() const { return FAttributeMask; }
  TFileAttributeMask& GetAttributeMask() { return FAttributeMask; }
  void SetAttributeMask(const TCustomFileAttrMask& Value) { FAttributeMask.Assign(Value); }

  // The limits act only with their option (fsMinSize and so on).
  std::int64_t GetFileSizeMin() const { return FFileSizeMin; }
  void SetFileSizeMin(std::int64_t Value) { FFileSizeMin = Value; }
  std::int64_t GetFileSizeMax() const { return FFileSizeMax; }
  void SetFileSizeMax(std::int64_t Value) { FFileSizeMax = Value; }
  TDateTime GetLastChangeAfter() const { return FLastChangeAfter; }
  void SetLastChangeAfter(TDateTime Value) { FLastChangeAfter = Value; }
  TDateTime GetLastChangeBefore() const { return FLastChangeBefore; }
  void SetLastChangeBefore(TDateTime Value) { FLastChangeBefore = Value; }

  // The limits in the user's locale date and time format. The empty text
  // restores the default; a text that does not parse raises EConvertError
  // and keeps the limit.
  String GetLastChangeAfterStr() const { return DateTimeToStr(FLastChangeAfter); }
  void SetLastChangeAfterStr(const String& Value);
  String GetLastChangeBeforeStr() const { return DateTimeToStr(FLastChangeBefore); }
  void SetLastChangeBeforeStr(const String& Value);

  TFileSearchOptions GetOptions() const { return FOptions; }
  void SetOptions(TFileSearchOptions Value) { FOptions = Value; }
  // One option by number; a number above 7 reads false and is not stored.
  bool GetOption(int Option) const;
  void SetOption(int Option, bool Value);
  bool GetOption(TFileSearchOption Option) const { return FOptions.Contains(Option); }
  void SetOption(TFileSearchOption Option, bool Value) { SetOption(static_cast<int>(Option), Value); }

  bool GetIncludeSubDirectories() const { return GetOption(TFileSearchOption::fsIncludeSubDirectories); }
  void SetIncludeSubDirectories(bool Value) { SetOption(TFileSearchOption::fsIncludeSubDirectories, Value); }
  bool GetIncludeHiddenSubDirectories() const {
    return GetOption(TFileSearchOption::fsIncludeHiddenSubDirectories);
  }
  void SetIncludeHiddenSubDirectories(bool Value) {
    SetOption(TFileSearchOption::fsIncludeHiddenSubDirectories, Value);
  }

  bool GetCaseSensitiveSearch() const { return FCaseSensitiveSearch; }
  void SetCaseSensitiveSearch(bool Value) { FCaseSensitiveSearch = Value; }

  // Whether the walk goes into symbolic links to folders. It does not by
  // default, so a search stays inside the folder searched; when it does, no
  // folder is walked twice in one search.
  bool GetFollowDirectoryLinks() const { return FFollowDirectoryLinks; }
  void SetFollowDirectoryLinks(bool Value) { FFollowDirectoryLinks = Value; }

  // Whether each file found is stat-ed for its size, last-write time and
  // ReadOnly bit (the default). A caller that reads only names turns it
  // off: a record then holds them only where a test needed them, and says
  // so (TSearchRec::Stated); FillSearchRec reads them on request.
  bool GetReadFileDetails() const { return FReadFileDetails; }
  void SetReadFileDetails(bool Value) { FReadFileDetails = Value; }

  // How many readers list folders ahead of a walk that hands its reports
  // over in batches: a folder on a network share costs a round trip each,
  // so they are sized for latency, not for processors. 0 lists each folder
  // on the walker when it comes to it.
  int GetReaders() const { return FReaders; }
  void SetReaders(int Value) { FReaders = Value; }
  // Whether readers wait until the walk first waited for the file system
  // while it read a folder itself: on a warm local disk, where listing is
  // work for processors and not for latency, handing folders over between
  // threads costs more than it brings.
  bool GetReadersOnDemand() const { return FReadersOnDemand; }
  void SetReadersOnDemand(bool Value) { FReadersOnDemand = Value; }

private:
  TStringList FFileMasks;
  TStringList FRootDirectories;
  TSharedFolder FRootFolder;
  String FSubDirectoryMask = u"*";
  TFileAttributeMask FAttributeMask;
  std::int64_t FFileSizeMin = 0;
  std::int64_t FFileSizeMax = 0;
  TDateTime FLastChangeBefore = DefaultLastChangeBefore;
  TDateTime FLastChangeAfter = DefaultLastChangeAfter;
  TFileSearchOptions FOptions{TFileSearchOption::fsIncludeSubDirectories};
  bool FCaseSensitiveSearch = false;
  bool FFollowDirectoryLinks = false;
  bool FReadFileDetails = true;
  int FReaders = 16;
  bool FReadersOnDemand = false;
};

}  // namespace cantrel
