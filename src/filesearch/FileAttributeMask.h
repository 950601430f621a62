// The test of a directory entry's attribute bits.
#pragma once

#include <cstdint>

#include "runtime/DirectoryListing.h"
#include "runtime/Object.h"

namespace cantrel {

// The attribute test: entry bits Attr (0 counts as Normal) pass when they
// share no bit with Rejected and hold every bit of Required but 0x40.
bool MatchAttributes(std::uint32_t Attr, std::uint32_t Rejected, std::uint32_t Required);

// Two sets of attribute bits: every bit of Required must be present, no bit
// of Rejected may be. Hidden, System and Directory entries are rejected at
// first.
class TCustomFileAttrMask : public TPersistent {
public:
  static constexpr std::uint32_t DefaultRejected = faHidden | faSysFile | faDirectory;

  void Clear();
  void Assign(const TPersistent& Source) override;

  bool Match(std::uint32_t FileAttributes) const;
  bool Match(const TSearchRec& FileInfo) const { return Match(FileInfo.Attr); }

  std::uint32_t GetRequired() const { return FRequiredAttr; }
  void SetRequired(std::uint32_t Value) { FRequiredAttr = Value; }
  std::uint32_t GetRejected() const { return FRejectedAttr; }
  void SetRejected(std::uint32_t Value) { FRejectedAttr = Value; }

protected:
  std::uint32_t FRequiredAttr = 0;
  std::uint32_t FRejectedAttr = DefaultRejected;
};

enum class TAttributeInterest : std::uint8_t { aiIgnored, aiRejected, aiRequired };

// The mask as one interest per attribute. Requiring Normal means rejecting
// every other bit.
class TFileAttributeMask : public TCustomFileAttrMask {
public:
  TAttributeInterest GetAttr(std::uint32_t Attr) const;
  // A value outside the three interests is ignored.
  void SetAttr(std::uint32_t Attr, TAttributeInterest Value);

#define CANTREL_ATTRIBUTE_PROPERTY(Name, Bit)                                  \
  TAttributeInterest Get##Name() const { return GetAttr(Bit); }              \
  void Set##Name(TAttributeInterest Value) { SetAttr(Bit, Value); }

  CANTREL_ATTRIBUTE_PROPERTY(ReadOnly, faReadOnly)
  CANTREL_ATTRIBUTE_PROPERTY(Hidden, faHidden)
  CANTREL_ATTRIBUTE_PROPERTY(System, faSysFile)
  CANTREL_ATTRIBUTE_PROPERTY(Directory, faDirectory)
  CANTREL_ATTRIBUTE_PROPERTY(Normal, faNormal)
  CANTREL_ATTRIBUTE_PROPERTY(Archive, faArchive)
  CANTREL_ATTRIBUTE_PROPERTY(Temporary, faTemporary)
  CANTREL_ATTRIBUTE_PROPERTY(SparseFile, faSparseFile)
  CANTREL_ATTRIBUTE_PROPERTY(ReparsePoint, faReparsePoint)
  CANTREL_ATTRIBUTE_PROPERTY(Compressed, faCompressed)
  CANTREL_ATTRIBUTE_PROPERTY(OffLine, faOffline)
  CANTREL_ATTRIBUTE_PROPERTY(NotContentIndexed, faNotContentIndexed)
  CANTREL_ATTRIBUTE_PROPERTY(Encrypted, faEncrypted)

#undef CANTREL_ATTRIBUTE_PROPERTY
};

}  // namespace cantrel
