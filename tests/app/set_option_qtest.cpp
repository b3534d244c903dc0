// The options window: loading, the OK steps (read back from the file), Cancel and the checks.
#include "platform/settings.h"
#include "app/widgets/cvmain.h"
#include "platform/widgets/option_controls.h"
#include "app/widgets/set_option.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using app::TSetOption;

class SetOptionTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir* home_ = nullptr;
  QString ini() const {
    return home_->path() + "/" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".ini";
  }
  void put(const QByteArray& text) {
    QFile f(ini());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  QByteArray contents() const {
    QFile f(ini());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void pressEnter(TSetOption& d) {
    QTest::keyPress(d.seSlideTime, Qt::Key_Return);
    QTest::keyRelease(d.seSlideTime, Qt::Key_Return);
  }
  static void typeInterval(TSetOption& d, const QString& text) {
    d.seSlideTime->selectAll();
    QTest::keyClicks(d.seSlideTime, text);
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

  void defaultsLoadAndOkWritesEveryStepInOrder() {
    TSetOption d(nullptr);
    QCOMPARE(d.windowTitle(), QString("オプション"));
    QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(d.btnOK->isDefault());
    QCOMPARE(d.PageControl1->currentWidget(), d.tsMain);
    QCOMPARE(d.PageControl1->count(), 8);
    QVERIFY(d.cbFolder->isChecked());
    QVERIFY(d.cbHistory->isChecked());
    QCOMPARE(d.rgDblClick->ItemIndex(), 0);
    QVERIFY(!d.cbAdjustSize->isChecked());
    QVERIFY(d.cbAutoRotate->isChecked());
    QCOMPARE(d.rgCatalogSize->ItemIndex(), 1);
    QVERIFY(!d.cbCatalogCache->isChecked());
    QVERIFY(!d.editCachePath->isEnabled());
    QCOMPARE(d.editCachePath->text(), home_->path() + "/Cache");
    QCOMPARE(d.seSlideTime->Value(), 2000);
    QVERIFY(d.cbSlideShowName->isChecked());
    QVERIFY(!d.cbSlideLoop->isChecked());
    QVERIFY(d.cbFullScreenMode->isHidden());
    QVERIFY(d.cbSlideMode->isHidden());
    QVERIFY(d.btnCatalogFont->isHidden());
    QVERIFY(!d.cbCatLkAhead->isHidden());
    QVERIFY(!d.cbCatLkAhead->isChecked());
    QVERIFY(!d.rgFilter->isEnabled());
    QVERIFY(!QFile::exists(ini()));  // loading writes nothing

    d.btnOK->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(contents(),
             QByteArray("[Main]\nPathCheck=1\nDblClick=0\n\n[History]\nMenu=1\n\n[View]\nAdSize=0\nShowName=0\n"
                        "AutoRotate=1\n\n[Catalog]\nSize=1\nAWidth=100\nAHeight=80\nFLeft=16\nFTop=10\nFWidth=108\nFHeight=100\n"
                        "Color=-2147483633\nCache=0\nLookAhead=0\n\n[Slide]\nInterval=2000\nLoop=0\nName=1\n\n"
                        "[OtherSoft]\nPath1=\nPath2=\nPath3=\n"));
  }

  void storedValuesLoadAndGoBack() {
    put("[Main]\nPathCheck=0\nDblClick=1\n[History]\nMenu=0\n[View]\nAdSize=1\nShowName=1\nAutoRotate=0\n"
        "[Catalog]\nSize=3\nColor=255\nCache=1\nLookAhead=1\n[Slide]\nInterval=5000\nLoop=1\nName=0\n"
        "[OtherSoft]\nPath1=/usr/bin/gimp\nPath2=/usr/bin/eog\nPath3=\n");
    TSetOption d(nullptr);
    QVERIFY(!d.cbFolder->isChecked());
    QVERIFY(!d.cbHistory->isChecked());
    QCOMPARE(d.rgDblClick->ItemIndex(), 1);
    QVERIFY(d.cbAdjustSize->isChecked());
    QVERIFY(d.cbFullShowName->isChecked());
    QVERIFY(!d.cbAutoRotate->isChecked());
    QCOMPARE(d.rgCatalogSize->ItemIndex(), 3);
    QCOMPARE(d.plCatalogColor->Color(), QColor(255, 0, 0));
    QCOMPARE(d.plCatSize->Color(), QColor(255, 0, 0));
    QVERIFY(d.cbCatalogCache->isChecked());
    QVERIFY(d.editCachePath->isEnabled());
    QVERIFY(d.cbCatLkAhead->isChecked());
    QCOMPARE(d.seSlideTime->Value(), 5000);
    QVERIFY(d.cbSlideLoop->isChecked());
    QVERIFY(!d.cbSlideShowName->isChecked());
    QCOMPARE(d.editSoftPath2->text(), QString("/usr/bin/eog"));
    // Clearing the second program writes an empty Path2.
    d.editSoftPath2->clear();
    d.btnOK->click();
    const settings::TIniFile f(ini());
    QCOMPARE(f.ReadString("OtherSoft", "Path2", "x"), QString());
    QCOMPARE(f.ReadString("OtherSoft", "Path1", "x"), QString("/usr/bin/gimp"));
    QCOMPARE(f.ReadInteger("Catalog", "Color", 0), 255);
    QCOMPARE(f.ReadInteger("Catalog", "AWidth", 0), 120);
    QCOMPARE(f.ReadInteger("Catalog", "AHeight", 0), 90);
    QCOMPARE(f.ReadInteger("Main", "PathCheck", 9), 0);
    QCOMPARE(f.ReadInteger("Slide", "Name", 9), 0);
    QCOMPARE(f.ReadInteger("View", "AutoRotate", 9), 0);
    QCOMPARE(f.ReadInteger("Catalog", "LookAhead", 9), 1);
  }

  void cancelWritesNothing() {
    const QByteArray before = "; mine\n[Main]\nPathCheck=1\n";
    put(before);
    TSetOption d(nullptr);
    d.cbFolder->setChecked(false);
    d.rgCatalogSize->SetItemIndex(0);
    d.btnCatalogColorClick();
    d.btnCancel->click();
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(contents(), before);
  }

  void sizeChoiceMovesTheSampleFrame() {
    TSetOption d(nullptr);
    const QSize box = d.plCatDummy->size();
    const struct {
      int item;
      QSize frame;
      int width, height;
    } cases[] = {{0, {98, 90}, 90, 70}, {1, {108, 100}, 100, 80}, {2, {118, 105}, 110, 85}, {3, {128, 110}, 120, 90}};
    for (const auto& c : cases) {
      d.rgCatalogSize->Item(c.item)->click();
      QCOMPARE(d.plCatSize->geometry(),
               QRect((box.width() - c.frame.width()) / 2, (box.height() - c.frame.height()) / 2, c.frame.width(),
                     c.frame.height()));
    }
    d.btnOK->click();
    const settings::TIniFile f(ini());
    QCOMPARE(f.ReadInteger("Catalog", "Size", -1), 3);
    QCOMPARE(f.ReadInteger("Catalog", "AWidth", -1), 120);
    QCOMPARE(f.ReadInteger("Catalog", "FWidth", -1), 128);
    QCOMPARE(f.ReadInteger("Catalog", "FHeight", -1), 110);
  }

  void outOfRangeSizeAndNoColour() {
    // A size beyond the choices picks the last; a stored -1 keeps the form's own colour.
    put("[Catalog]\nSize=9\nColor=-1\n");
    TSetOption d(nullptr);
    QCOMPARE(d.rgCatalogSize->ItemIndex(), 3);
    d.rgCatalogSize->SetItemIndex(-1);
    d.btnOK->click();
    const settings::TIniFile f(ini());
    QCOMPARE(f.ReadInteger("Catalog", "Size", -1), 9);  // no size chosen: none of the three
    QCOMPARE(f.ReadInteger("Catalog", "AWidth", -1), -1);
    QCOMPARE(f.ReadInteger("Catalog", "Color", 0), -2147483633);
  }

  void colourChoice() {
    TSetOption d(nullptr);
    QColor offered;
    d.ChooseColor = [&](const QColor& initial, QWidget*) {
      offered = initial;
      return QColor(1, 2, 3);
    };
    d.plCatalogColorClick();
    QCOMPARE(d.plCatSize->Color(), QColor(1, 2, 3));
    QCOMPARE(d.plCatalogColor->Color(), QColor(1, 2, 3));
    d.btnOK->click();
    QCOMPARE(settings::TIniFile(ini()).ReadInteger("Catalog", "Color", 0), 0x030201);

    TSetOption again(nullptr);
    QCOMPARE(again.plCatSize->Color(), QColor(1, 2, 3));
    again.ChooseColor = [](const QColor&, QWidget*) { return QColor(); };  // dialog cancelled
    again.plCatalogColorClick();
    QCOMPARE(again.plCatSize->Color(), QColor(1, 2, 3));
    again.btnCatalogColorClick();
    again.btnOK->click();
    QCOMPARE(settings::TIniFile(ini()).ReadInteger("Catalog", "Color", 0), -2147483633);
  }

  void slideIntervalCheck() {
    TSetOption d(nullptr);
    QStringList warnings;
    d.ShowWarning = [&](const QString& text, QWidget*) { warnings << text; };
    d.show();
    d.PageControl1->setCurrentWidget(d.tsSlide);
    d.seSlideTime->setFocus();
    const struct {
      const char* typed;
      bool warned;
      int value;  // what OK would write
    } cases[] = {{"300", true, 2000}, {"700", false, 1000}, {"70000", true, 2000}, {"4500", false, 4500}};
    for (const auto& c : cases) {
      warnings.clear();
      typeInterval(d, c.typed);
      pressEnter(d);
      QCOMPARE(warnings.size(), c.warned ? 1 : 0);
      if (c.warned) QCOMPARE(warnings[0], QString("値が制限値を超えています。 "));
      QCOMPARE(d.seSlideTime->Value(), c.value);
      QVERIFY(d.isVisible());  // Enter in the field does not press OK
    }
    typeInterval(d, "700");
    d.btnOK->click();
    QCOMPARE(settings::TIniFile(ini()).ReadInteger("Slide", "Interval", 0), 1000);
    // The arrows stay within 1000..60000.
    TSetOption e(nullptr);
    e.seSlideTime->setValue(59950);
    e.seSlideTime->stepBy(1);
    QCOMPARE(e.seSlideTime->Value(), 60000);
    e.seSlideTime->setValue(1000);
    e.seSlideTime->stepBy(-1);
    QCOMPARE(e.seSlideTime->Value(), 1000);
  }

  void cacheSwitchTakesEffectAtOnce() {
    app::TCVMain main;
    QVERIFY(!main.UseCache);
    QVERIFY(QDir(home_->path() + "/Cache").removeRecursively());
    QString told;
    main.ThumbFolderChanged = [&](const QString& f) { told = f; };
    {
      TSetOption d(&main);
      d.cbCatalogCache->click();
      QVERIFY(d.editCachePath->isEnabled());
      d.btnOK->click();
    }
    QVERIFY(main.UseCache);
    QCOMPARE(main.ThumbFolder(), home_->path() + "/Cache");
    QCOMPARE(told, home_->path() + "/Cache");
    QVERIFY(QDir(home_->path() + "/Cache").exists());
    QCOMPARE(settings::TIniFile(ini()).ReadInteger("Catalog", "Cache", -1), 1);
    {
      TSetOption d(&main);
      QVERIFY(d.cbCatalogCache->isChecked());
      d.cbCatalogCache->click();
      QVERIFY(!d.editCachePath->isEnabled());
      d.btnOK->click();
    }
    QVERIFY(!main.UseCache);
    QCOMPARE(main.ThumbFolder(), home_->path() + "/Temp");
  }

  void pathCheckGoesToTheMainWindow() {
    app::TCVMain main;
    main.PathCheck = false;
    TSetOption d(&main);
    QVERIFY(!d.cbFolder->isChecked());
    d.cbFolder->click();
    d.btnOK->click();
    QVERIFY(main.PathCheck);
    QCOMPARE(settings::TIniFile(ini()).ReadInteger("Main", "PathCheck", -1), 1);
  }

  void pluginPageFilledOnce() {
    TSetOption d(nullptr);
    int asked = 0;
    d.SetPluginNameSource([&] {
      ++asked;
      return QStringList{"GIF plug-in", "TGA plug-in"};
    });
    d.PageControl1->setCurrentWidget(d.tsSPI);
    d.PageControl1->setCurrentWidget(d.tsMain);
    d.PageControl1->setCurrentWidget(d.tsSPI);
    QCOMPARE(asked, 1);
    QCOMPARE(d.ListBox1->count(), 2);
    QCOMPARE(d.ListBox1->item(1)->text(), QString("TGA plug-in"));
  }

  void browseForProgram() {
    put("[OtherSoft]\nOpenDir=/opt\n");
    TSetOption d(nullptr);
    QString start;
    d.ChooseProgram = [&](const QString& dir, QWidget*) {
      start = dir;
      return QString("/usr/local/bin/viewer");
    };
    d.btnPath3->click();
    QCOMPARE(start, QString("/opt"));
    QCOMPARE(d.editSoftPath3->text(), QString("/usr/local/bin/viewer"));
    QCOMPARE(settings::TIniFile(ini()).ReadString("OtherSoft", "OpenDir", ""), QString("/usr/local/bin"));
    d.ChooseProgram = [](const QString&, QWidget*) { return QString(); };  // cancelled
    d.btnPath1->click();
    QCOMPARE(d.editSoftPath1->text(), QString());
  }

  void onePageOnly() {
    TSetOption d(nullptr);
    d.ShowOnlyPage(d.tsOtherSoft);
    QCOMPARE(d.PageControl1->currentWidget(), d.tsOtherSoft);
    for (int i = 0; i < d.PageControl1->count(); ++i)
      QCOMPARE(d.PageControl1->isTabVisible(i), d.PageControl1->widget(i) == d.tsOtherSoft);
  }
};

QTEST_MAIN(SetOptionTest)
#include "set_option_qtest.moc"
