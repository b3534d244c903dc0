#pragma once
// Picture kind of a catalogue entry and the set of kinds the catalogue shows as thumbnails.
// Shared by the entries (shell_item.h), the control and the thumbnail loader.
#include <cstdint>

namespace catalog {

enum class TImageType : int {
  iitNone, iitSusie, iitBmp, iitJpeg, iitIco, iitCur, iitAni, iitEmf, iitWmf, iitExe, iitDll,
  iitHtml, iitTxt, iitEml, iitDir, iitCustom, iitAvi
};
inline constexpr int kImageTypeCount = 17;

// A set of TImageType (bit n = ordinal n).
struct TDispImage {
  uint32_t bits = (1u << kImageTypeCount) - 1;  // all seventeen kinds
  bool Has(TImageType t) const { return bits & (1u << int(t)); }
  void Include(TImageType t) { bits |= 1u << int(t); }
  void Exclude(TImageType t) { bits &= ~(1u << int(t)); }
  static TDispImage None() { return TDispImage{0}; }
  friend bool operator==(const TDispImage&, const TDispImage&) = default;
};

// Kinds that never get a thumbnail: they are drawn with their icon.
inline bool IsIconKind(TImageType t) {
  using enum TImageType;
  return t == iitNone || t == iitIco || t == iitCur || t == iitAni || t == iitExe || t == iitDll || t == iitDir;
}

}  // namespace catalog
