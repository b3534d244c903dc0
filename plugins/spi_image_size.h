// The one checked helper for width × height × bits products. Every allocation of a pixel
// buffer whose size comes from outside data goes through it, in the program and in the
// plug-ins we ship (part of the plug-in SDK).
#ifndef QIVO2_SPI_IMAGE_SIZE_H
#define QIVO2_SPI_IMAGE_SIZE_H

#include <cstddef>
#include <cstdint>
#include <optional>

namespace spi_util {

// Largest pixel buffer we agree to allocate for one picture (1 GiB).
inline constexpr uint64_t kMaxImageBytes = uint64_t(1) << 30;
// Largest width or height we accept from any file.
inline constexpr int64_t kMaxImageSide = 1 << 20;

// Bytes in one row padded to 32 bits, or nothing when the width is out of range.
inline std::optional<size_t> checkedStride(int64_t width, int bitsPerPixel) {
  if (width <= 0 || width > kMaxImageSide || bitsPerPixel <= 0 || bitsPerPixel > 64) return std::nullopt;
  const uint64_t bits = uint64_t(width) * uint64_t(bitsPerPixel);
  return size_t(((bits + 31) / 32) * 4);
}

// Bytes of a whole picture with rows padded to 32 bits, or nothing when it would overflow
// or pass kMaxImageBytes.
inline std::optional<size_t> checkedImageBytes(int64_t width, int64_t height, int bitsPerPixel) {
  if (height <= 0 || height > kMaxImageSide) return std::nullopt;
  const auto stride = checkedStride(width, bitsPerPixel);
  if (!stride) return std::nullopt;
  const uint64_t total = uint64_t(*stride) * uint64_t(height);
  if (total > kMaxImageBytes) return std::nullopt;
  return size_t(total);
}

// Unpadded bytes of width × height × bytesPerPixel (for packed buffers such as decoder
// output), or nothing when out of range.
inline std::optional<size_t> checkedPackedBytes(int64_t width, int64_t height, int bytesPerPixel) {
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide || bytesPerPixel <= 0)
    return std::nullopt;
  const uint64_t total = uint64_t(width) * uint64_t(height) * uint64_t(bytesPerPixel);
  if (total > kMaxImageBytes) return std::nullopt;
  return size_t(total);
}

// Largest picture the plug-ins we ship decode: 16,384 pixels on a side and 16,384² pixels
// (about 268 megapixels). A file that declares more is refused before anything is allocated.
inline constexpr int64_t kMaxPictureSide = 16384;
inline constexpr int64_t kMaxPicturePixels = kMaxPictureSide * kMaxPictureSide;

// Bytes of a width × height picture at bitsPerPixel with rows padded to 32 bits, or nothing
// when the picture passes kMaxPictureSide, kMaxPicturePixels or maxBytes. The one size check
// of the format plug-ins: each calls it with the size the file declares before decoding.
inline std::optional<size_t> checkedPictureBytes(int64_t width, int64_t height, int bitsPerPixel,
                                                 uint64_t maxBytes = kMaxImageBytes) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > kMaxPicturePixels)
    return std::nullopt;
  const auto bytes = checkedImageBytes(width, height, bitsPerPixel);
  if (!bytes || *bytes > maxBytes) return std::nullopt;
  return bytes;
}

}  // namespace spi_util

#endif
