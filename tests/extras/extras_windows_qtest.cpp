// The file list control and the media, cache list, wallpaper and version windows.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QFile>
#include <QRadioButton>
#include <QSignalSpy>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

#include "extras/wallpaper.h"
#include "extras/widgets/about_form.h"
#include "extras/widgets/cache_form.h"
#include "extras/widgets/media_form.h"
#include "extras/widgets/shell_list_box.h"
#include "extras/widgets/wallpaper_form.h"
#include "graphics/bmp_graphic.h"
#include "graphics/picture_formats.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"
#include "platform/widgets/option_controls.h"

using namespace extras;
namespace keys = settings::keys;

namespace {
void Touch(const QString& path, const QByteArray& bytes = "x") {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QStringList Texts(const QListWidget* list) {
  QStringList t;
  for (int i = 0; i < list->count(); ++i) t << list->item(i)->text();
  return t;
}

void Select(QListWidget* list, const QStringList& texts) {
  for (int i = 0; i < list->count(); ++i) list->item(i)->setSelected(texts.contains(list->item(i)->text()));
}
}  // namespace

class ExtrasWindowsTest : public QObject {
  Q_OBJECT
  std::unique_ptr<QTemporaryDir> home_;

 private slots:
  void initTestCase() { graphics::RegisterBuiltinFormats(); }
  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    qputenv("QIVO2_HOME", home_->path().toUtf8());
  }

  void listSortsAndFollowsTheMask() {
    QTemporaryDir d;
    for (const char* n : {"b.avi", "a.mp3", "c.txt", "D.WAV", "e.mp3.txt"}) Touch(d.path() + "/" + n);
    QDir(d.path()).mkdir("f.mp3");
    TShellListBox list;
    list.SetMask(TMediaForm::kMask);
    list.SetDirectory(d.path());  // no trailing "/"
    QCOMPARE(list.Directory(), d.path() + "/");
    QCOMPARE(Texts(&list), QStringList({"a.mp3", "b.avi", "D.WAV"}));
    QCOMPARE(list.PathOf(list.item(0)), d.path() + "/a.mp3");
    list.SetShowExtention(false);
    QCOMPARE(Texts(&list), QStringList({"a", "b", "D"}));
    list.SetShowFullPath(true);
    QCOMPARE(list.item(1)->text(), d.path() + "/b.avi");
    QCOMPARE(list.sizeHintForRow(0), TCustomShellListBox::kItemHeight);
  }

  void mediaPlaceholderAndPlayerForWhatIsNoPictureFormat() {
    QTemporaryDir d;
    Touch(d.path() + "/song.mp3", QByteArray("ID3\x03\0\0\0\0\0\0", 10));
    const QByteArray bmp = graphics::WriteBMP(graphics::TBitmap(8, 6));
    Touch(d.path() + "/movie.avi", bmp);  // chosen by extension: a video, whatever it holds
    Touch(d.path() + "/pic.bmp", bmp);
    settings::TIniFile().Write(keys::MediaOpenDir, d.path());
    TMediaForm form(nullptr);
    QStringList opened, warnings;
    form.OpenByAssociation = [&](const QString& p) { opened << p; };
    form.WarningBox = [&](const QString& t) { warnings << t; };
    form.MShellListBox->SetMask(QString::fromLatin1(TMediaForm::kMask) + ";*.bmp");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(Texts(form.MShellListBox), QStringList({"movie.avi", "pic.bmp", "song.mp3"}));
    struct Case {
      const char* name;
      bool placeholder;
    } cases[] = {{"song.mp3", true}, {"movie.avi", true}, {"pic.bmp", false}};
    for (const Case& c : cases) {
      opened.clear();
      const QList<QListWidgetItem*> items = form.MShellListBox->findItems(c.name, Qt::MatchExactly);
      QCOMPARE(items.size(), 1);
      const QRect r = form.MShellListBox->visualItemRect(items[0]);
      // A double click as the window system gives it: press, release, then press again as
      // the double click.
      QTest::mouseClick(form.MShellListBox->viewport(), Qt::LeftButton, {}, r.center());
      QTest::mouseDClick(form.MShellListBox->viewport(), Qt::LeftButton, {}, r.center());
      QCOMPARE(form.ShowsPlaceholder(), c.placeholder);
      // Opened once for one double click.
      QCOMPARE(opened, c.placeholder ? QStringList{d.path() + "/" + c.name} : QStringList());
      QVERIFY(form.isEnabled());
    }
    QCOMPARE(form.Image1->size(), QSize(8, 6));
    QCOMPARE(form.Image1->pos(), QPoint((form.Panel1->width() - 8) / 2, (form.Panel1->height() - 6) / 2));
    // A picture gone meanwhile is reported, not played.
    opened.clear();
    QVERIFY(QFile::remove(d.path() + "/pic.bmp"));
    form.MShellListBox->setCurrentRow(1);
    form.MShellListBoxDblClick();
    QVERIFY(opened.isEmpty());
    QCOMPARE(warnings, QStringList{QStringLiteral("ファイルが不正か，対応していない形式です。")});
    QVERIFY(form.isEnabled());
  }

  void mediaListWidthIsKept() {
    {
      TMediaForm form(nullptr);
      form.show();
      form.Splitter1->setSizes({180, 300});
      form.close();
    }
    QCOMPARE(settings::TIniFile().Read(keys::MediaWidth), 180);
    TMediaForm again(nullptr);
    again.show();
    QCOMPARE(again.MShellListBox->width(), 180);
  }

  void mediaOpenListsTheChosenFolder() {
    QTemporaryDir d;
    Touch(d.path() + "/x.wav");
    TMediaForm form(nullptr);
    form.MShellListBox->SetMask(TMediaForm::kMask);
    form.ChooseFolder = [&](const QString&, QWidget*) { return d.path(); };
    form.Open1Click();
    QCOMPARE(Texts(form.MShellListBox), QStringList{"x.wav"});
    QCOMPARE(settings::TIniFile().Read(keys::MediaOpenDir), d.path());
    form.ChooseFolder = [](const QString&, QWidget*) { return QString(); };  // cancelled
    form.Open1Click();
    QCOMPARE(form.MShellListBox->count(), 1);
  }

  void cacheListCreatesTheFolderAndDeletesOnlyTheSelection() {
    const QString folder = CacheFolder();
    QVERIFY(QDir(folder).exists());
    for (const char* n : {"a.dat", "b.dat", "c.dat", "keep.txt"}) Touch(folder + "/" + n);
    // Nothing elsewhere: a link out of the folder, a folder pointed at from outside.
    QTemporaryDir elsewhere;
    Touch(elsewhere.path() + "/precious.dat");
    QVERIFY(QFile::link(elsewhere.path() + "/precious.dat", folder + "/link.dat"));
    TCacheForm form;
    form.ShellListBox1->SetDirectory(elsewhere.path());
    QCOMPARE(form.ShellListBox1->count(), 0);
    form.ShellListBox1->SetDirectory(folder);
    QCOMPARE(Texts(form.ShellListBox1), QStringList({"a.dat", "b.dat", "c.dat"}));
    int asked = 0;
    bool answer = false;
    form.ConfirmBox = [&](const QString& text) {
      ++asked;
      return text == QString::fromUtf8("指定のキャッシュファイルを削除します。よろしいですか？") && answer;
    };
    form.btnDeleteClick();  // nothing selected: no question
    QCOMPARE(asked, 0);
    Select(form.ShellListBox1, {"a.dat", "c.dat"});
    form.btnDeleteClick();  // cancelled
    QCOMPARE(asked, 1);
    QCOMPARE(form.ShellListBox1->count(), 3);
    answer = true;
    form.btnDeleteClick();
    QCOMPARE(Texts(form.ShellListBox1), QStringList{"b.dat"});
    QVERIFY(QFile::exists(folder + "/keep.txt"));
    QVERIFY(QFile::exists(elsewhere.path() + "/precious.dat"));
    QVERIFY(!QFile::exists(folder + "/a.dat"));
  }

  void wallpaperApplyAndRemove() {
    TWallPaperForm form(graphics::TBitmap(300, 400));
    form.Desktop = TDesktop::Gnome;
    QStringList calls;
    form.Runner = [&](const QString& program, const QStringList& args, QByteArray*) {
      calls << program + " " + args.join(u' ');
      return true;
    };
    form.ScreenSize = [] { return QSize(1024, 768); };
    QStringList boxes;
    form.InformationBox = [&](const QString& t) { boxes << t; };
    QCOMPARE(form.rgAD->ItemIndex(), 0);
    QCOMPARE(form.rgPosition->ItemIndex(), 0);
    form.rgPosition->SetItemIndex(2);
    form.btnWallChangeClick();
    QVERIFY(boxes.isEmpty());
    QCOMPARE(settings::TIniFile().Read(keys::DesktopTileWallpaper), QString("0"));
    QVERIFY(calls.last().endsWith("picture-options 'scaled'"));
    QFile file(WallpaperFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const graphics::TBitmap saved =
        graphics::ReadBMP(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    QCOMPARE(QSize(saved.Width(), saved.Height()), QSize(576, 768));
    form.btnWallFreeClick();
    QVERIFY(!QFile::exists(WallpaperFilePath()));
    QCOMPARE(settings::TIniFile().Read(keys::DesktopWallpaper), QString());
    // A desktop we cannot set says so, and the file is still there.
    form.Desktop = TDesktop::Other;
    form.btnWallChangeClick();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].contains(WallpaperFilePath()));
    QVERIFY(QFile::exists(WallpaperFilePath()));
  }

  void radioGroupClicksOnceForEveryChoice() {
    platform::TRadioGroup group(QStringLiteral("表示位置"), {"a", "b", "c"}, 1);
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));
    QSignalSpy clicks(&group, &platform::TRadioGroup::Click);
    group.SetItemIndex(0);
    QCOMPARE(clicks.size(), 1);
    QTest::mouseClick(group.Item(1), Qt::LeftButton);
    QCOMPARE(group.ItemIndex(), 1);
    QCOMPARE(clicks.size(), 2);
    // A screen reader's press or toggle chooses as a click does.
    int item = 1;
    for (const QString& action : {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::toggleAction()}) {
      item = 3 - item;  // 2, then 1
      const qsizetype before = clicks.size();
      QAccessible::queryAccessibleInterface(group.Item(item))->actionInterface()->doAction(action);
      QTRY_COMPARE(group.ItemIndex(), item);
      QTRY_COMPARE(clicks.size(), before + 1);
    }
  }

  void aboutTexts() {
    TFAbout about;
    QCOMPARE(about.windowTitle(), QString::fromUtf8("ヴァージョン情報"));
    QCOMPARE(about.Label1->text(), QString("QIVO2  "));
    QCOMPARE(about.Label6->text(), QString("Version 1.20 "));
    about.show();
    QTest::mouseClick(about.plOK, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(ExtrasWindowsTest)
#include "extras_windows_qtest.moc"
