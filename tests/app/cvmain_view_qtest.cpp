// The main window's viewing commands: real size, full screen, the double click, the slide
// show and its interval menu, on the real TCVMain with a private program folder.
#include <QAction>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/widgets/cvmain.h"
#include "app/widgets/set_option.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/widgets/imgpanel.h"
#include "edit/widgets/progress_form.h"
#include "graphics/bmp_graphic.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"
#include "view/widgets/picture_view.h"
#include "view/widgets/preview_form.h"
#include "view/widgets/slide_form.h"

using app::TCVMain;
namespace keys = settings::keys;

class CVMainViewTest : public QObject {
  Q_OBJECT

  QTemporaryDir* home_ = nullptr;
  QTemporaryDir* data_ = nullptr;
  QString folder_;

  settings::TIniFile Ini() const {
    return settings::TIniFile(home_->path() + "/" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                              ".ini");
  }
  static void WriteBmp(const QString& path, int w, int h) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(graphics::WriteBMP(graphics::TBitmap(w, h)));
  }
  // A window on the data folder with entry `index` selected; its message boxes recorded.
  struct Window {
    TCVMain w;
    QStringList info, warnings;
    explicit Window(const QString& folder, int index) {
      w.InformationBox = [this](const QString& t) { info << t; };
      w.WarningBox = [this](const QString& t) { warnings << t; };
      w.ShellTreeView1->SelectPath(folder);
      if (index >= 0) w.ImgPanel1->SelectOnly(index);
    }
  };
  static QList<view::TPreviewForm*> Previews(TCVMain& w) { return w.findChildren<view::TPreviewForm*>(); }
  static bool NoticeOpen(TCVMain& w) {
    for (auto* p : w.findChildren<edit::TProgressForm*>())
      if (p->isVisible()) return true;
    return w.ProgressForm != nullptr;
  }

 private slots:
  void init() {
    home_ = new QTemporaryDir;
    data_ = new QTemporaryDir;
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    folder_ = QDir(data_->path()).canonicalPath();
    WriteBmp(folder_ + "/a.bmp", 64, 48);
    QFile bad(folder_ + "/b.bmp");
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("BM but nothing more");
    bad.close();
    WriteBmp(folder_ + "/c.bmp", 3000, 2000);
  }
  void cleanup() {
    delete home_;
    delete data_;
    qunsetenv("QIVO2_HOME");
  }

  void guardsAndThePreviewOnMessages() {
    Window x(folder_, -1);
    QCOMPARE(x.w.ImgPanel1->Count(), 3);
    for (const char* c : {"RealSize1", "FullScreen1", "DblClick1", "SlideStart1"}) x.w.Menus[c]->trigger();
    QVERIFY(Previews(x.w).isEmpty());  // nothing selected: nothing happens
    QVERIFY(x.w.SlideForm.isNull());
    x.w.ImgPanel1->SelectOnly(0);
    x.w.SetPreview1->setChecked(true);
    x.w.Menus["RealSize1"]->trigger();
    x.w.Menus["FullScreen1"]->trigger();
    x.w.Menus["DblClick1"]->trigger();
    QCOMPARE(x.info, QStringList({QStringLiteral("プレビューがオンの時，実サイズ表示は出来ません。"),
                                  QStringLiteral("プレビューがオンの時，全画面表示は出来ません。"),
                                  QStringLiteral("プレビューがオンの時，実サイズ表示は出来ません。")}));
    QVERIFY(Previews(x.w).isEmpty());
  }

  void theDoubleClickWithThePreviewOnSaysRealSizeWhateverItDoes() {
    for (int dblClick : {0, 1}) {
      Ini().Write(keys::MainDblClick, dblClick);
      Window x(folder_, 0);
      x.w.SetPreview1->setChecked(true);
      x.w.Menus["DblClick1"]->trigger();
      QCOMPARE(x.info, QStringList{QStringLiteral("プレビューがオンの時，実サイズ表示は出来ません。")});
      QVERIFY(Previews(x.w).isEmpty());
      QVERIFY(x.w.SlideForm.isNull());
    }
  }

  void realSizeOpensANewWindowEachTime() {
    Window x(folder_, 0);
    x.w.Menus["RealSize1"]->trigger();
    x.w.Menus["tbtnRealSize"]->trigger();
    const auto forms = Previews(x.w);
    QCOMPARE(forms.size(), 2);
    QCOMPARE(forms[0]->windowTitle(), QString::fromUtf8("a.bmp (64×48)"));
    QCOMPARE(forms[0]->FilePath(), folder_ + "/a.bmp");
    QCOMPARE(forms[0]->Index(), 0);
    QVERIFY(!forms[0]->Fitted);
    QVERIFY(!NoticeOpen(x.w));
    // Fitted by [View] AdSize = 1.
    Ini().Write(keys::ViewAdSize, 1);
    x.w.ImgPanel1->SelectOnly(2);
    x.w.Menus["DblClick1"]->trigger();  // [Main] DblClick 0: real size
    auto* fitted = Previews(x.w).last();
    QVERIFY(fitted->Fitted);
    QVERIFY(fitted->Image->PictureSize().width() < 3000);
    QCOMPARE(fitted->Source()->Width(), 3000);
  }

  void aBrokenFileClosesTheNoticeAndSaysSo() {
    Window x(folder_, 1);
    x.w.Menus["RealSize1"]->trigger();
    x.w.Menus["FullScreen1"]->trigger();
    const QString invalid = QStringLiteral("不正なファイルか，対応していない形式です。");
    QCOMPARE(x.warnings, QStringList({invalid, invalid}));
    QVERIFY(Previews(x.w).isEmpty());
    QVERIFY(x.w.SlideForm.isNull());
    QVERIFY(!NoticeOpen(x.w));
  }

  void fullScreenAndTheDoubleClickShareOneSlideWindow() {
    Ini().Write(keys::MainDblClick, 1);
    Ini().Write(keys::ViewShowName, 1);
    Window x(folder_, 2);
    x.w.Menus["DblClick1"]->trigger();
    auto* form = qobject_cast<view::TSlideForm*>(x.w.SlideForm.data());
    QVERIFY(form);
    QCOMPARE(form->Mode(), view::TSlideForm::smSingle);
    QCOMPARE(form->lblFileName->text(), QStringLiteral("c.bmp"));
    const QSize screen = form->ScreenSize();
    QVERIFY(form->SImage->PictureSize().width() <= screen.width());
    x.w.ImgPanel1->SelectOnly(0);
    x.w.Menus["FullScreen2"]->trigger();
    QCOMPARE(x.w.SlideForm.data(), form);
    QCOMPARE(form->SImage->PictureSize(), QSize(64, 48));
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(x.w.SlideForm.isNull());
  }

  void slideShowStartsAfterTheSelectedEntry() {
    Ini().Write(keys::SlideInterval, 60000);
    Window x(folder_, 0);
    x.w.SaveFolder = "/keep/";
    x.w.Menus["SlideStart1"]->trigger();
    auto* form = qobject_cast<view::TSlideForm*>(x.w.SlideForm.data());
    QVERIFY(form);
    QCOMPARE(form->Mode(), view::TSlideForm::smSlide);
    QCOMPARE(form->Show().Files().size(), 3);
    QCOMPARE(form->lblFileName->text(), QStringLiteral("a.bmp (1/3)"));
    QCOMPARE(form->SlideTimer->interval(), 60000);
    QVERIFY(!NoticeOpen(x.w));
    form->SlideTimerTimer();  // the broken one: skipped with its name, the show goes on
    QVERIFY(form->lblMessage->text().startsWith(QStringLiteral("b.bmp: ")));
    QCOMPARE(form->lblMessage->text().count(QStringLiteral("b.bmp")), 1);  // named once
    form->SlideTimerTimer();
    QCOMPARE(form->Show().Index(), 2);
    QCOMPARE(form->Show().CopyTarget(), QStringLiteral("/keep/_c.bmp"));
    form->close();
  }

  void intervalItemsFollowTheSetting() {
    Window x(folder_, -1);
    struct Case {
      int interval;
      const char* marked;
    } cases[] = {{-1, "Sec2"}, {2000, "Sec2"}, {1000, "Sec1"}, {5000, "Sec5"}, {2500, "Other1"}};
    for (const auto& c : cases) {
      Ini().Write(keys::SlideInterval, c.interval);
      x.w.SlideShow1Click();
      QVERIFY2(x.w.Menus[c.marked]->isChecked(), c.marked);
    }
    x.w.Menus["Sec3"]->trigger();
    QCOMPARE(Ini().Read(keys::SlideInterval), 3000);
    QVERIFY(x.w.Menus["Sec3"]->isChecked());
  }

  void otherIntervalShowsOnlyTheSlidePage() {
    Window x(folder_, -1);
    int visibleTabs = -1;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<app::TSetOption*>(QApplication::activeModalWidget());
      if (!dialog) return;
      visibleTabs = 0;
      for (int i = 0; i < dialog->PageControl1->count(); ++i) visibleTabs += dialog->PageControl1->isTabVisible(i);
      QCOMPARE(dialog->PageControl1->currentWidget(), dialog->tsSlide);
      dialog->reject();
    });
    x.w.Menus["Other1"]->trigger();
    QCOMPARE(visibleTabs, 1);
  }
};

QTEST_MAIN(CVMainViewTest)
#include "cvmain_view_qtest.moc"
