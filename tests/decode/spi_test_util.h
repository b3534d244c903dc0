#pragma once
// Shared by the plug-in host tests: where the test plug-ins are, scratch folders, and
// the "QRAW" pictures of the rawpic test plug-in.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "graphics/bitmap.h"

namespace spitest {

inline QString TestSpi(const char* name) { return QStringLiteral(QIVO2_TEST_SPI_DIR "/%1.spi").arg(name); }
inline QString DataFile(const char* name) { return QStringLiteral(QIVO2_TEST_DATA "/spi/%1").arg(name); }

// A QRAW picture: pixel (x, y) = blue 10x, green 20y, red 7.
inline QByteArray RawPicture(int w, int h) {
  QByteArray d("QRAW");
  d += char(w & 0xFF);
  d += char(w >> 8);
  d += char(h & 0xFF);
  d += char(h >> 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      d += char(10 * x);
      d += char(20 * y);
      d += char(7);
    }
  return d;
}

inline void ExpectRawPixels(const graphics::TBitmap& bm, int w, int h) {
  ASSERT_EQ(bm.Width(), w);
  ASSERT_EQ(bm.Height(), h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto c = bm.PixelColor(x, y);
      EXPECT_EQ(c.blue, 10 * x) << x << "," << y;
      EXPECT_EQ(c.green, 20 * y) << x << "," << y;
      EXPECT_EQ(c.red, 7) << x << "," << y;
    }
}

inline QString WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  return path;
}

inline QString CopyTo(const QString& from, const QString& to) {
  QFile::remove(to);
  EXPECT_TRUE(QFile::copy(from, to)) << from.toStdString() << " -> " << to.toStdString();
  return to;
}

}  // namespace spitest
