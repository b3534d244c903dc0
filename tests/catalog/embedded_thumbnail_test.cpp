// A JPEG's EXIF thumbnail (IFD1) stands in for the picture when it fills the box and has the
// picture's shape; otherwise, or when it is damaged, the picture itself is decoded. The
// thumbnails here are green and blue, the pictures red, so the colour tells which was used.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "catalog/img_util.h"
#include "catalog/picture_file.h"
#include "catalog/thumb_cache.h"
#include "edit/exif_orientation.h"
#include "graphics/jpeg_image.h"

using namespace catalog;

namespace {

enum Colour { kRed, kGreen, kBlue };

// Left half `left`, right half `right`, as a baseline JPEG of our own encoder.
QByteArray Encode(int w, int h, Colour left, Colour right) {
  graphics::TBitmap b(w, h);
  auto bgr = [](Colour c, uint8_t* px) {
    px[0] = c == kBlue ? 255 : 0;
    px[1] = c == kGreen ? 255 : 0;
    px[2] = c == kRed ? 255 : 0;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bgr(x < w / 2 ? left : right, b.ScanLine(y) + 3 * x);
  graphics::TJPEGImage jpeg;
  jpeg.SetCompressionQuality(95);
  jpeg.Assign(b);
  return jpeg.SaveToMemory();
}

// How the EXIF segment of a fixture is laid out; the defaults make a sound one.
struct TExifLayout {
  int Orientation = 0;              // 0: no tag
  QByteArray Thumbnail;             // stored after IFD1
  int64_t OffsetShift = 0;          // added to JPEGInterchangeFormat
  int64_t LengthShift = 0;          // added to JPEGInterchangeFormatLength
};

// APP1 "Exif": little-endian TIFF header, IFD0 (Orientation), IFD1 (the thumbnail's offset
// and length), then the thumbnail bytes.
QByteArray ExifApp1(const TExifLayout& l) {
  QByteArray t;
  auto u16 = [&t](uint32_t v) { t.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
  auto u32 = [&u16](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const int ifd0Entries = l.Orientation ? 1 : 0;
  const uint32_t ifd1 = 8 + 2 + 12 * ifd0Entries + 4;
  const uint32_t data = ifd1 + 2 + 2 * 12 + 4;
  t.append("II");
  u16(42);
  u32(8);
  u16(ifd0Entries);
  if (l.Orientation) {
    u16(0x0112), u16(3), u32(1), u16(l.Orientation), u16(0);
  }
  u32(ifd1);
  u16(2);
  u16(0x0201), u16(4), u32(1), u32(uint32_t(data + l.OffsetShift));
  u16(0x0202), u16(4), u32(1), u32(uint32_t(l.Thumbnail.size() + l.LengthShift));
  u32(0);
  t.append(l.Thumbnail);
  const QByteArray payload = QByteArray("Exif\0\0", 6) + t;
  const int length = int(payload.size()) + 2;
  return QByteArray("\xFF\xE1", 2).append(char(length >> 8)).append(char(length & 0xFF)) + payload;
}

QByteArray WithExif(const QByteArray& jpeg, const TExifLayout& l) { return jpeg.left(2) + ExifApp1(l) + jpeg.mid(2); }

Colour ColourAt(const graphics::TBitmap& b, int x, int y) {
  const graphics::TRGBQuad c = b.PixelColor(x, y);
  if (c.red > 200 && c.green < 60 && c.blue < 60) return kRed;
  if (c.green > 200 && c.red < 60 && c.blue < 60) return kGreen;
  if (c.blue > 200 && c.red < 60 && c.green < 60) return kBlue;
  ADD_FAILURE() << "no clear colour at " << x << "," << y;
  return kRed;
}

class EmbeddedThumbnail : public ::testing::Test {
 protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }
  QTemporaryDir dir;
};

TEST(EmbeddedThumbnailFitsRule, SizeAndShape) {
  const struct {
    QSize embedded, picture, box;
    bool fits;
    const char* why;
  } cases[] = {
      {{160, 120}, {4000, 3000}, {94, 94}, true, "same shape, fills the box"},
      {{160, 120}, {160, 120}, {94, 94}, true, "as large as the picture"},
      {{94, 94}, {1000, 1000}, {94, 94}, true, "exactly the box"},
      {{160, 119}, {400, 300}, {94, 94}, true, "one pixel short: rounding"},
      {{160, 118}, {400, 300}, {94, 94}, false, "two pixels short"},
      {{160, 120}, {3000, 2000}, {94, 94}, false, "letterboxed 3:2 picture"},
      {{120, 160}, {4000, 3000}, {94, 94}, false, "stale: the other way round"},
      {{80, 60}, {4000, 3000}, {94, 94}, false, "smaller than the box"},
      {{160, 120}, {4000, 3000}, {188, 188}, false, "smaller than a double-density box"},
      {{320, 240}, {160, 120}, {94, 94}, false, "larger than the picture"},
      {{160, 120}, {0, 0}, {94, 94}, false, "picture of no size"},
  };
  for (const auto& c : cases) EXPECT_EQ(EmbeddedThumbnailFits(c.embedded, c.picture, c.box), c.fits) << c.why;
}

TEST_F(EmbeddedThumbnail, UsedWhenItFitsElseThePictureIsDecoded) {
  const QByteArray picture = Encode(400, 300, kRed, kRed);
  const QByteArray thumb = Encode(160, 120, kGreen, kGreen);
  const struct {
    const char* name;
    QByteArray file;
    Colour want;
    int sourceWidth = 400, height = 70;
  } cases[] = {
      {"used", WithExif(picture, {.Thumbnail = thumb}), kGreen},
      {"too small", WithExif(picture, {.Thumbnail = Encode(80, 60, kGreen, kGreen)}), kRed},
      {"letterboxed", WithExif(Encode(450, 300, kRed, kRed), {.Thumbnail = thumb}), kRed, 450, 62},
      {"truncated", WithExif(picture, {.Thumbnail = thumb.left(thumb.size() / 2)}), kRed},
      {"not a JPEG", WithExif(picture, {.Thumbnail = QByteArray(600, '\x55')}), kRed},
      {"offset past the segment", WithExif(picture, {.Thumbnail = thumb, .OffsetShift = 70000}), kRed},
      {"length past the segment", WithExif(picture, {.Thumbnail = thumb, .LengthShift = 1}), kRed},
      {"offset wraps round", WithExif(picture, {.Thumbnail = thumb, .OffsetShift = -100000}), kRed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TImgUtil util;
    const QString p = Write(QStringLiteral("%1.jpg").arg(c.name), c.file);
    ASSERT_EQ(util.Load(p, 94, 0, 94), 0) << qPrintable(util.LastError);
    EXPECT_EQ(util.Bitmap.Width(), 94);
    EXPECT_EQ(util.Bitmap.Height(), c.height);
    EXPECT_EQ(util.SourceWidth, c.sourceWidth);
    EXPECT_EQ(util.SourceHeight, 300);
    EXPECT_EQ(ColourAt(util.Bitmap, 47, c.height / 2), c.want);
  }
}

TEST_F(EmbeddedThumbnail, OrientationTurnsItAsThePicture) {
  // Stored 400 x 300 on its side (orientation 6: turn right); the thumbnail's left half
  // (green) comes on top.
  const QString p = Write("six.jpg", WithExif(Encode(400, 300, kRed, kRed),
                                               {.Orientation = 6, .Thumbnail = Encode(160, 120, kGreen, kBlue)}));
  TImgUtil util;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.SourceWidth, 300);
  EXPECT_EQ(util.SourceHeight, 400);
  ASSERT_EQ(util.Bitmap.Width(), 70);
  ASSERT_EQ(util.Bitmap.Height(), 94);
  EXPECT_EQ(ColourAt(util.Bitmap, 35, 15), kGreen);
  EXPECT_EQ(ColourAt(util.Bitmap, 35, 80), kBlue);
  // With AutoRotate off, as stored.
  util.AutoRotate = false;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.SourceWidth, 400);
  ASSERT_EQ(util.Bitmap.Width(), 94);
  EXPECT_EQ(ColourAt(util.Bitmap, 15, 35), kGreen);
  EXPECT_EQ(ColourAt(util.Bitmap, 80, 35), kBlue);
}

TEST_F(EmbeddedThumbnail, FullSizeLoadsIgnoreIt) {
  const QString p = Write("full.jpg", WithExif(Encode(400, 300, kRed, kRed), {.Thumbnail = Encode(160, 120, kGreen, kGreen)}));
  const TPicture pic = LoadPictureFile(p, nullptr);
  ASSERT_EQ(pic.Bitmap.Width(), 400);
  EXPECT_EQ(ColourAt(pic.Bitmap, 200, 150), kRed);
}

TEST_F(EmbeddedThumbnail, CacheEntryHasTheFormOfADecodedOne) {
  QDir().mkpath(dir.filePath("Cache"));
  TThumb thumb;
  thumb.Path = dir.filePath("Cache");
  thumb.FileName = "pics";
  TImgUtil util;
  util.Thumbnail = &thumb;
  util.AutoThumb = true;
  const QByteArray picture = Encode(400, 300, kRed, kRed);
  const QString with = Write("with.jpg", WithExif(picture, {.Orientation = 6, .Thumbnail = Encode(160, 120, kGreen, kGreen)}));
  const QString without = Write("without.jpg", WithExif(picture, {.Orientation = 6, .Thumbnail = {}}));
  TThumbEntryHeader written[2];
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(util.Load(i == 0 ? with : without, 94, 0, 94), 0);
    ASSERT_EQ(util.CacheUse, TImgUtil::ctWritten);
    EXPECT_EQ(ColourAt(util.Bitmap, 35, 47), i == 0 ? kGreen : kRed);
    written[i] = thumb.Header();
  }
  for (const TThumbEntryHeader& h : written) {
    EXPECT_EQ(h.Flags, written[1].Flags);
    EXPECT_EQ(h.Width, 70u);
    EXPECT_EQ(h.Height, 94u);
    EXPECT_EQ(h.SourceWidth, 300u);
    EXPECT_EQ(h.SourceHeight, 400u);
  }
  // Read back from the cache: the stand-in, with the picture's size.
  const int before = TImgUtil::DecoderCalls();
  ASSERT_EQ(util.Load(with, 94, 0, 94), 0);
  EXPECT_EQ(util.CacheUse, TImgUtil::ctRead);
  EXPECT_EQ(TImgUtil::DecoderCalls(), before);
  EXPECT_EQ(util.SourceWidth, 300);
  EXPECT_EQ(util.SourceHeight, 400);
  EXPECT_EQ(ColourAt(util.Bitmap, 35, 47), kGreen);
}

TEST(EmbeddedThumbnailExif, ThumbnailBytesAreTakenOnlyFromInsideTheSegment) {
  const QByteArray picture = Encode(64, 48, kRed, kRed);
  const QByteArray thumb = Encode(32, 24, kGreen, kGreen);
  auto read = [](const QByteArray& j) {
    return edit::ReadJpegExif(reinterpret_cast<const uint8_t*>(j.constData()), size_t(j.size()));
  };
  const edit::TJpegExif sound = read(WithExif(picture, {.Orientation = 3, .Thumbnail = thumb}));
  EXPECT_EQ(sound.Orientation, 3);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sound.Thumbnail.data()), qsizetype(sound.Thumbnail.size())), thumb);
  EXPECT_TRUE(read(picture).Thumbnail.empty());
  EXPECT_TRUE(read(WithExif(picture, {.Thumbnail = thumb, .OffsetShift = 1000})).Thumbnail.empty());
  EXPECT_TRUE(read(WithExif(picture, {.Thumbnail = thumb, .LengthShift = 1})).Thumbnail.empty());
  EXPECT_TRUE(read(WithExif(picture, {.Thumbnail = thumb}).left(300)).Thumbnail.empty());
}

}  // namespace
