#pragma once
// Pixel operations shared by the editor, the conversion and the viewing windows. Each one
// works in place on one bitmap; those marked "(24-bit first)" convert a palette bitmap to
// 24 bits before working, the others expect 24 bits (what ResizeBitmap always leaves).
// Empty bitmaps are left alone.
#include <array>
#include <cstdint>

#include "edit/resample.h"
#include "graphics/bitmap.h"

namespace edit {

using graphics::TBitmap;

// Entry i is the new value of a channel whose old value is i (one table, all channels).
using TChannelTable = std::array<uint8_t, 256>;

// Tables behind the tone operations (exposed so the editor can preview and tests check).
TChannelTable GammaTable(double g);       // identity at g = 2.2
TChannelTable BrightnessTable(int b);     // clamp(i + b)
TChannelTable ContrastTable(int c);       // c in percent
TChannelTable SolarizeTable();

// (24-bit first)
void ApplyChannelTable(TBitmap& bitmap, const TChannelTable& table);
void GammaCorrect(TBitmap& bitmap, double g);
// Nothing happens for b = 0 or b outside -255..255.
void AdjustBrightness(TBitmap& bitmap, int b);
// Nothing happens for c = 0 or c outside -100..100.
void AdjustContrast(TBitmap& bitmap, int c);
void Solarize(TBitmap& bitmap);

void MakeGrayScale(TBitmap& bitmap);  // (24-bit first)
void MakeNegative(TBitmap& bitmap);   // (24-bit first)
void MakeSepia(TBitmap& bitmap);

// A tint keeping each pixel's luminance, with the fixed chroma (Cb, Cr).
void ApplyColorFilter(TBitmap& bitmap, uint8_t cb, uint8_t cr);
struct TChroma {
  uint8_t cb, cr;
};
// The editor's four filters.
inline constexpr TChroma kFilterRed{120, 160};
inline constexpr TChroma kFilterGreen{120, 100};
inline constexpr TChroma kFilterBlue{160, 100};
inline constexpr TChroma kFilterYellow{90, 140};

// Gray relief; the bitmap is replaced by a new 24-bit one of the same size. If it fails
// (out of memory) the bitmap keeps its content.
void MakeEmboss(TBitmap& bitmap);

void MirrorHorizontal(TBitmap& bitmap);  // (24-bit first)
void MirrorVertical(TBitmap& bitmap);    // (24-bit first)
void TurnLeft(TBitmap& bitmap);          // (24-bit first) counter-clockwise, H × W
void TurnRight(TBitmap& bitmap);         // (24-bit first) clockwise, H × W
void TurnHalf(TBitmap& bitmap);          // (24-bit first)

// Replaces a 24-bit bitmap by an 8-bit one with at most 236 palette colours, through a
// JPEG encoding at quality 90 and a quantising decode (so colours carry the JPEG loss).
// Throws graphics::EInvalidGraphic when libjpeg fails; the bitmap is then unchanged.
void ReduceTo256Colors(TBitmap& bitmap);

}  // namespace edit
