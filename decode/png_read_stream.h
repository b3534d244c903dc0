#pragma once
// Reads a PNG file: chunks, then the inflated and unfiltered rows into our bitmap.
#include "decode/png_custom_stream.h"
#include "decode/png_info.h"

namespace decode {

class TQVPNGReadStream : public TQVCustomGraphicReadStream {
 public:
  // info receives the ancillary chunks; fields the file lacks are left as they are.
  TQVPNGReadStream(QIODevice& source, TQVPNGInfo& info) : TQVCustomGraphicReadStream(source), info_(info) {}

  // Throws EQVPNG. The bitmap gets the transparent colour from tRNS where it applies.
  void Read(graphics::TBitmap& bitmap, graphics::TBitmap& mask) override;

  bool CheckSignature = true;

 private:
  TQVPNGInfo& info_;
};

}  // namespace decode
