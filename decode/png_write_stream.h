#pragma once
// Writes a PNG file: 24-bit pictures as RGB (RGBA with a mask), 1/4/8-bit pictures as
// palette images (as RGBA when they carry a mask). Rows use filter None.
#include <QByteArray>
#include <span>

#include "decode/png_custom_stream.h"
#include "decode/png_info.h"

namespace decode {

class TQVPNGWriteStream : public TQVCustomGraphicWriteStream {
 public:
  TQVPNGWriteStream(QIODevice& target, const TQVPNGInfo& info, const TQVPNGWriteParams& params)
      : TQVCustomGraphicWriteStream(target), info_(info), params_(params) {}

  // Throws EQVPNG ("Write Image (PNG): Write Error") for an empty picture or a failed write.
  void Write(const graphics::TBitmap& bitmap, const graphics::TBitmap& mask) override;

 private:
  void WriteChunk(const char (&type)[5], std::span<const uint8_t> data);
  void WriteChunk(const char (&type)[5], const QByteArray& data);

  const TQVPNGInfo& info_;
  const TQVPNGWriteParams& params_;
};

}  // namespace decode
