// JPEG files with an EXIF orientation decode upright through the one decoding path, and
// their thumbnails and cache entries carry the turned size.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "catalog/img_util.h"
#include "catalog/picture_file.h"
#include "catalog/thumb_cache.h"
#include "edit/exif_orientation.h"

using namespace catalog;

namespace {

// 32 × 16 stored: quadrants red (top left), green (top right), blue (bottom left), white.
const QRgb kQuadrant[2][2] = {{qRgb(255, 0, 0), qRgb(0, 255, 0)}, {qRgb(0, 0, 255), qRgb(255, 255, 255)}};
constexpr int kW = 32, kH = 16;

// An APP1 segment holding IFD0 with the one Orientation tag (little- or big-endian).
QByteArray ExifApp1(int orientation, bool bigEndian) {
  QByteArray tiff;
  auto u16 = [&tiff, bigEndian](uint16_t v) {
    if (bigEndian) tiff.append(char(v >> 8)).append(char(v & 0xFF));
    else tiff.append(char(v & 0xFF)).append(char(v >> 8));
  };
  auto u32 = [&u16, bigEndian](uint32_t v) {
    if (bigEndian) {
      u16(uint16_t(v >> 16));
      u16(uint16_t(v));
    } else {
      u16(uint16_t(v));
      u16(uint16_t(v >> 16));
    }
  };
  tiff.append(bigEndian ? "MM" : "II");
  u16(42);
  u32(8);
  u16(1);       // one entry
  u16(0x0112);  // Orientation
  u16(3);       // SHORT
  u32(1);
  u16(uint16_t(orientation));
  u16(0);
  u32(0);  // no next IFD
  const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
  const int length = int(payload.size()) + 2;
  return QByteArray("\xFF\xE1", 2).append(char(length >> 8)).append(char(length & 0xFF)) + payload;
}

QByteArray Jpeg(int orientation, bool bigEndian = false) {
  QImage im(kW, kH, QImage::Format_RGB32);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) im.setPixel(x, y, kQuadrant[y / (kH / 2)][x / (kW / 2)]);
  QByteArray jpeg;
  QBuffer buf(&jpeg);
  buf.open(QIODevice::WriteOnly);
  EXPECT_TRUE(im.save(&buf, "JPEG", 95));
  return orientation ? jpeg.left(2) + ExifApp1(orientation, bigEndian) + jpeg.mid(2) : jpeg;
}

// The stored pixel that the shown pixel (x, y) comes from.
QPoint StoredFor(int o, int x, int y) {
  switch (o) {
    case 2: return {kW - 1 - x, y};
    case 3: return {kW - 1 - x, kH - 1 - y};
    case 4: return {x, kH - 1 - y};
    case 5: return {y, x};
    case 6: return {y, kH - 1 - x};
    case 7: return {kW - 1 - y, kH - 1 - x};
    case 8: return {kW - 1 - y, x};
    default: return {x, y};
  }
}

bool Near(const graphics::TRGBQuad& c, QRgb want) {
  return std::abs(c.red - qRed(want)) < 40 && std::abs(c.green - qGreen(want)) < 40 &&
         std::abs(c.blue - qBlue(want)) < 40;
}

// Each quadrant's centre of the shown picture against the stored quadrant it comes from.
void ExpectUpright(const graphics::TBitmap& bm, int o) {
  const bool swap = edit::SwapsSides(o);
  ASSERT_EQ(bm.Width(), swap ? kH : kW) << o;
  ASSERT_EQ(bm.Height(), swap ? kW : kH) << o;
  for (int qy = 0; qy < 2; ++qy)
    for (int qx = 0; qx < 2; ++qx) {
      const int x = (2 * qx + 1) * bm.Width() / 4, y = (2 * qy + 1) * bm.Height() / 4;
      const QPoint s = StoredFor(o, x, y);
      EXPECT_TRUE(Near(bm.PixelColor(x, y), kQuadrant[s.y() / (kH / 2)][s.x() / (kW / 2)]))
          << "orientation " << o << " at " << x << "," << y;
    }
}

class ExifOrientation : public ::testing::Test {
 protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }
  QTemporaryDir dir;
};

TEST_F(ExifOrientation, TagIsRead) {
  for (int o = 1; o <= 8; ++o) {
    for (const bool big : {false, true}) {
      const QByteArray j = Jpeg(o, big);
      EXPECT_EQ(edit::JpegOrientation(reinterpret_cast<const uint8_t*>(j.constData()), size_t(j.size())), o);
    }
  }
  // No tag, a value out of range, a segment cut short, and no JPEG at all read as 1.
  QByteArray bad = Jpeg(0);
  QByteArray outOfRange = Jpeg(9);
  QByteArray cut = Jpeg(6).left(20);
  for (const QByteArray& j : {bad, outOfRange, cut, QByteArray("GIF89a"), QByteArray()})
    EXPECT_EQ(edit::JpegOrientation(reinterpret_cast<const uint8_t*>(j.constData()), size_t(j.size())), 1);
}

TEST_F(ExifOrientation, EightOrientationsDecodeUpright) {
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(o);
    const QString p = Write(QStringLiteral("o%1.jpg").arg(o), Jpeg(o));
    const TPicture pic = LoadPictureFile(p, nullptr);
    ExpectUpright(pic.Bitmap, o);
    EXPECT_EQ(pic.SourceWidth, pic.Bitmap.Width());
    EXPECT_EQ(pic.SourceHeight, pic.Bitmap.Height());
    // AutoRotate off: as stored.
    TPictureOptions asStored;
    asStored.AutoRotate = false;
    ExpectUpright(LoadPictureFile(p, nullptr, asStored).Bitmap, 1);
  }
}

TEST_F(ExifOrientation, ThumbnailsAndCacheEntriesCarryTheTurnedSize) {
  QDir().mkpath(dir.filePath("Cache"));
  TThumb thumb;
  thumb.Path = dir.filePath("Cache");
  thumb.FileName = "pics";
  TImgUtil util;
  util.Thumbnail = &thumb;
  util.AutoThumb = true;
  const QString p = Write("six.jpg", Jpeg(6));
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.SourceWidth, kH);
  EXPECT_EQ(util.SourceHeight, kW);
  ExpectUpright(util.Bitmap, 6);
  EXPECT_EQ(thumb.Header().SourceWidth, uint32_t(kH));
  EXPECT_EQ(thumb.Header().SourceHeight, uint32_t(kW));

  // From the cache, still turned; with AutoRotate off the cached turned entry is not used.
  const int before = TImgUtil::DecoderCalls();
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(TImgUtil::DecoderCalls(), before);
  EXPECT_EQ(util.SourceWidth, kH);
  ExpectUpright(util.Bitmap, 6);
  util.AutoRotate = false;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(TImgUtil::DecoderCalls(), before + 1);
  EXPECT_EQ(util.SourceWidth, kW);
  ExpectUpright(util.Bitmap, 1);
  // Worker threads decode with a copy of the settings: the switch goes with them.
  TImgUtil worker;
  worker.Apply(util.Settings());
  EXPECT_FALSE(worker.AutoRotate);
  // And back: the turned entry is still the cached one.
  util.AutoRotate = true;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(TImgUtil::DecoderCalls(), before + 1);
  ExpectUpright(util.Bitmap, 6);
}

}  // namespace
