#include "graphics/jpeg_image.h"

#include <QFile>
#include <algorithm>

#include "graphics/image_size.h"
#include "graphics/jpeg_codec.h"
#include "platform/regular_file.h"
#include "platform/source_bytes.h"

namespace graphics {
namespace {

int ScaleDenominator(TJPEGScale scale) {
  switch (scale) {
    case jsFullSize: return 1;
    case jsHalf: return 2;
    case jsQuarter: return 4;
    case jsEighth: return 8;
  }
  return 1;
}

[[noreturn]] void Throw(const char* message) {
  throw EInvalidGraphic(QString::fromUtf8(message && *message ? message : "Invalid JPEG data"));
}

TBitmap Decode(const uint8_t* data, size_t size, const jpegcodec::DecodeOptions& options) {
  jpegcodec::Decoder decoder;
  if (!decoder.ReadHeader(data, size) || !decoder.Prepare(options)) Throw(decoder.Message());
  const int w = decoder.OutputWidth();
  const int h = decoder.OutputHeight();
  const TPixelFormat format = options.quantize ? TPixelFormat::pf8bit : TPixelFormat::pf24bit;
  if (!checkedImageBytes(w, h, int(format))) Throw("JPEG picture too large");
  TBitmap bitmap(w, h, format);
  if (!decoder.Start()) Throw(decoder.Message());
  if (options.quantize) {
    auto& palette = bitmap.Palette();
    palette.resize(size_t(decoder.PaletteSize()));
    for (size_t i = 0; i < palette.size(); ++i)
      decoder.PaletteEntry(int(i), palette[i].red, palette[i].green, palette[i].blue);
  }
  if (!decoder.ReadRows(bitmap.Bits(), bitmap.Stride())) Throw(decoder.Message());
  return bitmap;
}

QByteArray Encode(const TBitmap& picture, const jpegcodec::EncodeOptions& options) {
  if (picture.Empty()) Throw("Cannot write an empty picture as JPEG");
  TBitmap converted;
  const TBitmap* source = &picture;
  if (picture.PixelFormat() != TPixelFormat::pf24bit) {
    converted = picture.To24();
    source = &converted;
  }
  jpegcodec::Encoder encoder;
  if (!encoder.Encode(source->Bits(), source->Stride(), source->Width(), source->Height(), options))
    Throw(encoder.Message());
  return QByteArray(reinterpret_cast<const char*>(encoder.Data()), qsizetype(encoder.Size()));
}

std::optional<TJPEGInfo> InfoOf(const jpegcodec::Decoder& decoder) {
  const jpegcodec::FrameInfo f = decoder.Info();
  return TJPEGInfo{f.width, f.height, f.components, f.progressive};
}

}  // namespace

std::optional<TJPEGInfo> ReadJpegInfo(const uint8_t* data, size_t size) {
  jpegcodec::Decoder decoder;
  if (!decoder.ReadHeader(data, size)) return std::nullopt;
  return InfoOf(decoder);
}

std::optional<TJPEGInfo> ReadJpegInfo(QIODevice& stream) {
  jpegcodec::Decoder decoder;
  if (!decoder.ReadHeader(stream)) return std::nullopt;
  return InfoOf(decoder);
}

std::optional<TJPEGInfo> ReadJpegInfoFromFile(const QString& fileName) {
  platform::RegularFile file = platform::RegularFile::Open(fileName);
  QFile f;
  if (!file.LendTo(f)) return std::nullopt;
  return ReadJpegInfo(f);
}

QSize JpegScaledSize(int width, int height, TJPEGScale scale) {
  const int d = ScaleDenominator(scale);
  return QSize((width + d - 1) / d, (height + d - 1) / d);
}

void TJPEGImage::SetCompressionQuality(int q) { quality_ = std::clamp(q, 1, 100); }

void TJPEGImage::LoadFromStream(QIODevice& stream) {
  const auto data = platform::SourceBytes::FromDevice(stream, "\xFF\xD8");
  if (!data) throw EInvalidGraphic(data.Why());
  LoadFromMemory(data.Span().data(), data.Size());
}

void TJPEGImage::LoadFromMemory(const uint8_t* data, size_t size) {
  jpegcodec::DecodeOptions options;
  options.scaleDenom = ScaleDenominator(scale_);
  options.fast = performance_ == jpBestSpeed;
  options.grayscale = grayscale_;
  options.quantize = pixelFormat_ == jf8Bit;
  options.colors = kJpegQuantizedColors;
  const std::optional<TJPEGInfo> info = ReadJpegInfo(data, size);
  if (options.quantize && info && info->Components == 4) {
    // libjpeg quantises only RGB output: go through an RGB JPEG of the decoded picture.
    jpegcodec::DecodeOptions colour = options;
    colour.quantize = false;
    jpegcodec::EncodeOptions lossless;
    lossless.quality = 100;
    const QByteArray rgb = Encode(Decode(data, size, colour), lossless);
    options.scaleDenom = 1;
    bitmap_ = Decode(reinterpret_cast<const uint8_t*>(rgb.constData()), size_t(rgb.size()), options);
    return;
  }
  bitmap_ = Decode(data, size, options);
}

QByteArray TJPEGImage::SaveToMemory() const {
  jpegcodec::EncodeOptions options;
  options.quality = quality_;
  options.progressive = progressive_;
  options.grayscale = grayscale_;
  return Encode(bitmap_, options);
}

void TJPEGImage::SaveToStream(QIODevice& stream) const {
  const QByteArray data = SaveToMemory();
  if (stream.write(data) != data.size()) Throw("Cannot write the JPEG data");
}

const TGraphicClass& JpegGraphicClass() {
  static const TGraphicClass cls{QStringLiteral("TJPEGImage"), [] { return std::make_unique<TJPEGImage>(); }};
  return cls;
}

}  // namespace graphics
