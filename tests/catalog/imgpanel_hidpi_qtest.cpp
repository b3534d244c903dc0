// The catalogue at a device pixel ratio of 2: the same cells in the control's coordinates,
// drawn on a page of twice the pixels, so text and frames are sharp rather than stretched.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

#include "catalog/img_thread_file.h"
#include "catalog/widgets/imgpanel.h"

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
    graphics::TBitmap board(200, 160);
    for (int y = 0; y < 160; ++y)
      for (int x = 0; x < 200; ++x) std::memset(board.ScanLine(y) + 3 * x, (x + y) % 2 ? 255 : 0, 3);
    QVERIFY(panel.StoreThumbnail(item, board, 400, 320) >= 0);
    const QImage& page = panel.PageImage();
    QPoint at(-1, -1);
    for (int y = 0; y < page.height() && at.x() < 0; ++y)
      for (int x = 0; x < page.width(); ++x)
        if (page.pixelColor(x, y) == QColor(Qt::black)) {
          at = QPoint(x, y);
          break;
        }
    QVERIFY(at.x() >= 0);
    for (int y = 0; y < 160; ++y)
      for (int x = 0; x < 200; ++x) {
        const QColor want = (x + y) % 2 ? QColor(Qt::white) : QColor(Qt::black);
        if (page.pixelColor(at + QPoint(x, y)) != want) QFAIL(qPrintable(QString("(%1, %2)").arg(x).arg(y)));
      }
  }
};

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  ImgPanelHiDpiTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "imgpanel_hidpi_qtest.moc"
