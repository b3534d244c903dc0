// The main window's desktop extras: registered programs, association, wallpaper, media,
// cache list, version and help, on the real TCVMain with a private program folder.
#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/widgets/imgpanel.h"
#include "extras/widgets/about_form.h"
#include "extras/widgets/cache_form.h"
#include "extras/widgets/media_form.h"
#include "extras/widgets/shell_list_box.h"
#include "extras/widgets/wallpaper_form.h"
#include "graphics/bmp_graphic.h"
#include "platform/app_folder.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"

using app::TCVMain;
namespace keys = settings::keys;

class CVMainExtrasTest : public QObject {
  Q_OBJECT

  QTemporaryDir* home_ = nullptr;
  QTemporaryDir* data_ = nullptr;
  QString folder_;

  // A window on the data folder with entry `index` selected; its boxes, URLs, programs and
  // dialogs recorded.
  struct Window {
    TCVMain w;
    QStringList info, warnings, urls, started;
    QStringList dialogs;  // captions of the windows run
    std::function<void(QDialog*)> onDialog;
    explicit Window(const QString& folder, int index) {
      w.InformationBox = [this](const QString& t) { info << t; };
      w.WarningBox = [this](const QString& t) { warnings << t; };
      w.OpenUrl = [this](const QUrl& u) { urls << u.toString(); };
      w.StartProgram = [this](const QString& p, const QStringList& args) { started << p + "|" + args.join("|"); };
      w.ExecExtrasDialog = [this](QDialog* d) {
        dialogs << d->windowTitle();
        if (onDialog) onDialog(d);
        return 0;
      };
      w.ShellTreeView1->SelectPath(folder);
      if (index >= 0) w.ImgPanel1->SelectOnly(index);
    }
    QAction* Item(const char* name) { return w.Menus[name]; }
  };

 private slots:
  void init() {
    home_ = new QTemporaryDir;
    data_ = new QTemporaryDir;
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    folder_ = QDir(data_->path()).canonicalPath();
    QFile good(folder_ + "/a b.bmp");
    QVERIFY(good.open(QIODevice::WriteOnly));
    good.write(graphics::WriteBMP(graphics::TBitmap(40, 30)));
    good.close();
    QFile bad(folder_ + "/b.bmp");
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("BM but nothing more");
  }
  void cleanup() {
    delete home_;
    delete data_;
    qunsetenv("QIVO2_HOME");
  }

  void registeredProgramItems() {
    Window x(folder_, 0);
    x.w.Show1Click();
    QVERIFY(x.Item("OtherSoft1")->isVisible());
    QVERIFY(!x.Item("OtherSoft1")->isEnabled());
    QCOMPARE(x.Item("OtherSoft1")->text(), QString::fromUtf8("未登録"));
    QVERIFY(!x.Item("OtherSoft2")->isVisible());
    settings::TIniFile().Write(keys::OtherSoftPath, 2, "/bin/true");
    x.w.Show1Click();
    QVERIFY(!x.Item("OtherSoft1")->isVisible());
    QVERIFY(x.Item("OtherSoft2")->isVisible() && x.Item("OtherSoft2")->isEnabled());
    QCOMPARE(x.Item("OtherSoft2")->text(), QString("true"));
    QVERIFY(!x.Item("OtherSoft3")->isVisible());
  }

  void startingARegisteredProgram() {
    settings::TIniFile().Write(keys::OtherSoftPath, 1, home_->path() + "/deleted-viewer");
    settings::TIniFile().Write(keys::OtherSoftPath, 2, "/bin/true");
    Window x(folder_, 0);
    x.w.OtherSoftClick(1);
    QCOMPARE(x.info, QStringList{QString::fromUtf8("指定されたソフトは存在しません。確認して下さい。")});
    x.w.OtherSoftClick(2);
    QCOMPARE(x.started, QStringList{"/bin/true|" + folder_ + "/a b.bmp"});  // one argument
    Window none(folder_, -1);
    none.w.OtherSoftClick(2);
    none.w.Relation1Click();
    QVERIFY(none.started.isEmpty() && none.urls.isEmpty());
    x.w.Relation1Click();
    QCOMPARE(x.urls, QStringList{QUrl::fromLocalFile(folder_ + "/a b.bmp").toString()});
  }

  void wallpaperDialogOrTheInvalidFileMessage() {
    Window x(folder_, 1);  // b.bmp cannot be read
    x.w.SetWallPaper1Click();
    QCOMPARE(x.warnings, QStringList{QString::fromUtf8("不正なファイルか，対応していない形式です。")});
    QVERIFY(x.dialogs.isEmpty());
    x.w.ImgPanel1->SelectOnly(0);
    x.w.SetWallPaper1Click();
    QCOMPARE(x.dialogs, QStringList{QString::fromUtf8("壁紙設定 - a b.bmp")});
  }

  void mediaWindowHidesTheMainWindow() {
    Window x(folder_, 0);
    x.w.show();
    bool hiddenMeanwhile = false;
    QString mask;
    x.onDialog = [&](QDialog* d) {
      hiddenMeanwhile = !x.w.isVisible();
      mask = static_cast<extras::TMediaForm*>(d)->MShellListBox->Mask();
    };
    x.w.Media1Click();
    QVERIFY(hiddenMeanwhile);
    QVERIFY(x.w.isVisible());
    QCOMPARE(mask, QString("*.mp3;*.mid;*.wav;*.aif;*.asf;*.au;*.avi;*.mpg;*.mov;*.wma;*.wmv"));
  }

  void cacheListCreatesItsFolder() {
    Window x(folder_, 0);
    QDir(platform::programFolder() + "/Cache").removeRecursively();
    int listed = -1;
    x.onDialog = [&](QDialog* d) { listed = static_cast<extras::TCacheForm*>(d)->ShellListBox1->count(); };
    x.w.CacheList1Click();
    QVERIFY(QDir(platform::programFolder() + "/Cache").exists());
    QCOMPARE(listed, 0);
    QCOMPARE(x.dialogs, QStringList{QString::fromUtf8("キャッシュリスト")});
  }

  void aboutAndHelp() {
    Window x(folder_, 0);
    x.w.About1Click();
    QCOMPARE(x.dialogs, QStringList{QString::fromUtf8("ヴァージョン情報")});
    QVERIFY(x.Item("OpenHelp1")->isEnabled());
    QCOMPARE(x.Item("OpenHelp1")->shortcut(), QKeySequence(Qt::Key_F1));
    x.w.OpenHelp1Click();
    QCOMPARE(x.urls, QStringList{QUrl::fromLocalFile(platform::helpFilePath()).toString()});
  }
};

QTEST_MAIN(CVMainExtrasTest)
#include "cvmain_extras_qtest.moc"
