// The real-size window: sizes, captions, zoom, turns, drag and closing.
#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QtTest>

#include "view/widgets/picture_view.h"
#include "view/widgets/preview_form.h"

using view::TPreviewForm;

namespace {
// A picture whose top-left pixel is red, the rest black, so turns can be seen.
std::shared_ptr<const graphics::TBitmap> Picture(int w, int h) {
  auto b = std::make_shared<graphics::TBitmap>(w, h);
  b->ScanLine(0)[2] = 255;
  return b;
}

TPreviewForm* NewForm(QRect work = {0, 0, 1024, 738}, QRect screen = {0, 0, 1024, 768}) {
  auto* f = new TPreviewForm(nullptr);
  f->WorkArea = [work] { return work; };
  f->ScreenRect = [screen] { return screen; };
  f->CaptionHeight = [] { return 20; };
  return f;
}

void Open(TPreviewForm* f, std::shared_ptr<const graphics::TBitmap> p, const QString& path) {
  if (f->Fitted) {
    f->ShowFitted(p, path, false);
  } else {
    f->ShowReal(p, path);
  }
  f->SetSource(p, 2, path);
}

QSize Shown(const TPreviewForm* f) { return f->Image->PictureSize(); }
}  // namespace

class PreviewFormTest : public QObject {
  Q_OBJECT
 private slots:
  void opensAtRealSizeWithItsCaption() {
    QPointer<TPreviewForm> f = NewForm();
    Open(f, Picture(640, 480), "/pics/photo.jpg");
    QCOMPARE(f->windowTitle(), QString::fromUtf8("photo.jpg (640×480)"));
    QCOMPARE(f->size(), QSize(640, 480));
    QCOMPARE(f->Index(), 2);
    QCOMPARE(f->SelectedZoom(), view::kZoom100);
    QCOMPARE(f->Next1->isVisible(), false);
    // The caption after 150 % keeps the numbers of the first display.
    f->ZoomItems[4]->trigger();
    QCOMPARE(f->windowTitle(), QString::fromUtf8("photo.jpg (640×480)×1.5"));
    QCOMPARE(Shown(f), QSize(960, 720));
    QCOMPARE(f->size(), QSize(960, 712));  // at most the work area less the title allowance
    f->ReLoad1Click();
    QCOMPARE(f->windowTitle(), QString::fromUtf8("photo.jpg (640×480)×1"));
    QCOMPARE(Shown(f), QSize(640, 480));
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.isNull());  // closing frees it
  }

  void wideKeepsItsHorizontalBarNarrowLosesIt() {
    TPreviewForm* wide = NewForm();
    Open(wide, Picture(2000, 300), "/w.jpg");
    QCOMPARE(wide->size(), QSize(1024, 300));
    QCOMPARE(wide->ScrollBox->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    TPreviewForm* narrow = NewForm();
    Open(narrow, Picture(300, 2000), "/n.jpg");
    QCOMPARE(narrow->ScrollBox->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    delete wide;
    delete narrow;
  }

  void zoomInFittedModeStartsFromTheFittedSize() {
    TPreviewForm* f = NewForm(QRect(0, 0, 600, 500), QRect(0, 0, 600, 500));
    f->Fitted = true;
    // 1600 × 1200 on a 600-wide work area: 600 × trunc(600 / 1.333) − 20 − 11 = 600 × 419.
    Open(f, Picture(1600, 1200), "/f.jpg");
    QCOMPARE(f->ShownWidth(), 600);
    QCOMPARE(f->ShownHeight(), 419);
    QCOMPARE(f->windowTitle(), QString::fromUtf8("f.jpg (600×419)"));
    f->ZoomItems[5]->trigger();  // 200 %
    QCOMPARE(Shown(f), QSize(1200, 838));
    // The source stays the file's picture.
    QCOMPARE(f->Source()->Width(), 1600);
    delete f;
  }

  void turnsFollowTheCounters() {
    TPreviewForm* f = NewForm();
    Open(f, Picture(40, 20), "/t.jpg");
    f->RLeft1Click();
    QCOMPARE(Shown(f), QSize(20, 40));
    // Turned left: the red top-left pixel is now bottom-left.
    QCOMPARE(f->Image->Picture()->PixelColor(0, 39).red, uint8_t(255));
    f->RRightClick();  // left then right: unturned
    QCOMPARE(Shown(f), QSize(40, 20));
    QCOMPARE(f->Image->Picture()->PixelColor(0, 0).red, uint8_t(255));
    for (int i = 0; i < 3; ++i) f->RLeft1Click();  // left 0 after four presses in all
    QCOMPARE(f->LeftCount(), 0);
    QCOMPARE(f->RightCount(), 1);
    QCOMPARE(Shown(f), QSize(20, 40));
    f->ReLoad1Click();
    QCOMPARE(f->LeftCount(), 0);
    QCOMPARE(f->RightCount(), 0);
    QCOMPARE(Shown(f), QSize(40, 20));
    delete f;
  }

  void tooLargeAZoomKeepsThePictureAndItsMark() {
    TPreviewForm* f = NewForm();
    Open(f, Picture(400000, 1), "/strip.jpg");
    f->ZoomItems[6]->trigger();  // 1,200,000 columns are more than a bitmap holds
    QCOMPARE(Shown(f), QSize(400000, 1));
    QCOMPARE(f->windowTitle(), QString::fromUtf8("strip.jpg (400000×1)"));
    QCOMPARE(f->SelectedZoom(), view::kZoom100);
    f->ZoomItems[1]->trigger();  // 50 %, then 300 % again
    f->ZoomItems[6]->trigger();
    QCOMPARE(Shown(f), QSize(200000, 1));
    QCOMPARE(f->SelectedZoom(), 1);
    QCOMPARE(f->windowTitle(), QString::fromUtf8("strip.jpg (400000×1)×0.5"));
    delete f;
  }

  void dragScrollsAndCentresWhenSmaller() {
    TPreviewForm* f = NewForm(QRect(0, 0, 400, 326), QRect(0, 0, 400, 326));
    Open(f, Picture(1000, 1000), "/d.jpg");
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QScrollBar* h = f->ScrollBox->horizontalScrollBar();
    QScrollBar* v = f->ScrollBox->verticalScrollBar();
    // The arrow over the picture; the program's drag cursor only while dragging.
    QCOMPARE(f->Image->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!QApplication::overrideCursor());
    QTest::mousePress(f->Image, Qt::LeftButton, {}, QPoint(200, 200));
    QVERIFY(QApplication::overrideCursor());
    QTest::mouseMove(f->Image, QPoint(150, 170));
    QCOMPARE(h->value(), 50);
    QCOMPARE(v->value(), 30);
    QTest::mouseRelease(f->Image, Qt::LeftButton, {}, QPoint(150, 170));
    QVERIFY(!QApplication::overrideCursor());
    f->ZoomItems[0]->trigger();  // 250 × 250 in a 400 × 300 client
    f->resize(400, 300);
    QCoreApplication::processEvents();
    const QSize viewport = f->ScrollBox->viewport()->size();
    QCOMPARE(f->Image->pos(), QPoint(view::CenterOffset(viewport.width(), 250), view::CenterOffset(viewport.height(), 250)));
    delete f;
  }

  void escapeCloses() {
    QPointer<TPreviewForm> f = NewForm();
    bool closed = false;
    f->OnClosed = [&] { closed = true; };
    Open(f, Picture(10, 10), "/e.jpg");
    QTest::keyClick(f, Qt::Key_Escape);
    QVERIFY(closed);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.isNull());
  }
};

QTEST_MAIN(PreviewFormTest)
#include "preview_form_qtest.moc"
