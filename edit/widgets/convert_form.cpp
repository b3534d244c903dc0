#include "edit/widgets/convert_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "edit/widgets/spin_edit.h"
#include "platform/settings.h"
#include "platform/widgets/centre_on_screen.h"

namespace edit {

namespace keys = settings::keys;

namespace {

QSlider* TrackBar(QWidget* parent, const char* name, int lo, int hi, int tick) {
  auto* t = new QSlider(Qt::Horizontal, parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setRange(lo, hi);
  t->setTickInterval(tick);
  t->setTickPosition(QSlider::TicksBelow);
  t->setPageStep(tick);
  return t;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& caption) {
  auto* c = new QCheckBox(caption, parent);
  c->setObjectName(QString::fromLatin1(name));
  return c;
}

// "低" — track bar — "高", with the caption and its value label above.
QWidget* TrackRow(QWidget* parent, const QString& caption, QLabel* value, QSlider* bar) {
  auto* box = new QWidget(parent);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  auto* head = new QHBoxLayout;
  head->addWidget(new QLabel(caption, box));
  head->addWidget(value);
  head->addStretch();
  grid->addLayout(head, 0, 0, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("低"), box), 1, 0);
  grid->addWidget(bar, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("高"), box), 1, 2);
  return box;
}

}  // namespace

TConvertF::TConvertF(QWidget* owner, TForm form) : QDialog(owner) {
  setObjectName(QStringLiteral("ConvertF"));
  setWindowTitle(form == cfSaveOptions ? QStringLiteral("保存オプション") : QStringLiteral("変換設定"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  platform::CentreOnScreenWhenShown(this);
  WarningBox = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text, QMessageBox::Ok); };
  CreatePages();
  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  connect(btnOK, &QPushButton::clicked, this, &TConvertF::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);
  layout->addLayout(buttons);
  ReadSettings();
  if (form == cfSaveOptions) {
    cbGrayscale->hide();
    PageControl1->setTabVisible(PageControl1->indexOf(tsCommon1), false);
  }
  PageControl1->setCurrentWidget(tsPNG);
  setFixedSize(QSize(392, 218).expandedTo(sizeHint()));
  btnOK->setFocus();
}

void TConvertF::CreatePages() {
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  auto page = [this](const char* name, const QString& caption) {
    auto* p = new QWidget(PageControl1);
    p->setObjectName(QString::fromLatin1(name));
    PageControl1->addTab(p, caption);
    return p;
  };
  tsPNG = page("tsPNG", QStringLiteral("  PNG  "));
  tsJPEG = page("tsJPEG", QStringLiteral("  JPEG  "));
  tsBMP = page("tsBMP", QStringLiteral("  BMP  "));
  tsCommon1 = page("tsCommon1", QStringLiteral("  共通  "));

  lblLevel = new QLabel(tsPNG);
  lblLevel->setObjectName(QStringLiteral("lblLevel"));
  tbPNG = TrackBar(tsPNG, "tbPNG", 0, 9, 1);
  tbPNG->setValue(5);
  cbInterlace = CheckBox(tsPNG, "cbInterlace", QStringLiteral("インターレース"));
  cbPNG256 = CheckBox(tsPNG, "cbPNG256", QStringLiteral("256色に減色"));
  auto* note = new QLabel(QStringLiteral("* フィルタ処理は自動的に最適化されます"), tsPNG);
  note->setObjectName(QStringLiteral("Label2"));
  auto* png = new QVBoxLayout(tsPNG);
  png->addWidget(TrackRow(tsPNG, QStringLiteral("圧縮レベル："), lblLevel, tbPNG));
  png->addWidget(cbInterlace);
  png->addWidget(cbPNG256);
  png->addWidget(note);
  png->addStretch();
  connect(tbPNG, &QSlider::valueChanged, this, [this](int v) { lblLevel->setText(QString::number(v)); });

  lblPosition = new QLabel(tsJPEG);
  lblPosition->setObjectName(QStringLiteral("lblPosition"));
  tbJPEG = TrackBar(tsJPEG, "tbJPEG", 1, 100, 5);
  cbProgressive = CheckBox(tsJPEG, "cbProgressive", QStringLiteral("プログレッシブJPEG"));
  cbGrayscale = CheckBox(tsJPEG, "cbGrayscale", QStringLiteral("グレイスケール"));
  auto* jpeg = new QVBoxLayout(tsJPEG);
  jpeg->addWidget(TrackRow(tsJPEG, QStringLiteral("保存品質："), lblPosition, tbJPEG));
  jpeg->addWidget(cbProgressive);
  jpeg->addWidget(cbGrayscale);
  jpeg->addStretch();
  connect(tbJPEG, &QSlider::valueChanged, this, [this](int v) { lblPosition->setText(QString::number(v)); });

  cb256 = CheckBox(tsBMP, "cb256", QStringLiteral("256色に減色"));
  auto* bmp = new QVBoxLayout(tsBMP);
  bmp->addWidget(cb256);
  bmp->addStretch();

  auto* group = new QGroupBox(QStringLiteral("サイズ変更"), tsCommon1);
  group->setObjectName(QStringLiteral("rgSize"));
  rgSize = new QButtonGroup(group);
  auto* grid = new QGridLayout(group);
  struct Item {
    const char* caption;
    const char* edit;
    int max;
    const char* unit;
    const char* unitName;
  };
  const Item items[] = {{"サイズ変更なし", nullptr, 0, nullptr, nullptr},
                        {"倍率を指定：", "seSize", 300, "%", "st1"},
                        {"横幅を指定：", "seWidth", 2000, "Pixels", "st2"},
                        {"高さを指定：", "seHeight", 2000, "Pixels", "st3"},
                        {"範囲に収める：", "seSetSize", 2000, "Pixels", "st4"}};
  TSpinEdit** edits[] = {nullptr, &seSize, &seWidth, &seHeight, &seSetSize};
  for (int i = 0; i < 5; ++i) {
    rgSizeItems[i] = new QRadioButton(QString::fromUtf8(items[i].caption), group);
    rgSize->addButton(rgSizeItems[i], i);
    grid->addWidget(rgSizeItems[i], i, 0);
    if (!items[i].edit) continue;
    auto* e = new TSpinEdit(group, 1, items[i].max, 100);
    e->setObjectName(QString::fromLatin1(items[i].edit));
    e->setEnabled(false);
    e->setFixedWidth(80);
    e->OnEnter = [this, e] { SpinEditEnter(e); };
    *edits[i] = e;
    auto* unit = new QLabel(QString::fromUtf8(items[i].unit), group);
    unit->setObjectName(QString::fromLatin1(items[i].unitName));
    grid->addWidget(e, i, 1);
    grid->addWidget(unit, i, 2);
  }
  grid->setColumnStretch(3, 1);
  auto* common = new QVBoxLayout(tsCommon1);
  common->addWidget(group);
  // Toggled, not clicked: a screen reader's "toggle" changes the choice without a click.
  connect(rgSize, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on) SelectSize(id);
  });
}

TSpinEdit* TConvertF::SizeEdit(int index) const {
  switch (index) {
    case 1: return seSize;
    case 2: return seWidth;
    case 3: return seHeight;
    case 4: return seSetSize;
    default: return nullptr;
  }
}

int TConvertF::SizeIndex() const { return std::max(0, rgSize->checkedId()); }

void TConvertF::SelectSize(int index) {
  rgSizeItems[index]->setChecked(true);
  for (int i = 1; i <= 4; ++i) SizeEdit(i)->setEnabled(i == index);
}

void TConvertF::ReadSettings() {
  const settings::TIniFile ini;
  const int level = ini.Read(keys::PngLevel);
  tbPNG->setValue(level);
  lblLevel->setText(QString::number(level));  // the value read, even beyond the bar's range
  cbInterlace->setChecked(ini.Read(keys::PngInterlace) == 1);
  cbPNG256->setChecked(ini.Read(keys::PngColor) == 1);
  tbJPEG->setValue(ini.Read(keys::JpegCompress));
  lblPosition->setText(QString::number(tbJPEG->value()));
  cbProgressive->setChecked(ini.Read(keys::JpegProgressive) == 1);
  cbGrayscale->setChecked(ini.Read(keys::JpegGrayscale) == 1);
  cb256->setChecked(ini.Read(keys::ColorBit) == 1);
  const int item = ini.Read(keys::ConvertItem);
  if (item >= 1 && item <= 4) {
    SelectSize(item);
    SizeEdit(item)->SetValue(ini.Read(keys::ConvertSize, item));
  } else {
    SelectSize(0);
  }
}

void TConvertF::SpinEditEnter(TSpinEdit* edit) {
  if (edit->InRange()) return;
  if (WarningBox) WarningBox(QStringLiteral("値が制限値を超えています。"));
  edit->SetValue(100);
}

void TConvertF::btnOKClick() {
  // The OK button takes the focus, so the spin edit being typed in clamps first. The save
  // options hide the size page: its value goes back as it was read.
  const int item = SizeIndex();
  if (item >= 1 && PageControl1->isTabVisible(PageControl1->indexOf(tsCommon1))) SizeEdit(item)->Clamp();
  const settings::TIniFile ini;
  ini.Write(keys::PngLevel, tbPNG->value());
  ini.WriteBool(keys::PngInterlace, cbInterlace->isChecked());
  ini.WriteBool(keys::PngColor, cbPNG256->isChecked());
  ini.Write(keys::JpegCompress, tbJPEG->value());
  ini.WriteBool(keys::JpegProgressive, cbProgressive->isChecked());
  ini.WriteBool(keys::JpegGrayscale, cbGrayscale->isChecked());
  ini.WriteBool(keys::ColorBit, cb256->isChecked());
  if (item >= 1) ini.Write(keys::ConvertSize, item, SizeEdit(item)->Value());
  ini.Write(keys::ConvertItem, item);
  accept();
}

void TConvertF::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (SnapPointer) QCursor::setPos(btnOK->mapToGlobal(btnOK->rect().center()));
}

}  // namespace edit
