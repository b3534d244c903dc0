// The image editor window: its menus and keys, the scale modes and their warnings, renders
// from the file, Undo all, the saves and their names, closing and the placement.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QTemporaryDir>
#include <QtTest>

#include "edit/widgets/rotate_form.h"
#include "edit/widgets/spin_edit.h"
#include "graphics/bmp_graphic.h"
#include "graphics/builtin_formats.h"
#include "graphics/jpeg_image.h"
#include "platform/settings.h"
#include "view/picture_loader.h"

using edit::TRotateF;
namespace keys = settings::keys;

namespace {
void WriteBmp(const QString& path, int w, int h) {
  graphics::TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.ScanLine(y)[3 * x + 2] = uint8_t(x);
  graphics::TBMPGraphic(b).SaveToFile(path);
}
QSize Shown(const TRotateF& f) { return QSize(f.Picture().Width(), f.Picture().Height()); }
}  // namespace

class RotateFormTest : public QObject {
  Q_OBJECT
  QTemporaryDir* home_ = nullptr;
  QTemporaryDir* data_ = nullptr;

  // An editor on `name` as the main window opens it, its boxes recorded.
  struct Editor {
    TRotateF* f = new TRotateF(nullptr);
    QStringList warnings, errors, questions;
    bool answer = true;
    QString chosen;
    QString askedFolder, askedName;
    Editor(const QString& path) {
      f->LoadPicture = [](const QString& p) {
        graphics::TBitmap b;
        view::LoadPicture(p, b, nullptr);
        return b;
      };
      f->WarningBox = [this](const QString& t) { warnings << t; };
      f->ErrorBox = [this](const QString& t) { errors << t; };
      f->AskYesNo = [this](const QString& t) {
        questions << t;
        return answer;
      };
      f->ChooseSaveName = [this](const QString& folder, const QString& name, const QString&) {
        askedFolder = folder;
        askedName = name;
        return chosen;
      };
      f->FileName = path;
      f->SetPicture(f->LoadPicture(path));
      f->show();
    }
    ~Editor() {
      if (f) f->close();
    }
  };

 private slots:
  void initTestCase() { graphics::RegisterBuiltinFormats(); }
  void init() {
    home_ = new QTemporaryDir;
    data_ = new QTemporaryDir;
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    WriteBmp(data_->filePath("wide.bmp"), 640, 480);
    WriteBmp(data_->filePath("tall.bmp"), 480, 640);
    WriteBmp(data_->filePath("square.bmp"), 333, 333);
  }
  void cleanup() {
    delete home_;
    delete data_;
    qunsetenv("QIVO2_HOME");
  }

  void menusAndKeys() {
    Editor e(data_->filePath("square.bmp"));
    struct Item {
      QAction* action;
      const char* caption;
      const char* keys;
    };
    const Item items[] = {{e.f->SetFree, "全て元に戻す(&U)", "Ctrl+Z"},      {e.f->GammaPlus, "ガンマ補正＋(&G)", "F5"},
                          {e.f->GammaMinus, "ガンマ補正－(&M)", "F6"},      {e.f->BrightPlus, "明るさ補正＋(&B)", "F7"},
                          {e.f->BrightMinus, "明るさ補正－(&D)", "F8"},     {e.f->ContrastPlus, "コントラスト＋(&C)", "F9"},
                          {e.f->ContrastMinus, "コントラスト－(&T)", "F10"}, {e.f->PNG1, "PNGで保存(&P)...", ""},
                          {e.f->ScaleSetIn, "範囲に収める(&S)", ""},        {e.f->Effects[8], "ソラリゼーション(&L)", ""}};
    for (const Item& i : items) {
      QCOMPARE(i.action->text(), QString::fromUtf8(i.caption));
      QCOMPARE(i.action->shortcut(), QKeySequence(QString::fromLatin1(i.keys)));
    }
    QCOMPARE(e.f->Panels[0]->text(), QStringLiteral("ガンマ補正： 2.2"));
    QCOMPARE(e.f->Panels[1]->text(), QStringLiteral("明るさ補正： 0"));
    QCOMPARE(e.f->Panels[2]->text(), QStringLiteral("コントラスト： 0"));
    QVERIFY(QTest::qWaitForWindowActive(e.f));
    QTest::keyClick(e.f, Qt::Key_F5);
    QCOMPARE(e.f->Panels[0]->text(), QStringLiteral("ガンマ補正： 2"));
    QCOMPARE(e.f->windowTitle(), QStringLiteral("画像の編集 - square.bmp (333×333)"));
    QTest::keyClick(e.f, Qt::Key_F9);
    QCOMPARE(e.f->Panels[2]->text(), QStringLiteral("コントラスト： 5"));
  }

  void hintsLeaveTheValuePanelsAlone() {
    Editor e(data_->filePath("square.bmp"));
    QVERIFY(QTest::qWaitForWindowExposed(e.f));
    e.f->GammaPlusClick();
    const QString gamma = e.f->Panels[0]->text();
    struct Case {
      QObject* target;  // an action (its hover) or a control (the pointer entering it)
      const char* hint;
    } cases[] = {{e.f->sbBrightMinus, "明るさ補正－"}, {e.f->sbUndo, "全て元に戻す"}, {e.f->seSize2, "画像のサイズ"}};
    for (const Case& c : cases) {
      if (auto* a = qobject_cast<QAction*>(c.target)) {
        QCOMPARE(a->toolTip(), QString::fromUtf8(c.hint));
        a->showStatusText(e.f->Toolbar971);
      } else {
        auto* w = static_cast<QWidget*>(c.target);
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(w, &enter);
      }
      QCOMPARE(e.f->Panels[3]->text(), QString::fromUtf8(c.hint));
      QCOMPARE(e.f->Panels[0]->text(), gamma);
      for (QLabel* p : e.f->Panels) QVERIFY(p->isVisible());
      QVERIFY(e.f->StatusBar1->currentMessage().isEmpty());
    }
  }

  void scaleModesRenderFromTheFile() {
    struct Case {
      const char* file;
      int scale;  // [Convert] Scale
      int value;
      QSize want;
    };
    const Case cases[] = {{"wide.bmp", 1, 100, {100, 75}}, {"tall.bmp", 1, 100, {75, 100}}, {"square.bmp", 0, 50, {166, 166}}};
    for (const Case& c : cases) {
      settings::TIniFile().Write(keys::ConvertScale, c.scale);
      Editor e(data_->filePath(c.file));
      QCOMPARE(e.f->ScaleSetIn->isChecked(), c.scale == 1);
      QCOMPARE(e.f->seSize->isEnabled(), c.scale != 1);
      (c.scale == 1 ? e.f->seSize2 : e.f->seSize)->SetValue(c.value);
      e.f->RLeftClick();
      e.f->RRightClick();  // no net turn
      QCOMPARE(Shown(*e.f), c.want);
    }
  }

  void outOfRangeSizesWarnAndReset() {
    Editor e(data_->filePath("square.bmp"));
    e.f->seSize->SetValue(301);
    e.f->Render();
    QCOMPARE(e.warnings, QStringList{QStringLiteral("拡大・縮小率が制限値を超えています。")});
    QCOMPARE(e.f->seSize->Value(), 100);
    QCOMPARE(Shown(*e.f), QSize(333, 333));
    e.f->ScaleSetInClick();
    QCOMPARE(settings::TIniFile().Read(keys::ConvertScale), 1);
    e.f->seSize2->SetValue(0);
    e.f->Render();
    QCOMPARE(e.warnings.last(), QStringLiteral("設定値が制限を超えています。"));
    QCOMPARE(e.f->seSize2->Value(), 100);
  }

  void undoAllShowsTheFileAtNaturalSize() {
    settings::TIniFile().Write(keys::ConvertScale, 1);
    Editor e(data_->filePath("wide.bmp"));
    e.f->BrightPlusClick();
    e.f->RLeftClick();
    QCOMPARE(Shown(*e.f), QSize(75, 100));
    e.f->SetFreeClick();
    QCOMPARE(Shown(*e.f), QSize(640, 480));
    QCOMPARE(e.f->Panels[1]->text(), QStringLiteral("明るさ補正： 0"));
    QCOMPARE(e.f->Model.LeftTurns, 0);
    e.f->GammaMinusClick();  // the scale applies again
    QCOMPARE(Shown(*e.f), QSize(100, 75));
  }

  void ctrlZUndoesAllWhereverTheFocusIs() {
    Editor e(data_->filePath("wide.bmp"));
    QVERIFY(QTest::qWaitForWindowActive(e.f));
    for (edit::TSpinEdit* box : {e.f->seSize, e.f->seSize2}) {
      const bool enabled = box->isEnabled();
      box->setEnabled(true);
      e.f->BrightPlusClick();
      e.f->RLeftClick();
      QCOMPARE(Shown(*e.f), QSize(480, 640));
      box->Edit()->setFocus();
      QVERIFY(box->Edit()->hasFocus());
      QTest::keyClick(box->Edit(), Qt::Key_Z, Qt::ControlModifier);
      QCOMPARE(e.f->Panels[1]->text(), QStringLiteral("明るさ補正： 0"));
      QCOMPARE(Shown(*e.f), QSize(640, 480));
      box->setEnabled(enabled);
    }
  }

  void aRemovedFileIsReportedAndTheRenderingStays() {
    Editor e(data_->filePath("square.bmp"));
    QVERIFY(QFile::remove(data_->filePath("square.bmp")));
    e.f->RRightClick();
    QCOMPARE(e.errors.size(), 1);
    QCOMPARE(Shown(*e.f), QSize(333, 333));
  }

  // Every edit command, the size button and Undo all read the file again. With the file gone
  // none of them changes a setting, a size box, a panel, the caption or the picture, and the
  // editor says once, naming the file, that it is not there.
  void aFileGoneChangesNothingAndIsReportedOnce() {
    Editor e(data_->filePath("square.bmp"));
    QVERIFY(QTest::qWaitForWindowActive(e.f));
    e.f->GammaPlusClick();
    e.f->BrightPlusClick();
    e.f->seSize->SetValue(50);
    e.f->Render();
    QCOMPARE(Shown(*e.f), QSize(166, 166));
    QVERIFY(QFile::remove(data_->filePath("square.bmp")));
    const auto state = [&] {
      const edit::TEditorModel& m = e.f->Model;
      QStringList s = {e.f->windowTitle(), QString::number(e.f->seSize->Value()), QString::number(e.f->seSize2->Value())};
      for (QLabel* panel : e.f->Panels) s << panel->text();
      for (const double v : {double(m.Gamma), double(m.Brightness), double(m.Contrast), double(m.FlipH), double(m.FlipV),
                             double(m.LeftTurns), double(m.RightTurns), double(m.ColorEffect)})
        s << QString::number(v);
      return s;
    };
    const QStringList before = state();
    QCOMPARE(before.mid(3, 3), (QStringList{"ガンマ補正： 2", "明るさ補正： 5", "コントラスト： 0"}));
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"F5", [&] { QTest::keyClick(e.f, Qt::Key_F5); }},
        {"F8", [&] { QTest::keyClick(e.f, Qt::Key_F8); }},
        {"contrast", [&] { e.f->ContrastPlusClick(); }},
        {"sepia", [&] { e.f->EffectClick(edit::ceSepia); }},
        {"left", [&] { e.f->RLeftClick(); }},
        {"mirror", [&] { e.f->RHorizontalClick(); }},
        {"size", [&] { e.f->sbSize->trigger(); }},
        {"undo all", [&] { e.f->SetFreeClick(); }},
    };
    for (const auto& [what, command] : commands) {
      command();
      QVERIFY2(state() == before, what);
      QVERIFY2(Shown(*e.f) == QSize(166, 166), what);
    }
    QCOMPARE(e.errors, QStringList{QStringLiteral("「square.bmp」が見つかりません。移動または削除された可能性があります。")});
    // Back again, the file renders with the settings the editor kept.
    WriteBmp(data_->filePath("square.bmp"), 333, 333);
    e.f->ContrastPlusClick();
    QCOMPARE(e.f->Panels[2]->text(), QStringLiteral("コントラスト： 5"));
    QCOMPARE(Shown(*e.f), QSize(166, 166));
  }

  void savesNameTheTargetAndAskBeforeReplacing() {
    Editor e(data_->filePath("square.bmp"));
    e.f->TreeFolder = data_->path();
    QDir().mkpath(data_->filePath("out"));
    e.chosen = data_->filePath("out/result");
    e.f->SaveClick(edit::cfJPEG);
    QCOMPARE(e.askedFolder, data_->path());
    QCOMPARE(e.askedName, QStringLiteral("_square.jpg"));
    QVERIFY(QFile::exists(data_->filePath("out/result.jpg")));
    QCOMPARE(settings::TIniFile().Read(keys::RotateSaveDir), data_->filePath("out"));
    e.chosen = data_->filePath("out/result.txt");
    e.f->SaveClick(edit::cfJPEG);
    QFile txt(data_->filePath("out/result.txt"));
    QVERIFY(txt.open(QIODevice::ReadOnly));
    QVERIFY(txt.read(3) == QByteArray("\xFF\xD8\xFF"));  // a JPEG under the typed name
    settings::TIniFile().Write(keys::ConvertExt, 1);
    e.chosen = data_->filePath("out/result.txt");
    e.answer = false;
    const QByteArray before = QFile(e.chosen).exists() ? QByteArray("x") : QByteArray();
    QVERIFY(!before.isEmpty());
    e.f->SaveClick(edit::cfPNG);
    QCOMPARE(e.askedFolder, data_->filePath("out"));  // the last save folder
    QCOMPARE(e.askedName, QStringLiteral("_square.PNG"));
    QCOMPARE(e.questions, QStringList{QStringLiteral("同名のファイルが既に存在します。上書きしますか？")});
    QVERIFY(txt.seek(0));
    QVERIFY(txt.read(3) == QByteArray("\xFF\xD8\xFF"));  // No: nothing written
  }

  void closingWritesThePlacementAndRemovesTheClipboardFile() {
    const QString clip = home_->filePath("clipbrd.bmp");
    WriteBmp(clip, 20, 10);
    {
      Editor e(clip);
      e.f->FromClipboard = true;
      e.chosen = data_->filePath("clip");
      e.f->SaveClick(edit::cfPNG);
      QCOMPARE(e.askedName, QStringLiteral("clipbrd.png"));
      bool closed = false;
      e.f->OnClosed = [&] { closed = true; };
      e.f->resize(600, 500);
      e.f->close();
      e.f = nullptr;
      QVERIFY(closed);
    }
    QVERIFY(!QFile::exists(clip));
    const settings::TIniFile ini;
    QCOMPARE(ini.Read(keys::RotateState), 0);
    QCOMPARE(ini.Read(keys::RotateWidth), 600);
    QCOMPARE(ini.Read(keys::RotateHeight), 500);
    Editor again(data_->filePath("square.bmp"));
    QCOMPARE(again.f->size(), QSize(600, 500));  // restored on the next opening
  }
};

QTEST_MAIN(RotateFormTest)
#include "rotate_form_qtest.moc"
