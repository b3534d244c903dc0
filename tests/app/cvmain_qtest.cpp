// The main window's geometry: read at creation, written at closing; its hints in the status bar.
#include "platform/settings.h"
#include "app/widgets/cvmain.h"
#include "app/widgets/status_bar.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

using app::TCVMain;

class CVMainTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir* home_ = nullptr;
  QString ini() const { return home_->path() + "/" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".ini"; }
  void put(const QByteArray& text) {
    QFile f(ini());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  QByteArray contents() const {
    QFile f(ini());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  int key(const char* section, const char* name, int def = -12345) const {
    return settings::TIniFile(ini()).ReadInteger(section, name, def);
  }

 private slots:
  void init() {
    home_ = new QTemporaryDir;
    qputenv("QIVO2_HOME", home_->path().toUtf8());
  }
  void cleanup() {
    delete home_;
    qunsetenv("QIVO2_HOME");
  }

  void hintsShowInTheirOwnPanelAndHideNoValue() {
    TCVMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString count = QStringLiteral("Count： 1/2");
    w.StatusBar1->SetPanelText(0, count);
    // Panel 3 never holds a value: it makes room for a hint, and comes back after it.
    auto panelsShown = [&w](bool hint = false) {
      for (int i = 0; i < app::TStatusBar::PanelCount; ++i) {
        const bool shown = w.StatusBar1->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->isVisible();
        if (shown != (i != 3 || !hint)) return false;
      }
      return w.StatusBar1->currentMessage().isEmpty();
    };
    struct Case {
      const char* item;
      const char* status;
    } cases[] = {
        {"RealSize1", "選択されたファイルを実際のサイズで表示します"},
        {"Rotate1", "選択されたファイルを別画面で編集します"},
        {"JPEG1", "選択されたファイルを JPEG 形式で保存します"},
        {"SetConvert1", "ファイルコンバート（変換）用の設定を行います"},
        {"ChangeFolder1", "パスをクリックすれば，保存用フォルダを変更できます"},
        {"AddFavorite1", "現在開いているフォルダをお気に入りに追加します"},
        {"Sec3", "スライド間隔 3 秒"},
        {"Other1", "任意にスライド間隔を指定します"},
        {"OpenHelp1", "ヘルプを開きます"},
        {"tbtnMedia", "メディアファイルの再生"},  // no "|": tool tip and status text
        {"tbtnUndo", ""},                          // "戻る|": the tool tip only
    };
    for (const Case& c : cases) {
      w.StatusBar1->HintPanel()->setText("stale");
      QVERIFY(w.Menus[c.item]->showStatusText(w.menuBar()));
      QCOMPARE(w.StatusBar1->PanelText(app::TStatusBar::PanelCount - 1), QString::fromUtf8(c.status));
      QCOMPARE(w.StatusBar1->PanelText(0), count);
      QVERIFY2(panelsShown(*c.status != 0), c.item);
    }
    // The pointer on a toolbar button, then off it.
    QToolButton* media = w.Menus.Button("tbtnMedia");
    QCOMPARE(media->toolTip(), QStringLiteral("メディアファイルの再生"));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), media->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(media, &enter);
    QCOMPARE(w.StatusBar1->HintPanel()->text(), QStringLiteral("メディアファイルの再生"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(media, &leave);
    QVERIFY(w.StatusBar1->HintPanel()->text().isEmpty());
    QVERIFY(panelsShown());
    // The folder lists' entries carry " | ": a blank status text.
    QAction entry(QStringLiteral("&0 /x"), &w);
    entry.setStatusTip(QStringLiteral(" | "));
    entry.showStatusText(w.menuBar());
    QCOMPARE(w.StatusBar1->HintPanel()->text(), QStringLiteral(" "));
    QVERIFY(panelsShown());
  }

  void firstStartUsesDefaultsAndClosingWritesThem() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    {
      TCVMain w;
      QCOMPARE(w.windowTitle(), QString("QIVO2"));
      QCOMPARE(w.ClientWidth(), 742);
      QCOMPARE(w.ClientHeight(), 464);
      QCOMPARE(w.TreePanelWidth(), 200);
      QVERIFY(!w.PreviewVisible());
      QVERIFY(!w.SetPreview1->isChecked());
      QVERIFY(w.PathCheck);
      QVERIFY(!w.UseCache);
      QCOMPARE(w.ThumbFolder(), home_->path() + "/Temp");
      QCOMPARE(w.minimumWidth(), 589);
      const QSize outer = w.frameGeometry().size();
      QCOMPARE(w.pos(), QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2));
      QVERIFY(QDir(home_->path() + "/Temp").exists());
      QVERIFY(QDir(home_->path() + "/Cache").exists());
      QVERIFY(!QFile::exists(ini()));  // reading writes nothing
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      w.CurrentFolder = "/home/u/pics";
      w.close();
    }
    QCOMPARE(key("Main", "State"), 0);
    QCOMPARE(key("Main", "CWidth"), 742);
    QCOMPARE(key("Main", "CHeight"), 464);
    QCOMPARE(key("Main", "TVWidth"), 200);
    QCOMPARE(key("Main", "Preview"), 0);
    QCOMPARE(key("Main", "PrevHeight"), -12345);  // not written while the pane is off
    QCOMPARE(settings::TIniFile(ini()).ReadString("Main", "RootPath", "x"), QString("/home/u/pics"));
    const int left = key("Main", "Left"), top = key("Main", "Top");

    // The next start restores what was written.
    TCVMain again;
    QCOMPARE(again.pos(), QPoint(left, top));
    QCOMPARE(again.ClientWidth(), 742);
    QCOMPARE(again.ClientHeight(), 464);
  }

  void restoresStoredLayout() {
    put("[Main]\nState=0\nCWidth=640\nCHeight=400\nLeft=12\nTop=34\nTVWidth=250\nPreview=1\nPrevHeight=90\n"
        "PathCheck=0\n[Catalog]\nCache=1\n[SaveFolder]\nPath=/tmp/out\n[Control Panel\\Mouse]\n"
        "SnapToDefaultButton=1\n");
    TCVMain w;
    QCOMPARE(w.ClientWidth(), 640);
    QCOMPARE(w.ClientHeight(), 400);
    QCOMPARE(w.pos(), QPoint(12, 34));
    QCOMPARE(w.TreePanelWidth(), 250);
    QVERIFY(w.PreviewVisible());
    QVERIFY(w.SetPreview1->isChecked());
    QCOMPARE(w.PreviewPaneHeight(), 90);
    QVERIFY(!w.PathCheck);
    QVERIFY(w.UseCache);
    QCOMPARE(w.ThumbFolder(), home_->path() + "/Cache");
    QCOMPARE(w.SaveFolder, QString("/tmp/out"));
    QVERIFY(w.SnapToDefault);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.ScrollBox1->height(), 90);
    QCOMPARE(w.plShellTreeView->width(), 250);
    w.CurrentFolder = "/data";
    w.close();
    QCOMPARE(key("Main", "Preview"), 1);
    QCOMPARE(key("Main", "PrevHeight"), 90);
    QCOMPARE(key("Main", "TVWidth"), 250);
    // PathCheck off: no folder is remembered.
    QCOMPARE(settings::TIniFile(ini()).ReadString("Main", "RootPath", "x"), QString());
  }

  void maximisedCloseWritesOnlyState() {
    const QByteArray before = "[Main]\nState=1\nCWidth=640\nCHeight=400\nLeft=12\nTop=34\n";
    put(before);
    TCVMain w;
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.close();
    QCOMPARE(contents(), before + "TVWidth=200\nPreview=0\nRootPath=\n");
  }

  void driveRootIsNotRemembered() {
    TCVMain w;
    w.AtDriveRoot = true;
    w.CurrentFolder = "";
    w.close();
    QCOMPARE(settings::TIniFile(ini()).ReadString("Main", "RootPath", "x"), QString());
  }

  void damagedGeometryFallsBack() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    put("[Main]\nCWidth=-5\nCHeight=99999999\nLeft=900000\nTop=-900000\nTVWidth=-40\nPreview=1\n"
        "PrevHeight=-3\n");
    TCVMain w;
    QCOMPARE(w.ClientWidth(), 742);
    QCOMPARE(w.ClientHeight(), 464);
    const QSize outer = w.frameGeometry().size();
    QCOMPARE(w.pos(), QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2));
    QCOMPARE(w.TreePanelWidth(), 0);
    QCOMPARE(w.PreviewPaneHeight(), 0);
  }

  void temporaryCacheFileGoesAtClosing() {
    TCVMain w;
    const QString tmp = home_->path() + "/Temp/pics.dat";
    QFile f(tmp);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    w.TempCacheFile = tmp;
    w.close();
    QVERIFY(!QFile::exists(tmp));
  }
};

QTEST_MAIN(CVMainTest)
#include "cvmain_qtest.moc"
