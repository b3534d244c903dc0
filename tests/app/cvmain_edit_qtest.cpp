// The main window's editing commands: the editor from the catalogue and from the clipboard,
// the refused icon, the hidden main window, and the batch conversion on the selection.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/widgets/imgpanel.h"
#include "edit/widgets/rotate_form.h"
#include "graphics/bmp_graphic.h"
#include "platform/settings.h"

using app::TCVMain;

class CVMainEditTest : public QObject {
  Q_OBJECT
  QTemporaryDir* home_ = nullptr;
  QTemporaryDir* data_ = nullptr;
  QTemporaryDir* out_ = nullptr;
  QString folder_;

  struct Window {
    TCVMain w;
    QStringList info, confirmations;
    explicit Window(const QString& folder) {
      w.InformationBox = [this](const QString& t) { info << t; };
      w.ConvertConfirmBox = [this](const QString& t) {
        confirmations << t;
        return int(QMessageBox::Yes);
      };
      w.ConvertOverwriteBox = [](const QString&) { return true; };
      w.ShellTreeView1->SelectPath(folder);
      w.show();
    }
    int IndexOf(const QString& name) const {
      for (int i = 0; i < w.ImgPanel1->Count(); ++i)
        if (w.ImgPanel1->Item(i)->GetParseName().endsWith("/" + name)) return i;
      return -1;
    }
  };
  static void WriteBmp(const QString& path, int w, int h) { graphics::TBMPGraphic(graphics::TBitmap(w, h)).SaveToFile(path); }

 private slots:
  void init() {
    home_ = new QTemporaryDir;
    data_ = new QTemporaryDir;
    out_ = new QTemporaryDir;
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    folder_ = QDir(data_->path()).canonicalPath();
    WriteBmp(folder_ + "/photo.bmp", 64, 48);
    QFile ico(folder_ + "/ICON.ICO");
    QVERIFY(ico.open(QIODevice::WriteOnly));
    ico.write(QByteArray(40, '\0'));
  }
  void cleanup() {
    delete home_;
    delete data_;
    delete out_;
    qunsetenv("QIVO2_HOME");
  }

  void theEditorOpensOnTheCurrentFileAndHidesTheWindow() {
    Window x(folder_);
    QCOMPARE(x.w.ImgPanel1->Count(), 2);
    x.w.Rotate1Click();  // nothing selected: nothing happens
    QVERIFY(!x.w.RotateF);
    x.w.ImgPanel1->SelectOnly(x.IndexOf("ICON.ICO"));
    x.w.Rotate1Click();
    QCOMPARE(x.info, QStringList{QStringLiteral("編集出来ないファイル形式です。")});
    QVERIFY(!x.w.RotateF);
    x.w.ImgPanel1->SelectOnly(x.IndexOf("photo.bmp"));
    x.w.Menus["Rotate1"]->trigger();
    auto* editor = qobject_cast<edit::TRotateF*>(x.w.RotateF.data());
    QVERIFY(editor);
    QCOMPARE(editor->windowTitle(), QStringLiteral("画像の編集 - photo.bmp (64×48)"));
    QCOMPARE(editor->FileName, folder_ + "/photo.bmp");
    QVERIFY(editor->isVisible());
    QVERIFY(!x.w.isVisible());
    QVERIFY(!x.w.ProgressForm);
    editor->close();
    QTRY_VERIFY(!x.w.RotateF);
    QVERIFY(x.w.isVisible());
  }

  void theClipboardEditorAndItsTemporaryFile() {
    Window x(folder_);
    QApplication::clipboard()->clear();
    x.w.Paste1Click();
    QCOMPARE(x.info, QStringList{QStringLiteral("クリップボードに画像情報がありません。")});
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QApplication::clipboard()->setImage(image);
    x.w.Paste1Click();
    auto* editor = qobject_cast<edit::TRotateF*>(x.w.RotateF.data());
    QVERIFY(editor);
    QVERIFY(editor->FromClipboard);
    QCOMPARE(editor->windowTitle(), QStringLiteral("画像を編集　clipbrd.bmp (30×20)"));
    const QString clip = home_->path() + "/clipbrd.bmp";
    QVERIFY(QFile::exists(clip));
    QVERIFY(!x.w.isVisible());
    editor->close();
    QVERIFY(!QFile::exists(clip));
    QVERIFY(x.w.isVisible());
  }

  void batchConversionOfTheSelection() {
    Window x(folder_);
    x.w.SaveFolder = out_->path() + "/";
    x.w.ImgPanel1->SelectOnly(x.IndexOf("ICON.ICO"));
    x.w.Menus["JPEG1"]->trigger();
    QCOMPARE(x.confirmations.size(), 1);
    QCOMPARE(x.info, QStringList{QStringLiteral("コンバートに対応していないファイル (.ico/.ani/.cur/ etc...) は処理されていません。")});
    QVERIFY(QDir(out_->path()).isEmpty());
    x.info.clear();
    x.w.SelectAll1Click();
    x.w.Menus["tbtnToPNG"]->trigger();
    QVERIFY(QFile::exists(out_->path() + "/photo.png"));
    QCOMPARE(x.info.size(), 1);
    x.w.SaveFolder.clear();
    x.w.ConvertClick(0);
    QCOMPARE(x.info.last(), QStringLiteral("保存用のフォルダが設定されていません。"));
  }
};

QTEST_MAIN(CVMainEditTest)
#include "cvmain_edit_qtest.moc"
