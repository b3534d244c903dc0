// The editor at a device pixel ratio of 2: the shown picture is the one a save writes, so it
// is drawn one pixel per device pixel rather than doubled.
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "edit/widgets/rotate_form.h"
#include "tests/support/device_pixels.h"

class RotateFormHiDpiTest : public QObject {
  Q_OBJECT
 private slots:
  void pictureKeepsItsDevicePixels() {
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    QTemporaryDir home;
    qputenv("QIVO2_HOME", home.path().toUtf8());
    edit::TRotateF f;
    f.SetPicture(Checkerboard(121, 90));
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.Image->pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(f.Image->size(), QSize(61, 45));
    QCOMPARE(CheckerboardFault(f.Image->grab().toImage(), 121, 90), QString());
    f.close();
    qunsetenv("QIVO2_HOME");
  }
};

QIVO2_QTEST_MAIN_AT_RATIO_2(RotateFormHiDpiTest)
#include "rotate_form_hidpi_qtest.moc"
