// The slide window: full screen, the slide show's course on real files, keys, the copy and
// a picture that fails.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "graphics/bmp_graphic.h"
#include "graphics/picture_formats.h"
#include "view/picture_loader.h"
#include "catalog/masked_file_list.h"
#include "view/widgets/picture_view.h"
#include "view/widgets/slide_form.h"

using view::TSlideForm;

namespace {
std::shared_ptr<const graphics::TBitmap> Picture(int w, int h) { return std::make_shared<graphics::TBitmap>(w, h); }

void WriteBmp(const QString& path, int w, int h) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(graphics::WriteBMP(graphics::TBitmap(w, h)));
}

TSlideForm* NewForm() {
  auto* f = new TSlideForm(nullptr);
  f->LoadFitted = [](const QString& path, QSize screen, bool smooth) {
    return view::LoadPictureFitted(path, screen, smooth, nullptr);
  };
  return f;
}
}  // namespace

class SlideFormTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QStringList files_;

  TSlideForm::TSlideStart Start(int index, bool loop) const {
    TSlideForm::TSlideStart s;
    s.First = Picture(30, 20);
    s.FirstLabel = view::TSlideShow::StartLabel("p04.bmp", index, 10);
    s.Files = files_;
    s.Index = index;
    s.Loop = loop;
    s.Interval = 60000;  // ticks come from the test
    return s;
  }

 private slots:
  void initTestCase() {
    graphics::RegisterBuiltinFormats();
    for (int i = 1; i <= 10; ++i) WriteBmp(dir_.filePath(QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0'))), 10 * i, 8);
    files_ = catalog::MaskedFileList(dir_.path(), "*.bmp");
    QCOMPARE(files_.size(), 10);
  }

  void fullScreenCentresOnePictureOnBlack() {
    TSlideForm* f = NewForm();
    f->ShowSingle(Picture(100, 50), "photo.jpg");
    QCOMPARE(f->Mode(), TSlideForm::smSingle);
    QCOMPARE(f->lblFileName->text(), QStringLiteral("photo.jpg"));
    QCOMPARE(f->lblFileName->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    QCOMPARE(f->lblMessage->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(f->SImage->pos(), QPoint((f->width() - 100) / 2, (f->height() - 50) / 2));
    QVERIFY(f->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(f->windowFlags() & Qt::FramelessWindowHint);
    // The slide keys do nothing here.
    QTest::keyClick(f, Qt::Key_Right);
    QCOMPARE(f->Show().Index(), -1);
    delete f;
  }

  void runsFromTheFifthToTheEndMessage() {
    TSlideForm* f = NewForm();
    f->StartSlide(Start(3, false));
    QCOMPARE(f->lblFileName->text(), QStringLiteral("p04.bmp (4/10)"));
    QVERIFY(f->SlideTimer->isActive());
    QCOMPARE(f->SlideTimer->interval(), 60000);
    f->SlideTimerTimer();
    QCOMPARE(f->Show().Index(), 4);
    QCOMPARE(f->SImage->PictureSize(), QSize(50, 8));
    QCOMPARE(f->lblFileName->text(), QStringLiteral("p05.bmp (5/10)"));
    for (int i = 5; i < 10; ++i) f->SlideTimerTimer();
    QCOMPARE(f->SImage->PictureSize(), QSize(100, 8));
    f->SlideTimerTimer();
    QVERIFY(!f->SlideTimer->isActive());
    QCOMPARE(f->lblFileName->text(), QStringLiteral("p10.bmp (10/10)"));
    QCOMPARE(f->lblMessage->text(), QStringLiteral(" - Slide Show is over! "));
    // Resume from three before: index 9 − 4 + 1.
    f->FromBeforeClick(3);
    QCOMPARE(f->Show().Index(), 6);
    QVERIFY(f->SlideTimer->isActive());
    QVERIFY(f->lblMessage->text().isEmpty());
    delete f;
  }

  void keysStepAndPause() {
    TSlideForm* f = NewForm();
    f->StartSlide(Start(0, true));
    QTest::keyClick(f, Qt::Key_Down);
    QCOMPARE(f->Show().Index(), 1);
    QVERIFY(!f->SlideTimer->isActive());
    QTest::keyClick(f, Qt::Key_Up);
    QCOMPARE(f->Show().Index(), 0);
    QTest::keyClick(f, Qt::Key_Left);  // at the first picture
    QCOMPARE(f->Show().Index(), 0);
    f->SlideStartClick();
    QVERIFY(f->SlideTimer->isActive());
    // A right press pauses and disables what cannot apply at the first picture.
    QTest::mousePress(f->SPanel1, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!f->SlideTimer->isActive());
    QVERIFY(!f->Show().Items().PrevImage);
    QVERIFY(!f->One->isEnabled());
    QVERIFY(f->Three->isEnabled() == false && f->SlideRestart->isEnabled() == false);
    QVERIFY(f->Show().Items().NextImage);
    QTest::keyClick(f, Qt::Key_Left);  // disabled: nothing
    QCOMPARE(f->Show().Index(), 0);
    delete f;
  }

  void theTimerShowsTheNextPicture() {
    TSlideForm* f = NewForm();
    auto start = Start(0, false);
    start.Interval = 20;
    f->StartSlide(start);
    QSignalSpy shown(f, &TSlideForm::PictureShown);
    QVERIFY(shown.wait(2000));
    QCOMPARE(shown.first().first().toInt(), 1);
    delete f;
  }

  void aBrokenPictureIsSkippedWithItsName() {
    QTemporaryDir d;
    WriteBmp(d.filePath("a.bmp"), 4, 4);
    QFile bad(d.filePath("b.bmp"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("BM not really");
    bad.close();
    WriteBmp(d.filePath("c.bmp"), 6, 4);
    TSlideForm* f = NewForm();
    auto start = Start(0, false);
    start.Files = catalog::MaskedFileList(d.path(), "*.bmp");
    f->StartSlide(start);
    f->SlideTimerTimer();
    QCOMPARE(f->Show().Index(), 1);
    QVERIFY(f->lblMessage->text().startsWith(QStringLiteral("b.bmp: ")));
    QCOMPARE(f->lblMessage->text().count(QStringLiteral("b.bmp")), 1);  // named once
    QVERIFY(f->SlideTimer->isActive());
    f->SlideTimerTimer();
    QCOMPARE(f->SImage->PictureSize(), QSize(6, 4));
    QVERIFY(f->lblMessage->text().isEmpty());
    delete f;
  }

  void copiesTheShownFileReplacingAnEarlierCopy() {
    QTemporaryDir keep;
    TSlideForm* f = NewForm();
    QStringList errors;
    f->ShowError = [&](const QString& t) { errors << t; };
    auto start = Start(-1, false);
    start.CopyFolder = keep.path() + "/";
    f->StartSlide(start);
    f->SlideCopyClick();  // nothing shown yet
    QVERIFY(QDir(keep.path()).isEmpty());
    f->SlideTimerTimer();
    QFile old(keep.filePath("_p01.bmp"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();
    f->SlideCopyClick();
    QFile copy(keep.filePath("_p01.bmp"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QFile source(files_.first());
    QVERIFY(source.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), source.readAll());
    QCOMPARE(QDir(keep.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary left
    QVERIFY(errors.isEmpty());
    // A copy folder that is gone says so.
    start.CopyFolder = keep.path() + "/gone/";
    f->StartSlide(start);
    f->SlideTimerTimer();
    f->SlideCopyClick();
    QCOMPARE(errors.size(), 1);
    delete f;
  }
};

QTEST_MAIN(SlideFormTest)
#include "slide_form_qtest.moc"
