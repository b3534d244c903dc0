#pragma once
// TQVPNG: the PNG graphic. Holds the decoded bitmap, an optional 8-bit alpha mask, the
// ancillary information and the writer's parameters.
#include <QImage>
#include <QPainter>
#include <QRectF>

#include "decode/png_error.h"
#include "decode/png_info.h"
#include "graphics/graphic.h"

namespace decode {

class TQVPNG : public graphics::TBitmapGraphic {
 public:
  // Throws EQVPNG; on failure the graphic keeps what it held before.
  void LoadFromStream(QIODevice& stream) override;
  void SaveToStream(QIODevice& stream) const override;

  // Copies the bitmap, the mask, every ancillary field and the parameters.
  void Assign(const TQVPNG& source) { *this = source; }

  // The picture with its mask or transparent colour applied (ARGB32 when either is set).
  QImage ToImage() const;
  void Draw(QPainter& painter, const QRectF& target) const;

  // An 8-bit alpha mask (grey palette) of the bitmap's size, or empty.
  const graphics::TBitmap& Mask() const { return mask_; }
  graphics::TBitmap& Mask() { return mask_; }
  bool HasMask() const { return !mask_.Empty(); }

  const TQVPNGInfo& Info() const { return info_; }
  TQVPNGInfo& Info() { return info_; }

  const TQVPNGWriteParams& Params() const { return params_; }
  // Throws EQVPNG outside kPNGMinIDATSize..kPNGMaxIDATSize.
  void SetIDATSize(int size);
  void SetCompressionLevel(int level) { params_.CompressionLevel = level; }
  void SetFilterMode(int mode) { params_.FilterMode = mode; }
  void SetInterlace(bool on) { params_.Interlace = on; }
  void SetWriteSignature(bool on) { params_.WriteSignature = on; }

 private:
  graphics::TBitmap mask_;
  TQVPNGInfo info_;
  TQVPNGWriteParams params_;
};

// Registers TQVPNG for "png" ("PNG Format") with the picture-format registry.
void RegisterPngFormat();

}  // namespace decode
