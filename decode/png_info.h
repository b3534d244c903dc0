#pragma once
// The ancillary information a PNG file carries besides its pixels, and the writer's
// parameters. Each optional item has a flag telling whether the picture carries it; the
// writer emits a chunk only for items that are present.
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

#include "graphics/bitmap.h"

namespace decode {

// The time a new file records: now, or SOURCE_DATE_EPOCH (seconds, UTC) when it is set, so
// two writers of the same picture can give the same bytes, as build tools do.
inline QDateTime PngWriteTime() {
  bool ok = false;
  const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
  return ok && epoch >= 0 ? QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC) : QDateTime::currentDateTimeUtc();
}

struct TQVPNGChromaticities {
  double whiteX = 0, whiteY = 0, redX = 0, redY = 0, greenX = 0, greenY = 0, blueX = 0, blueY = 0;
  friend bool operator==(const TQVPNGChromaticities&, const TQVPNGChromaticities&) = default;
};

// gIFg: GIF graphic control extension values.
struct TQVPNGGifControl {
  uint8_t disposal = 0;
  uint8_t userInput = 0;
  uint16_t delay = 0;  // hundredths of a second
  friend bool operator==(const TQVPNGGifControl&, const TQVPNGGifControl&) = default;
};

struct TQVPNGPhysical {
  uint32_t x = 0, y = 0;  // pixels per unit
  uint8_t unit = 0;       // 1 = metre, 0 = aspect ratio only
  friend bool operator==(const TQVPNGPhysical&, const TQVPNGPhysical&) = default;
};

struct TQVPNGInfo {
  QString Comment;

  bool HasBackground = false;
  graphics::TRGBQuad Background;

  bool HasGamma = false;
  double Gamma = 0.45455;

  bool HasChromaticities = false;
  TQVPNGChromaticities Chromaticities;

  // Significant bits per channel as stored (grey in [0], or red, green, blue, then alpha).
  int SignificantBitsCount = 0;
  std::array<uint8_t, 4> SignificantBits{};

  bool HasPhysical = false;
  TQVPNGPhysical Physical;

  bool HasGifControl = false;
  TQVPNGGifControl GifControl;

  // UTC; PngWriteTime() unless a tIME chunk was read.
  QDateTime Time = PngWriteTime();

  friend bool operator==(const TQVPNGInfo&, const TQVPNGInfo&) = default;
};

inline constexpr int kPNGMinIDATSize = 256;
inline constexpr int kPNGMaxIDATSize = 100000;

struct TQVPNGWriteParams {
  int IDATSize = 32768;
  int CompressionLevel = -1;  // outside 0..9: zlib's default
  int FilterMode = 1;         // rows are always written with filter None
  bool Interlace = false;     // Adam7
  bool WriteSignature = true;
  friend bool operator==(const TQVPNGWriteParams&, const TQVPNGWriteParams&) = default;
};

}  // namespace decode
