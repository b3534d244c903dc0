// The main window's preview pane at a device pixel ratio of 2: the picture is fitted to the
// pane's device pixels and drawn one to one, so it is sharp and fills the pane as at ratio 1.
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

#include "app/preview_fit.h"
#include "app/widgets/cvmain.h"
#include "app/widgets/preview_picture.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/widgets/imgpanel.h"
#include "graphics/bmp_graphic.h"
#include "tests/support/device_pixels.h"

using app::TCVMain;

class CVMainHiDpiTest : public QObject {
  Q_OBJECT
 private slots:
  void previewPaneIsFittedToItsDevicePixels() {
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    QTemporaryDir home, data;
    qputenv("QIVO2_HOME", home.path().toUtf8());
    const QString folder = QDir(data.path()).canonicalPath();
    graphics::TBMPGraphic(Checkerboard(1600, 1200)).SaveToFile(folder + "/big.bmp");
    graphics::TBMPGraphic(Checkerboard(60, 40)).SaveToFile(folder + "/small.bmp");
    {
      TCVMain w;
      QVERIFY(w.ShellTreeView1->SelectPath(folder));
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      w.Menus["SetPreview1"]->trigger();
      QCoreApplication::processEvents();
      const QSize pane = w.ScrollBox1->viewport()->size();
      w.ImgPanel1->SelectOnly(0);
      w.ImgPanel1Click();
      const QPixmap big = w.Image2->pixmap();
      QCOMPARE(big.devicePixelRatio(), 2.0);
      const QSize fit = app::FitToPane({1600, 1200}, pane * 2);
      QCOMPARE(big.size(), fit);
      QCOMPARE(w.Image2->size(), QSize((fit.width() + 1) / 2, (fit.height() + 1) / 2));
      QCOMPARE(w.Image2->pos(), app::CentreInPane(w.Image2->size(), pane));
      // A picture smaller than the pane keeps its pixels, one per device pixel.
      w.ImgPanel1->SelectOnly(1);
      w.ImgPanel1Click();
      QCOMPARE(w.Image2->size(), QSize(30, 20));
      QCOMPARE(CheckerboardFault(w.Image2->grab().toImage(), 60, 40), QString());
      w.close();
    }
    qunsetenv("QIVO2_HOME");
  }
};

QIVO2_QTEST_MAIN_AT_RATIO_2(CVMainHiDpiTest)
#include "cvmain_hidpi_qtest.moc"
