// The conversion settings window: what creation reads, what OK writes (and in which order),
// Cancel, the Enter warning and the clamp on focus loss, and the save-options form.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "edit/widgets/convert_form.h"
#include "edit/widgets/spin_edit.h"
#include "platform/app_folder.h"
#include "platform/settings.h"

using edit::TConvertF;

class ConvertFormTest : public QObject {
  Q_OBJECT
  QTemporaryDir* home_ = nullptr;

  static QByteArray IniText() {
    QFile f(platform::settingsFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void WriteIni(const QByteArray& text) {
    QFile f(platform::settingsFilePath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
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

  void emptySettingsOpenWithTheDefaults() {
    TConvertF f(nullptr);
    QCOMPARE(f.windowTitle(), QStringLiteral("変換設定"));
    QCOMPARE(f.tbPNG->value(), 1);  // not the form's own 5
    QCOMPARE(f.lblLevel->text(), QStringLiteral("1"));
    QCOMPARE(f.tbJPEG->value(), 80);
    QCOMPARE(f.lblPosition->text(), QStringLiteral("80"));
    for (QCheckBox* c : {f.cbInterlace, f.cbPNG256, f.cbProgressive, f.cbGrayscale, f.cb256}) QVERIFY(!c->isChecked());
    QCOMPARE(f.SizeIndex(), 0);
    for (int i = 1; i <= 4; ++i) QVERIFY(!f.SizeEdit(i)->isEnabled());
    QCOMPARE(f.PageControl1->currentWidget(), f.tsPNG);
    QCOMPARE(f.PageControl1->count(), 4);
    QCOMPARE(f.PageControl1->tabText(3), QStringLiteral("  共通  "));
  }

  void okWritesTheKeysInOrderAndOnlyTheSelectedSize() {
    WriteIni("[PNG]\nLevel=12\n[Convert]\nItem=2\nSize1=33\nSize2=640\nSize4=900\n");
    TConvertF f(nullptr);
    QCOMPARE(f.tbPNG->value(), 9);
    QCOMPARE(f.lblLevel->text(), QStringLiteral("12"));  // the value read, until the bar moves
    QCOMPARE(f.SizeIndex(), 2);
    QVERIFY(f.rgSizeItems[2]->isChecked());
    QCOMPARE(f.seWidth->Value(), 640);
    QVERIFY(f.seWidth->isEnabled());
    QVERIFY(!f.seSize->isEnabled() && !f.seHeight->isEnabled() && !f.seSetSize->isEnabled());
    QCOMPARE(f.seSize->Value(), 100);  // only the selected item's value is read
    f.btnOK->click();
    QCOMPARE(f.result(), int(QDialog::Accepted));
    const settings::TIniFile ini;
    QCOMPARE(ini.ReadInteger("PNG", "Level", -1), 9);
    QCOMPARE(ini.ReadInteger("Convert", "Size2", -1), 640);
    QCOMPARE(ini.ReadInteger("Convert", "Item", -1), 2);
    QCOMPARE(ini.ReadInteger("Convert", "Size1", -1), 33);
    QCOMPARE(ini.ReadInteger("Convert", "Size4", -1), 900);
    QCOMPARE(ini.ReadInteger("Convert", "Size3", -1), -1);
    // New keys land in the order OK writes them.
    const QByteArray text = IniText();
    const char* order[] = {"Interlace=0", "Color=0", "Compress=80", "Progressive=0", "Grayscale=0", "Bit=0"};
    qsizetype at = 0;
    for (const char* key : order) {
      const qsizetype next = text.indexOf(key, at);
      QVERIFY2(next > 0, key);
      at = next;
    }
  }

  void itemZeroWritesOnlyItem() {
    WriteIni("[Convert]\nItem=3\nSize3=480\n");
    TConvertF f(nullptr);
    f.SelectSize(0);
    for (int i = 1; i <= 4; ++i) QVERIFY(!f.SizeEdit(i)->isEnabled());
    f.btnOK->click();
    const settings::TIniFile ini;
    QCOMPARE(ini.ReadInteger("Convert", "Item", -1), 0);
    QCOMPARE(ini.ReadInteger("Convert", "Size3", -1), 480);
  }

  void enterWarnsAndResetsButOkClamps() {
    WriteIni("[Convert]\nItem=2\nSize2=640\n");
    TConvertF f(nullptr);
    QStringList warnings;
    f.WarningBox = [&](const QString& t) { warnings << t; };
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.seWidth->Edit()->setFocus();
    f.seWidth->Edit()->setText("2500");
    QTest::keyClick(f.seWidth->Edit(), Qt::Key_Return);
    QCOMPARE(warnings, QStringList{QStringLiteral("値が制限値を超えています。")});
    QCOMPARE(f.seWidth->Value(), 100);
    QVERIFY(f.isVisible());  // Enter in the spin edit does not press OK
    f.seWidth->Edit()->setText("2500");
    f.btnOK->click();
    QCOMPARE(settings::TIniFile().ReadInteger("Convert", "Size2", -1), 2000);
    QCOMPARE(warnings.size(), 1);
    // Text that is no number reads as the minimum.
    TConvertF g(nullptr);
    g.seSize->SetValue(7);
    g.seSize->Edit()->setText("abc");
    QCOMPARE(g.seSize->Value(), 1);
  }

  void sizeChoiceAnswersTheAccessibleActions() {
    for (const QString& action : {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::toggleAction()}) {
      TConvertF f(nullptr);
      f.show();
      QVERIFY(QTest::qWaitForWindowExposed(&f));
      QAccessibleInterface* i = QAccessible::queryAccessibleInterface(f.rgSizeItems[3]);
      QVERIFY(i && i->actionInterface());
      i->actionInterface()->doAction(action);
      QTRY_VERIFY2(f.seHeight->isEnabled(), qPrintable(action));
      QCOMPARE(f.SizeIndex(), 3);
      QVERIFY(!f.seSize->isEnabled() && !f.seWidth->isEnabled() && !f.seSetSize->isEnabled());
    }
  }

  void cancelWritesNothing() {
    WriteIni("[JPEG]\nCompress=55\n");
    const QByteArray before = IniText();
    TConvertF f(nullptr);
    f.tbJPEG->setValue(20);
    QCOMPARE(f.lblPosition->text(), QStringLiteral("20"));
    f.cbGrayscale->setChecked(true);
    f.SelectSize(4);
    f.btnCancel->click();
    QCOMPARE(IniText(), before);
  }

  void saveOptionsHideGrayscaleAndSizeButKeepThem() {
    // The hidden size box is not clamped either: a value beyond its range goes back as read.
    for (int size : {800, 2500}) {
      WriteIni("[JPEG]\nGrayscale=1\n[Convert]\nItem=4\nSize4=" + QByteArray::number(size) + "\n");
      TConvertF f(nullptr, TConvertF::cfSaveOptions);
      QCOMPARE(f.windowTitle(), QStringLiteral("保存オプション"));
      f.show();
      QVERIFY(!f.cbGrayscale->isVisible());
      QVERIFY(!f.PageControl1->isTabVisible(f.PageControl1->indexOf(f.tsCommon1)));
      f.btnOK->click();
      const settings::TIniFile ini;
      QCOMPARE(ini.ReadInteger("JPEG", "Grayscale", -1), 1);
      QCOMPARE(ini.ReadInteger("Convert", "Item", -1), 4);
      QCOMPARE(ini.ReadInteger("Convert", "Size4", -1), size);
    }
  }

  void opensCentredOnTheScreenWithAFixedSize() {
    QWidget owner;  // off the screen's centre: the window must not open over it
    owner.setGeometry(10, 10, 200, 150);
    owner.show();
    for (auto form : {TConvertF::cfConversionSettings, TConvertF::cfSaveOptions}) {
      TConvertF f(&owner, form);
      f.show();
      QVERIFY(QTest::qWaitForWindowExposed(&f));
      QCOMPARE(f.frameGeometry().center(), owner.screen()->geometry().center());
      QCOMPARE(f.minimumSize(), f.maximumSize());
      QVERIFY(f.width() >= 392 && f.height() >= 218);
    }
  }
};

QTEST_MAIN(ConvertFormTest)
#include "convert_form_qtest.moc"
