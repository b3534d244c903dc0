#pragma once
// Tests at a device pixel ratio of 2: a picture whose detail is one pixel wide, and a check
// that a drawing kept it, which a picture made at logical size and doubled cannot pass.
#include <QApplication>
#include <QImage>
#include <QString>
#include <QtTest>
#include <algorithm>

#include "graphics/bitmap.h"

// Black and white pixels alternating both ways; white at (0, 0).
inline graphics::TBitmap Checkerboard(int w, int h) {
  graphics::TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((x + y) % 2 == 0) std::fill_n(b.ScanLine(y) + 3 * x, 3, uint8_t(255));
  return b;
}

// Empty when `shot` holds the w × h checkerboard at its top-left, one square per pixel;
// otherwise where it does not.
inline QString CheckerboardFault(const QImage& shot, int w, int h) {
  if (shot.width() < w || shot.height() < h)
    return QStringLiteral("%1×%2 is smaller than the picture").arg(shot.width()).arg(shot.height());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb want = (x + y) % 2 == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
      if ((shot.pixel(x, y) & 0xffffff) != (want & 0xffffff))
        return QStringLiteral("pixel (%1, %2) is %3").arg(x).arg(y).arg(shot.pixel(x, y), 8, 16, QLatin1Char('0'));
    }
  return {};
}

// main() of a Qt Test run at a device pixel ratio of 2: the factor must be set before the
// application exists.
#define QIVO2_QTEST_MAIN_AT_RATIO_2(TestClass)   \
  int main(int argc, char** argv) {              \
    qputenv("QT_SCALE_FACTOR", "2");             \
    QApplication app(argc, argv);                \
    TestClass test;                              \
    return QTest::qExec(&test, argc, argv);      \
  }
