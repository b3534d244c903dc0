// The batch conversion as the main window runs it: the save-folder guards, the confirmation
// and its three answers, the overwrite question, the counting notice with its Stop button,
// the final message, and the same bytes as qivo2-convert for the same settings.
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <unistd.h>

#include "edit/widgets/batch_convert.h"
#include "edit/widgets/progress_form.h"
#include "graphics/bmp_graphic.h"
#include "graphics/builtin_formats.h"
#include "platform/app_folder.h"
#include "platform/settings.h"
#include "view/picture_loader.h"

using edit::TBatchConvert;

namespace {
const QString kNotProcessed = QStringLiteral("コンバートに対応していないファイル (.ico/.ani/.cur/ etc...) は処理されていません。");
const QString kFailedHead = QStringLiteral("変換できなかったファイルがあります。");

void WriteBmp(const QString& path, int w, int h) {
  graphics::TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = uint8_t(x * 3 + y);
      p[1] = uint8_t(y * 5);
      p[2] = uint8_t(x ^ y);
    }
  graphics::TBMPGraphic(b).SaveToFile(path);
}

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

edit::TProgressForm* OpenNotice() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* p = qobject_cast<edit::TProgressForm*>(w); p && p->isVisible()) return p;
  return nullptr;
}
}  // namespace

class BatchConvertTest : public QObject {
  Q_OBJECT
  QTemporaryDir* home_ = nullptr;
  QTemporaryDir* src_ = nullptr;
  QTemporaryDir* dst_ = nullptr;

  // A run whose boxes are recorded; `confirm` answers the confirmation.
  struct Run {
    TBatchConvert b{nullptr};
    QStringList info, errors, confirmations, overwrites;
    int confirm = QMessageBox::Yes;
    std::function<bool(const QString&)> overwrite = [](const QString&) { return true; };
    int settingsOpened = 0;
    Run() {
      b.InformationBox = [this](const QString& t) { info << t; };
      b.ErrorBox = [this](const QString& t) { errors << t; };
      b.ConfirmBox = [this](const QString& t) {
        confirmations << t;
        return confirm;
      };
      b.OverwriteBox = [this](const QString& t) {
        overwrites << t;
        return overwrite(t);
      };
      b.OpenSettings = [this] { ++settingsOpened; };
      b.Loaders = [] {
        return [](const QString& path) {
          graphics::TBitmap bitmap;
          view::LoadPicture(path, bitmap, nullptr);
          return bitmap;
        };
      };
      b.Jobs = 2;
    }
  };
  QString In(const QString& name) const { return src_->filePath(name); }
  QStringList Written() const { return QDir(dst_->path()).entryList(QDir::Files | QDir::Hidden); }

 private slots:
  void initTestCase() { graphics::RegisterBuiltinFormats(); }
  void init() {
    home_ = new QTemporaryDir;
    src_ = new QTemporaryDir;
    dst_ = new QTemporaryDir;
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    WriteBmp(In("a.bmp"), 300, 200);
    WriteBmp(In("b.bmp"), 90, 160);
    WriteBmp(In("c.bmp"), 64, 64);
    QFile ico(In("icon.ico"));
    QVERIFY(ico.open(QIODevice::WriteOnly));
    ico.write(QByteArray(64, '\0'));
  }
  void cleanup() {
    delete home_;
    delete src_;
    delete dst_;
    qunsetenv("QIVO2_HOME");
  }

  void saveFolderGuards() {
    Run r;
    QVERIFY(!r.b.Run({In("a.bmp")}, QString(), edit::cfBMP));
    QVERIFY(!r.b.Run({In("a.bmp")}, dst_->filePath("gone"), edit::cfBMP));
    QVERIFY(!r.b.Run({In("a.bmp")}, In("a.bmp"), edit::cfBMP));  // a file is no folder
    QCOMPARE(r.info, QStringList({QStringLiteral("保存用のフォルダが設定されていません。"),
                                  QStringLiteral("指定されたフォルダは存在しません。確認して下さい。"),
                                  QStringLiteral("指定されたフォルダは存在しません。確認して下さい。")}));
    QVERIFY(r.confirmations.isEmpty());
  }

  void theConfirmationAndItsAnswers() {
    settings::TIniFile().WriteInteger("JPEG", "Grayscale", 1);
    Run r;
    r.confirm = QMessageBox::Cancel;
    QVERIFY(!r.b.Run({In("a.bmp")}, dst_->path(), edit::cfJPEG));
    const QString cr = QStringLiteral("\r");
    QCOMPARE(r.confirmations.front(), QStringLiteral("保存品質： ") + "80" + "     " + "プログレッシブ： OFF     " +
                                          "グレイスケール： ON     " + cr + "サイズ： 変更なし     " + cr + cr +
                                          "以上の条件で JPEG に変換します。よろしいですか？" + cr + cr +
                                          "* [キャンセル] → 設定画面の呼び出し");
    QCOMPARE(r.settingsOpened, 1);
    r.confirm = QMessageBox::No;
    QVERIFY(!r.b.Run({In("a.bmp")}, dst_->path(), edit::cfJPEG));
    QCOMPARE(r.settingsOpened, 1);
    QVERIFY(Written().isEmpty());
  }

  void iconsOnlyWriteNothingAndSaySo() {
    Run r;
    const auto run = r.b.Run({In("icon.ico")}, dst_->path(), edit::cfPNG);
    QVERIFY(run && run->NotProcessed);
    QVERIFY(Written().isEmpty());
    QCOMPARE(r.info, QStringList{kNotProcessed});
  }

  void sizesOfZeroAreNotProcessed() {
    settings::TIniFile().WriteInteger("Convert", "Item", 2);
    settings::TIniFile().WriteInteger("Convert", "Size2", 1);  // 1 × trunc(160 × 1/90) = 1 × 1, but 300 × 200 gives 1 × 0
    Run r;
    const auto run = r.b.Run({In("a.bmp"), In("b.bmp")}, dst_->path(), edit::cfBMP);
    QVERIFY(run);
    QCOMPARE(run->Outcomes[0].Status, edit::csFailed);
    QCOMPARE(run->Outcomes[1].Status, edit::csConverted);
    QCOMPARE(Written(), QStringList{"b.bmp"});
    QVERIFY(r.info.isEmpty());  // the sentence is about icons and cursors only
    QCOMPARE(r.errors, QStringList{kFailedHead + "\na.bmp: " + run->Outcomes[0].Reason});
  }

  // A write that fails (here the target name is a folder, as a full disk cannot be had in a
  // test) is listed by name with the system's reason; an icon beside it gets its sentence;
  // a file that cannot be opened says why in the system's words, its name shown once.
  void failuresAreListedWithTheirReasons() {
    QVERIFY(QDir(dst_->path()).mkdir("a.png"));
    QCOMPARE(::symlink("loop.bmp", QFile::encodeName(In("loop.bmp")).constData()), 0);
    QCOMPARE(::symlink("gone.bmp", QFile::encodeName(In("dangling.bmp")).constData()), 0);
    const QString cannotWrite = "a.bmp: Cannot write file " + dst_->filePath("a.png") + ": " + qt_error_string(EISDIR);
    const QString loop = "loop.bmp: Cannot open file: " + qt_error_string(ELOOP);
    const QString gone = "dangling.bmp: Cannot open file: " + qt_error_string(ENOENT);
    struct Case {
      QStringList files;
      QStringList info;
      QString lines;
    } cases[] = {
        {{In("a.bmp"), In("b.bmp")}, {}, cannotWrite},
        {{In("icon.ico"), In("a.bmp")}, {kNotProcessed}, cannotWrite},
        {{In("loop.bmp"), In("dangling.bmp"), In("c.bmp")}, {}, loop + "\n" + gone},
    };
    for (const Case& c : cases) {
      Run r;
      const auto run = r.b.Run(c.files, dst_->path(), edit::cfPNG);
      QVERIFY(run && run->NotProcessed);
      QCOMPARE(r.info, c.info);
      QCOMPARE(r.errors, QStringList{kFailedHead + "\n" + c.lines});
    }
    QCOMPARE(Written(), QStringList({"b.png", "c.png"}));
    QCOMPARE(QFileInfo(dst_->filePath("a.png")).isDir(), true);
  }

  void overwriteNoEndsTheRunSilently() {
    WriteBmp(dst_->filePath("b.png"), 4, 4);
    const QByteArray old = Bytes(dst_->filePath("b.png"));
    Run r;
    r.overwrite = [](const QString&) { return false; };
    const auto run = r.b.Run({In("icon.ico"), In("a.bmp"), In("b.bmp"), In("c.bmp")}, dst_->path(), edit::cfPNG);
    QVERIFY(run && run->Stopped);
    QCOMPARE(r.overwrites, QStringList{QStringLiteral("b.pngは既に存在します。上書きしますか？")});
    QCOMPARE(Written(), QStringList({"a.png", "b.png"}));  // a.png stays written
    QCOMPARE(Bytes(dst_->filePath("b.png")), old);
    QVERIFY(r.info.isEmpty());  // no final message, though the icon was skipped
  }

  void theNoticeCountsAndStopsAfterTheCurrentFile() {
    WriteBmp(dst_->filePath("b.jpg"), 4, 4);
    Run r;
    QString countShown, label, stop;
    r.overwrite = [&](const QString&) -> bool {
      edit::TProgressForm* notice = OpenNotice();
      if (!notice) return false;
      countShown = notice->lblCount->text();
      label = notice->Label1->text();
      stop = notice->btnStop->text();
      notice->btnStop->click();
      return true;
    };
    const auto run = r.b.Run({In("a.bmp"), In("b.bmp"), In("c.bmp")}, dst_->path(), edit::cfJPEG);
    QCOMPARE(countShown, QStringLiteral("2 / 3"));
    QCOMPARE(label, QStringLiteral("Wait! Now Converting..."));
    QCOMPARE(stop, QStringLiteral("中止(&S)"));
    QVERIFY(run && run->StoppedByUser);
    QCOMPARE(Written(), QStringList({"a.jpg", "b.jpg"}));  // the current file is finished, nothing removed
    QVERIFY(!OpenNotice());
  }

  void theWindowAndTheToolWriteTheSameBytes() {
    // A PNG records when it was written; both writers are given the same moment.
    qputenv("SOURCE_DATE_EPOCH", "1700000000");
    const settings::TIniFile ini;
    ini.WriteInteger("Convert", "Item", 4);
    ini.WriteInteger("Convert", "Size4", 100);
    ini.WriteInteger("JPEG", "Compress", 70);
    ini.WriteInteger("JPEG", "Progressive", 1);
    ini.WriteInteger("PNG", "Color", 1);
    ini.WriteInteger("PNG", "Level", 6);
    for (const auto format : {edit::cfJPEG, edit::cfPNG}) {
      QTemporaryDir window, tool;
      Run r;
      QVERIFY(r.b.Run({In("a.bmp"), In("b.bmp")}, window.path(), format));
      QProcess p;
      p.start(QStringLiteral(QIVO2_CONVERT_TOOL),
              {"--settings", ini.FileName(), "--format", format == edit::cfJPEG ? "jpg" : "png", "-j", "2", In("a.bmp"),
               In("b.bmp"), "-o", tool.path()});
      QVERIFY(p.waitForFinished(60000));
      QCOMPARE(p.exitCode(), 0);
      for (const char* name : {"a", "b"}) {
        const QString file = QString::fromLatin1(name) + (format == edit::cfJPEG ? ".jpg" : ".png");
        const QByteArray w = Bytes(window.filePath(file));
        QVERIFY(!w.isEmpty());
        QCOMPARE(QCryptographicHash::hash(w, QCryptographicHash::Sha256),
                 QCryptographicHash::hash(Bytes(tool.filePath(file)), QCryptographicHash::Sha256));
      }
    }
  }
};

QTEST_MAIN(BatchConvertTest)
#include "batch_convert_qtest.moc"
