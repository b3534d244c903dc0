// The catalogue at a device pixel ratio of 2: the same cells in the control's coordinates,
// drawn on a page of twice the pixels, so text and frames are sharp rather than stretched.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
};

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  ImgPanelHiDpiTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "imgpanel_hidpi_qtest.moc"
