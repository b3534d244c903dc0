// The catalogue at a device pixel ratio of 2: the same cells in the control's coordinates,
// drawn on a page of twice the pixels, so text and frames are sharp rather than stretched.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "catalog/img_thread_file.h"
#include "catalog/widgets/imgpanel.h"
#include "tests/support/device_pixels.h"

using catalog::TImgPanel;

class ImgPanelHiDpiTest : public QObject {
  Q_OBJECT
 private slots:
  void cellsKeepTheirPlaceOnTwiceThePixels() {
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    QTemporaryDir dir;
    for (const char* n : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) {
      QFile f(dir.path() + "/" + n);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    TImgPanel panel;
    panel.resize(520, 300);
    panel.SetFolder(dir.path());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCOMPARE(panel.devicePixelRatioF(), 2.0);
    const QImage& page = panel.PageImage();
    QCOMPARE(page.devicePixelRatio(), 2.0);
    QVERIFY(!page.deviceIndependentSize().isEmpty());
    QCOMPARE(page.size(), page.deviceIndependentSize().toSize() * 2);
    // The cells are where they are at ratio 1: the grid follows the control's own size.
    const QRect first = panel.CellRect(0), second = panel.CellRect(1);
    QVERIFY(!first.isEmpty());
    QCOMPARE(second.top(), first.top());
    QCOMPARE(second.left() - first.left(), panel.Metrics().CW);
    QVERIFY(panel.Columns() >= 4);
  }

  void thumbnailsAreMadeForTheScreensPixels() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/board.jpg";
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    TImgPanel panel;
    panel.resize(520, 300);
    catalog::TViewImage v = panel.ViewImage();
    v.ImageWidth = 100;
    v.ImageHeight = 80;
    panel.SetViewImage(v);
    panel.SetViewMode(catalog::TViewMode::ivmFile);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCOMPARE(panel.ThumbScale(), 2.0);
    QCOMPARE(panel.ThumbBox(), QSize(200, 160));
    QCOMPARE(catalog::ThumbFileVariant(panel.ThumbScale()), QString("@2x"));
    QCOMPARE(catalog::ThumbFileVariant(1.0), QString());
    catalog::TPanelItem* item = panel.AddFile(path);
    QVERIFY(item);
    // One-pixel squares survive only if every picture pixel lands on one screen pixel.
    QVERIFY(panel.StoreThumbnail(item, Checkerboard(200, 160), 400, 320) >= 0);
    const QImage& page = panel.PageImage();
    QPoint at(-1, -1);  // the first black pixel: the board's (1, 0)
    for (int y = 0; y < page.height() && at.x() < 0; ++y)
      for (int x = 0; x < page.width(); ++x)
        if ((page.pixel(x, y) & 0xffffff) == 0) {
          at = QPoint(x - 1, y);
          break;
        }
    QVERIFY(at.x() >= 0);
    const QString fault = CheckerboardFault(page.copy(QRect(at, QSize(200, 160))), 200, 160);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
  }
};

QIVO2_QTEST_MAIN_AT_RATIO_2(ImgPanelHiDpiTest)
#include "imgpanel_hidpi_qtest.moc"
