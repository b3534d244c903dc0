#pragma once
// The thin layer over libjpeg. libjpeg reports errors by longjmp; every setjmp lives in
// jpeg_codec.cpp in frames that hold no object with a destructor, and each step returns
// false with libjpeg's message instead. Callers copy results into C++ objects.
#include <QIODevice>
#include <cstddef>
#include <cstdint>

namespace graphics::jpegcodec {

struct DecodeOptions {
  int scaleDenom = 1;  // 1, 2, 4 or 8
  bool fast = false;   // fast IDCT, plain upsampling, one-pass ordered quantiser
  bool grayscale = false;
  bool quantize = false;  // 8-bit indexes with a colour map
  int colors = 236;
};

struct FrameInfo {
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = false;
  bool cmyk = false;  // CMYK or YCCK
};

class Decoder {
 public:
  Decoder();
  ~Decoder();
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // The bytes must stay alive until the decoder is gone.
  bool ReadHeader(const uint8_t* data, size_t size);
  // Pulls from the stream only as far as the frame header.
  bool ReadHeader(QIODevice& stream);
  FrameInfo Info() const;

  // After ReadHeader: fixes the output and computes its size. A CMYK/YCCK picture cannot
  // be quantised here (libjpeg's quantisers want RGB); Prepare fails for that.
  bool Prepare(const DecodeOptions& options);
  int OutputWidth() const;
  int OutputHeight() const;
  // Starts decompression (a two-pass quantiser reads the whole picture here).
  bool Start();
  // Colour map of a quantised decode, as RGB (grey maps are expanded).
  int PaletteSize() const;
  void PaletteEntry(int index, uint8_t& r, uint8_t& g, uint8_t& b) const;
  // Writes every output row: 24-bit BGR, or 8-bit indexes when quantising.
  bool ReadRows(uint8_t* base, size_t stride);

  const char* Message() const;

  struct Session;  // defined in jpeg_codec.cpp only

 private:
  Session* s_;
};

struct EncodeOptions {
  int quality = 90;
  bool progressive = false;
  bool grayscale = false;
};

class Encoder {
 public:
  Encoder();
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // Encodes 24-bit BGR rows.
  bool Encode(const uint8_t* base, size_t stride, int width, int height, const EncodeOptions& options);
  const uint8_t* Data() const;
  size_t Size() const;
  const char* Message() const;

  struct Session;  // defined in jpeg_codec.cpp only

 private:
  Session* s_;
};

}  // namespace graphics::jpegcodec
