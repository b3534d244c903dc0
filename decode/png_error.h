#pragma once
// Errors of the PNG codec and their fixed texts.
#include "graphics/graphic.h"

namespace decode {

class EQVPNG : public graphics::EInvalidGraphic {
 public:
  using graphics::EInvalidGraphic::EInvalidGraphic;
};

namespace png_msg {
inline constexpr const char* kNotPng = "PNG LoadStream: Not PNG Format";
inline constexpr const char* kTwoIHDR = "Read Header(PNG): appear two IHDR";
inline constexpr const char* kColorType = "Read Header(PNG): Error ColorType";
inline constexpr const char* kCompression = "Read Header(PNG): not support Compression";
inline constexpr const char* kFilter = "Read Header(PNG): not supprt Filter";
inline constexpr const char* kInterlace = "Read Header(PNG): not interlace type";
inline constexpr const char* kGreyDepth = "Read Header(PNG): Error Bitdepth";
inline constexpr const char* kGreyAlpha = "Read Header(PNG): not Use AlphaChannel";
inline constexpr const char* kColorDepth = "Read Header(PNG): Error BitDepth";
// Width or height zero, or a pixel buffer too large to hold.
inline constexpr const char* kImageSize = "Read Header(PNG): Error Image Size";
inline constexpr const char* kZlib = "PNG LoadStream: Error ZLIB";
inline constexpr const char* kReadError = "Read Image (PNG): Read Error";
inline constexpr const char* kIDATSize = "Write PNG Param: Err IDAT Size(min:256  max:100000)";
inline constexpr const char* kWriteError = "Write Image (PNG): Write Error";
}  // namespace png_msg

}  // namespace decode
