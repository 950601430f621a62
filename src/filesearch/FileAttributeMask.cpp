// The test of a directory entry's attribute bits.
#include "filesearch/FileAttributeMask.h"

namespace cantrel {

namespace {

constexpr std::uint32_t AllButNormal = ~faNormal;
// Bit 0x40 cannot be asked for.
constexpr std::uint32_t NeverRequired = 0x40;

}  // namespace

bool MatchAttributes(std::uint32_t Attr, std::uint32_t Rejected, std::uint32_t Required) {
  if (Attr == 0) Attr = faNormal;
  if (Attr & Rejected) return false;
  Required &= ~NeverRequired;
  return (Attr & Required) == Required;
}

void TCustomFileAttrMask::Clear() { FRequiredAttr = FRejectedAttr = 0; }

void TCustomFileAttrMask::Assign(const TPersistent& Source) {
  const auto* Mask = dynamic_cast<const TCustomFileAttrMask*>(&Source);
  if (!Mask) return TPersistent::Assign(Source);
  FRequiredAttr = Mask->FRequiredAttr;
  FRejectedAttr = Mask->FRejectedAttr;
}

bool TCustomFileAttrMask::Match(std::uint32_t FileAttributes) const {
  return MatchAttributes(FileAttributes, FRejectedAttr, FRequiredAttr);
}

TAttributeInterest TFileAttributeMask::GetAttr(std::uint32_t Attr) const {
  if ((FRequiredAttr & Attr) || (Attr == faNormal && FRejectedAttr == AllButNormal))
    return TAttributeInterest::aiRequired;
  if (FRejectedAttr & Attr) return TAttributeInterest::aiRejected;
  return TAttributeInterest::aiIgnored;
}

void TFileAttributeMask::SetAttr(std::uint32_t Attr, TAttributeInterest Value) {
  switch (Value) {
    case TAttributeInterest::aiIgnored:
      FRequiredAttr &= ~Attr;
      FRejectedAttr &= ~Attr;
      break;
    case TAttributeInterest::aiRejected:
      FRequiredAttr &= ~Attr;
      FRejectedAttr |= Attr;
      break;
    case TAttributeInterest::aiRequired:
      if (Attr == faNormal) {
        FRequiredAttr = faNormal;
        FRejectedAttr = AllButNormal;
      } else {
        FRequiredAttr |= Attr;
        FRejectedAttr &= ~Attr;
      }
      break;
  }
}

}  // namespace cantrel
