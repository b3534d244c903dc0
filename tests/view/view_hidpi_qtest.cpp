// The viewing windows at a device pixel ratio of 2. Real size puts each picture pixel on one
// device pixel; fitted and full-screen pictures are made at the device's pixels and drawn at
// ratio 2, not made at the logical size and doubled by the painter.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "graphics/bmp_graphic.h"
#include "graphics/picture_formats.h"
#include "tests/support/device_pixels.h"
#include "view/picture_loader.h"
#include "view/preview_geometry.h"
#include "view/widgets/picture_view.h"
#include "view/widgets/preview_form.h"
#include "view/widgets/slide_form.h"

using view::TPreviewForm;
using view::TSlideForm;

namespace {
std::shared_ptr<const graphics::TBitmap> Board(int w, int h) {
  return std::make_shared<const graphics::TBitmap>(Checkerboard(w, h));
}

TPreviewForm* NewForm(QRect work) {
  auto* f = new TPreviewForm(nullptr);
  f->WorkArea = [work] { return work; };
  f->ScreenRect = [work] { return work; };
  f->CaptionHeight = [] { return 20; };
  return f;
}

QImage Shot(QWidget* w) { return w->grab().toImage(); }
}  // namespace

class ViewHiDpiTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    graphics::RegisterBuiltinFormats();
  }

  void realSizePutsEachPicturePixelOnADevicePixel_data() {
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QSize>("logical");
    QTest::newRow("even") << QSize(256, 192) << QSize(128, 96);
    QTest::newRow("odd") << QSize(257, 193) << QSize(129, 97);  // the last half column is black
  }
  void realSizePutsEachPicturePixelOnADevicePixel() {
    QFETCH(QSize, pixels);
    QFETCH(QSize, logical);
    TPreviewForm* f = NewForm({0, 0, 1024, 738});
    f->ShowReal(Board(pixels.width(), pixels.height()), "/b.png");
    f->SetSource(f->Image->Picture(), 0, "/b.png");
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QCOMPARE(f->windowTitle(), QString::fromUtf8("b.png (%1×%2)").arg(pixels.width()).arg(pixels.height()));
    QCOMPARE(f->Image->size(), logical);
    QCOMPARE(f->size(), logical);
    QCOMPARE(f->ShownWidth(), pixels.width());
    const QImage shot = Shot(f->Image);
    QCOMPARE(shot.size(), logical * 2);
    QCOMPARE(CheckerboardFault(shot, pixels.width(), pixels.height()), QString());
    if (pixels.width() % 2) QCOMPARE(shot.pixel(pixels.width(), 0) & 0xffffff, 0u);
    // 200 % doubles the pixels, and so the window.
    f->ZoomItems[5]->trigger();
    QCOMPARE(f->Image->PixelSize(), pixels * 2);
    QCOMPARE(f->Image->size(), pixels);
    delete f;
  }

  void fittedIsMadeAtTheDevicePixels() {
    TPreviewForm* f = NewForm({0, 0, 600, 500});
    f->Fitted = true;
    // 3200 × 2400 is 1600 × 1200 on screen: fitted as at ratio 1 to 600 × 419, then made
    // at 1200 × 838 pixels.
    auto source = Board(3200, 2400);
    f->ShowFitted(source, "/f.jpg", false);
    f->SetSource(source, 0, "/f.jpg");
    QCOMPARE(f->Image->size(), QSize(600, 419));
    QCOMPARE(f->size(), QSize(600, 419));
    const QImage& drawn = f->Image->DrawnImage();
    QCOMPARE(drawn.devicePixelRatio(), 2.0);
    QCOMPARE(drawn.size(), QSize(1200, 838));
    QCOMPARE(f->windowTitle(), QString::fromUtf8("f.jpg (1200×838)"));
    QCOMPARE(f->ShownWidth(), 1200);
    // 50 % of the fitted picture's pixels.
    f->ZoomItems[1]->trigger();
    QCOMPARE(f->Image->PixelSize(), QSize(600, 419));
    QCOMPARE(f->Image->size(), QSize(300, 210));
    delete f;

    // 1000 × 800 takes 500 × 400 and fits: shown as it is, not resampled.
    TPreviewForm* fits = NewForm({0, 0, 600, 500});
    fits->Fitted = true;
    auto small = Board(1000, 800);
    fits->ShowFitted(small, "/s.jpg", true);
    QCOMPARE(fits->Image->Picture(), small);
    QCOMPARE(fits->Image->size(), QSize(500, 400));
    delete fits;
  }

  void fullScreenFitsToTheScreensDevicePixels() {
    QTemporaryDir dir;
    // 4:1, wider than the screen's device pixels.
    const QString wide = dir.filePath("wide.bmp");
    graphics::TBMPGraphic(Checkerboard(4000, 1000)).SaveToFile(wide);
    auto* f = new TSlideForm(nullptr);
    QCOMPARE(f->ScreenSize(), f->size() * 2);
    const QSize screen = f->ScreenSize();
    auto fitted = std::make_shared<const graphics::TBitmap>(view::LoadPictureFitted(wide, screen, true, nullptr));
    const QSize pixels = view::ScreenFitSize({4000, 1000}, screen);
    QCOMPARE(QSize(fitted->Width(), fitted->Height()), pixels);
    f->ShowSingle(fitted, {});
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QCOMPARE(f->SImage->DrawnImage().devicePixelRatio(), 2.0);
    const QSize logical = view::LogicalExtent(pixels, 2);
    QCOMPARE(f->SImage->size(), logical);
    QCOMPARE(f->SImage->pos(), QPoint((f->width() - logical.width()) / 2, (f->height() - logical.height()) / 2));
    delete f;

    // A picture that fits the device pixels stays at its own, one per device pixel.
    auto* single = new TSlideForm(nullptr);
    single->ShowSingle(Board(40, 30), {});
    QVERIFY(QTest::qWaitForWindowExposed(single));
    QCOMPARE(single->SImage->size(), QSize(20, 15));
    QCOMPARE(CheckerboardFault(Shot(single->SImage), 40, 30), QString());
    delete single;
  }
};

QIVO2_QTEST_MAIN_AT_RATIO_2(ViewHiDpiTest)
#include "view_hidpi_qtest.moc"
