#include "app/widgets/set_option.h"

#include "app/color_value.h"
#include "app/folder_change.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"
#include "app/widgets/cvmain.h"
#include "platform/widgets/centre_on_screen.h"
#include "platform/widgets/option_controls.h"
#include "platform/app_folder.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace app {

namespace keys = settings::keys;

const QString TSetOption::kLimitMessage = QStringLiteral("値が制限値を超えています。 ");

namespace {

QCheckBox* checkBox(const QString& caption, QWidget* parent) { return new QCheckBox(caption, parent); }

QGroupBox* group(const QString& caption, QWidget* parent, std::initializer_list<QWidget*> items) {
  auto* g = new QGroupBox(caption, parent);
  auto* l = new QVBoxLayout(g);
  for (QWidget* w : items) {
    w->setParent(g);
    l->addWidget(w);
  }
  return g;
}

// Sample frame: the thumbnail plus 8 across and 20 down.
constexpr QSize kSampleFrames[4] = {{98, 90}, {108, 100}, {118, 105}, {128, 110}};

}  // namespace

QSize TSetOption::SampleFrameSize(int item) {
  return item >= 0 && item < 4 ? kSampleFrames[item] : QSize();
}

TSetOption::TSetOption(TCVMain* main, QWidget* parent)
    : QDialog(parent), main_(main), catalogColor_(keys::kColorBtnFace) {
  setWindowTitle(QStringLiteral("オプション"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(true);
  resize(382, 283);

  ChooseColor = [](const QColor& initial, QWidget* p) { return QColorDialog::getColor(initial, p); };
  ChooseProgram = [](const QString& startDir, QWidget* p) {
    // Programs here carry no ".exe": every file may be one.
    return QFileDialog::getOpenFileName(p, QString(), startDir, QStringLiteral("アプリケーションファイル (*)"));
  };
  ShowWarning = [](const QString& text, QWidget* p) {
    QMessageBox::warning(p, QStringLiteral("QIVO2"), text, QMessageBox::Ok);
  };

  PageControl1 = new QTabWidget(this);
  PageControl1->setUsesScrollButtons(true);
  BuildMainPage();
  BuildViewPage();
  BuildCatalog1Page();
  BuildCatalog2Page();
  BuildFilterPage();
  BuildSlidePage();
  BuildPluginPage();
  BuildOtherSoftPage();
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int i) {
    if (PageControl1->widget(i) == tsSPI) tsSPIShow();
  });

  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
  connect(btnOK, &QPushButton::clicked, this, &TSetOption::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnHelp, &QPushButton::clicked, this, &TSetOption::btnHelpClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  buttons->addWidget(btnHelp);
  auto* l = new QVBoxLayout(this);
  l->addWidget(PageControl1, 1);
  l->addLayout(buttons);

  PageControl1->setCurrentWidget(tsMain);
  FormCreate();
}

void TSetOption::BuildMainPage() {
  tsMain = new QWidget;
  cbFolder = checkBox(QStringLiteral("終了時のフォルダで起動"), tsMain);
  cbFolder->setChecked(true);
  cbHistory = checkBox(QStringLiteral("フォルダの履歴を使用"), tsMain);
  cbHistory->setChecked(true);
  rgDblClick = new TRadioGroup(QStringLiteral("ダブルクリックの動作"),
                               {QStringLiteral("実サイズ表示"), QStringLiteral("全画面表示")}, 2, tsMain);
  auto* l = new QVBoxLayout(tsMain);
  l->addWidget(group(QStringLiteral("メインウィンドウ"), tsMain, {cbFolder, cbHistory}));
  l->addWidget(rgDblClick);
  l->addStretch(1);
  PageControl1->addTab(tsMain, QStringLiteral(" 基本 "));
}

void TSetOption::BuildViewPage() {
  tsView = new QWidget;
  cbAdjustSize = checkBox(QStringLiteral("大きな画像はサイズを調整する"), tsView);
  cbFullShowName = checkBox(QStringLiteral("ウィンドウにファイル名を表示"), tsView);
  cbFullScreenMode = checkBox(QStringLiteral("画質優先で表示"), tsView);
  cbAutoRotate = checkBox(QStringLiteral("JPEG画像をExifの向きに合わせて回転する"), tsView);
  auto* l = new QVBoxLayout(tsView);
  l->addWidget(group(QStringLiteral("実サイズ表示"), tsView, {cbAdjustSize}));
  l->addWidget(group(QStringLiteral("全画面表示"), tsView, {cbFullShowName, cbFullScreenMode}));
  l->addWidget(group(QStringLiteral("画像の向き"), tsView, {cbAutoRotate}));
  l->addStretch(1);
  cbFullScreenMode->hide();
  PageControl1->addTab(tsView, QStringLiteral("表示"));
}

void TSetOption::BuildCatalog1Page() {
  tsCatalog1 = new QWidget;
  rgCatalogSize = new TRadioGroup(QStringLiteral("画像サイズ ♯"),
                                  {QStringLiteral("90 x 70"), QStringLiteral("100 x 80 *"),
                                   QStringLiteral("110 x 85"), QStringLiteral("120 x 90")},
                                  1, tsCatalog1);
  plCatDummy = new QFrame(tsCatalog1);
  plCatDummy->setFrameStyle(QFrame::NoFrame);
  plCatDummy->setFixedSize(140, 120);
  plCatSize = new TColorPanel(plCatDummy);
  plCatSize->setCursor(Qt::ArrowCursor);
  plCatSize->setGeometry(QRect(QPoint(0, 0), kSampleFrames[1]));
  plCatalogColor = new TColorPanel(tsCatalog1);
  plCatalogColor->setFixedSize(60, 24);
  btnCatalogColor = new QPushButton(QStringLiteral("標準色"), tsCatalog1);
  auto* colorBox = new QGroupBox(QStringLiteral("背景色 ♯"), tsCatalog1);
  auto* cl = new QHBoxLayout(colorBox);
  cl->addWidget(plCatalogColor);
  cl->addWidget(btnCatalogColor);
  cl->addStretch(1);
  lblCat1 = new QLabel(QStringLiteral("♯ = 要再起動"), tsCatalog1);

  auto* l = new QGridLayout(tsCatalog1);
  l->addWidget(rgCatalogSize, 0, 0);
  l->addWidget(plCatDummy, 0, 1, Qt::AlignCenter);
  l->addWidget(colorBox, 1, 0, 1, 2);
  l->addWidget(lblCat1, 2, 0, 1, 2);
  l->setRowStretch(3, 1);

  const QColor face = ColorFromValue(keys::kColorBtnFace);
  plCatSize->SetColor(face);
  plCatalogColor->SetColor(face);
  connect(rgCatalogSize, &TRadioGroup::Click, this, &TSetOption::rgCatalogSizeClick);
  connect(plCatalogColor, &TColorPanel::Clicked, this, &TSetOption::plCatalogColorClick);
  connect(btnCatalogColor, &QPushButton::clicked, this, &TSetOption::btnCatalogColorClick);
  PageControl1->addTab(tsCatalog1, QStringLiteral("カタログ 1"));
}

void TSetOption::BuildCatalog2Page() {
  tsCatalog2 = new QWidget;
  cbCatalogCache = checkBox(QStringLiteral("カタログ情報をキャッシュファイルとして保存する"), tsCatalog2);
  editCachePath = new QLineEdit(tsCatalog2);
  editCachePath->setReadOnly(true);
  Label1 = new QLabel(QStringLiteral("※ 画像サイズを変更しても既存のキャッシュファイルには反映されません。"
                                     "キャッシュファイルを削除してから QIVO2 を再起動し、"
                                     "カタログを作成し直して下さい。"),
                      tsCatalog2);
  Label1->setWordWrap(true);
  btnCatalogFont = new QPushButton(QStringLiteral("フォント(&F)..."), tsCatalog2);
  cbCatLkAhead = checkBox(QStringLiteral("カタログ作成時，画像を先読みする"), tsCatalog2);
  btnCatalogFont->hide();
  auto* l = new QVBoxLayout(tsCatalog2);
  l->addWidget(cbCatalogCache);
  l->addWidget(editCachePath);
  l->addWidget(Label1);
  l->addWidget(btnCatalogFont);
  l->addWidget(cbCatLkAhead);
  l->addStretch(1);
  connect(cbCatalogCache, &QCheckBox::clicked, this, &TSetOption::cbCatalogCacheClick);
  PageControl1->addTab(tsCatalog2, QStringLiteral("カタログ 2"));
}

void TSetOption::BuildFilterPage() {
  tsFilter = new QWidget;
  rgFilter = new TRadioGroup(QString(),
                             {QStringLiteral("QIVO2 標準 + Susie Plug-in"), QStringLiteral("フィルタ指定 1"),
                              QStringLiteral("フィルタ指定 2")},
                             1, tsFilter);
  rgFilter->SetItemIndex(0);
  rgFilter->setEnabled(false);
  editFilter1 = new QLineEdit(tsFilter);
  editFilter2 = new QLineEdit(tsFilter);
  editFilter1->setEnabled(false);
  editFilter2->setEnabled(false);
  auto* l = new QVBoxLayout(tsFilter);
  l->addWidget(rgFilter);
  l->addWidget(editFilter1);
  l->addWidget(editFilter2);
  l->addWidget(new QLabel(QStringLiteral("* 現在，フィルタの変更は出来ません。"), tsFilter));
  l->addStretch(1);
  PageControl1->addTab(tsFilter, QStringLiteral("フィルタ"));
}

void TSetOption::BuildSlidePage() {
  tsSlide = new QWidget;
  seSlideTime = new TSpinEdit(tsSlide);
  seSlideTime->SetLimits(1000, 60000);
  seSlideTime->setSingleStep(100);
  seSlideTime->setValue(2000);
  seSlideTime->installEventFilter(this);
  cbSlideShowName = checkBox(QStringLiteral("ウィンドウにファイル名を表示"), tsSlide);
  cbSlideLoop = checkBox(QStringLiteral("ループする"), tsSlide);
  cbSlideMode = checkBox(QStringLiteral("画質優先で表示"), tsSlide);
  cbSlideMode->hide();
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("スライド間隔："), tsSlide));
  row->addWidget(seSlideTime);
  row->addWidget(new QLabel(QStringLiteral("ms   ( 1000 ms = 1 秒 )"), tsSlide));
  row->addStretch(1);
  auto* l = new QVBoxLayout(tsSlide);
  l->addLayout(row);
  l->addWidget(cbSlideShowName);
  l->addWidget(cbSlideLoop);
  l->addWidget(cbSlideMode);
  l->addStretch(1);
  PageControl1->addTab(tsSlide, QStringLiteral("スライド"));
}

void TSetOption::BuildPluginPage() {
  tsSPI = new QWidget;
  ListBox1 = new QListWidget(tsSPI);
  auto* l = new QVBoxLayout(tsSPI);
  l->addWidget(ListBox1, 1);
  l->addWidget(new QLabel(QStringLiteral("* Susie Plug-in は QIVO2.exe と同じフォルダに入れて下さい。"), tsSPI));
  PageControl1->addTab(tsSPI, QStringLiteral("プラグイン"));
}

void TSetOption::BuildOtherSoftPage() {
  tsOtherSoft = new QWidget;
  auto* l = new QGridLayout(tsOtherSoft);
  QLineEdit** edits[3] = {&editSoftPath1, &editSoftPath2, &editSoftPath3};
  QPushButton** browse[3] = {&btnPath1, &btnPath2, &btnPath3};
  for (int i = 0; i < 3; ++i) {
    *edits[i] = new QLineEdit(tsOtherSoft);
    *browse[i] = new QPushButton(QStringLiteral("..."), tsOtherSoft);
    (*browse[i])->setFixedWidth(32);
    l->addWidget(*edits[i], i, 0);
    l->addWidget(*browse[i], i, 1);
    connect(*browse[i], &QPushButton::clicked, this, [this, i] { btnPathClick(i + 1); });
  }
  l->setRowStretch(3, 1);
  PageControl1->addTab(tsOtherSoft, QStringLiteral("ソフト登録"));
}

void TSetOption::ShowOnlyPage(QWidget* page) {
  for (int i = 0; i < PageControl1->count(); ++i)
    PageControl1->setTabVisible(i, PageControl1->widget(i) == page);
  PageControl1->setCurrentWidget(page);
}

QLineEdit* TSetOption::SoftPath(int n) const {
  return n == 1 ? editSoftPath1 : n == 2 ? editSoftPath2 : editSoftPath3;
}

void TSetOption::FormCreate() {
  const settings::TIniFile ini;
  const bool pathCheck = main_ ? main_->PathCheck : ini.ReadBoolNot0(keys::MainPathCheck);
  if (!pathCheck) cbFolder->setChecked(false);
  if (ini.Read(keys::HistoryMenu) == 0) cbHistory->setChecked(false);
  rgDblClick->SetItemIndex(ini.Read(keys::MainDblClick));
  if (ini.ReadBool1(keys::ViewAdSize)) cbAdjustSize->setChecked(true);
  if (ini.ReadBool1(keys::ViewShowName)) cbFullShowName->setChecked(true);
  cbAutoRotate->setChecked(ini.Read(keys::ViewAutoRotate) != 0);
  rgCatalogSize->SetItemIndex(ini.Read(keys::CatalogSize));
  const int color = ini.Read(keys::CatalogColor);
  if (color != keys::kColorNone) SetCatalogColor(color);
  editCachePath->setText(CachePath(platform::programFolder(), true));
  cbCatalogCache->setChecked(ini.ReadBool1(keys::CatalogCache));
  cbCatalogCacheClick();
  cbCatLkAhead->setChecked(ini.ReadBool1(keys::CatalogLookAhead));
  seSlideTime->SetValue(ini.Read(keys::SlideInterval));
  if (ini.ReadBool1(keys::SlideLoop)) cbSlideLoop->setChecked(true);
  cbSlideShowName->setChecked(ini.Read(keys::SlideName) != 0);
  for (int n = 1; n <= 3; ++n) SoftPath(n)->setText(ini.Read(keys::OtherSoftPath, n));
}

void TSetOption::SetCatalogColor(int value) {
  catalogColor_ = value;
  const QColor c = ColorFromValue(value);
  plCatalogColor->SetColor(c);
  plCatSize->SetColor(c);
}

void TSetOption::rgCatalogSizeClick() {
  const QSize frame = SampleFrameSize(rgCatalogSize->ItemIndex());
  if (frame.isEmpty()) return;
  const QSize box = plCatDummy->size();
  plCatSize->setGeometry((box.width() - frame.width()) / 2, (box.height() - frame.height()) / 2,
                         frame.width(), frame.height());
}

void TSetOption::plCatalogColorClick() {
  const QColor chosen = ChooseColor ? ChooseColor(plCatSize->Color(), this) : QColor();
  if (chosen.isValid()) SetCatalogColor(ColorToValue(chosen));
}

void TSetOption::btnCatalogColorClick() { SetCatalogColor(keys::kColorBtnFace); }

void TSetOption::cbCatalogCacheClick() {
  const bool on = cbCatalogCache->isChecked();
  editCachePath->setEnabled(on);
  QPalette p = editCachePath->palette();
  p.setColor(QPalette::Base, ColorFromValue(on ? keys::kColorWindow : keys::kColorBtnFace));
  editCachePath->setPalette(p);
}

void TSetOption::seSlideTimeKeyUp() {
  const int v = seSlideTime->TypedValue();
  if (v < 500 || v > 60000) {
    if (ShowWarning) ShowWarning(kLimitMessage, this);
    seSlideTime->setValue(2000);
  }
}

bool TSetOption::eventFilter(QObject* watched, QEvent* event) {
  if (watched == seSlideTime && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    const auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      // Enter checks the interval rather than pressing OK.
      if (event->type() == QEvent::KeyRelease && !k->isAutoRepeat()) seSlideTimeKeyUp();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TSetOption::tsSPIShow() {
  if (ListBox1->count() != 0 || !pluginNames_) return;
  ListBox1->addItems(pluginNames_());
}

void TSetOption::btnPathClick(int n) {
  const settings::TIniFile ini;
  const QString file = ChooseProgram ? ChooseProgram(ini.Read(keys::OtherSoftOpenDir), this) : QString();
  if (file.isEmpty()) return;
  SoftPath(n)->setText(file);
  const QString folder = QFileInfo(file).absolutePath();
  if (!folder.isEmpty()) ini.Write(keys::OtherSoftOpenDir, folder);
}

int TSetOption::SlideInterval() const { return seSlideTime->Value(); }

void TSetOption::btnOKClick() {
  const settings::TIniFile ini;
  // 1-4: main window, history, double-click, viewing.
  if (main_) main_->PathCheck = cbFolder->isChecked();
  ini.WriteBool(keys::MainPathCheck, cbFolder->isChecked());
  ini.WriteBool(keys::HistoryMenu, cbHistory->isChecked());
  ini.Write(keys::MainDblClick, rgDblClick->ItemIndex());
  ini.WriteBool(keys::ViewAdSize, cbAdjustSize->isChecked());
  ini.WriteBool(keys::ViewShowName, cbFullShowName->isChecked());
  const bool autoRotate = cbAutoRotate->isChecked();
  const bool turnChanged = autoRotate != (ini.Read(keys::ViewAutoRotate) != 0);
  ini.WriteBool(keys::ViewAutoRotate, autoRotate);
  // 5: thumbnail size, nothing when no size is chosen.
  const int size = rgCatalogSize->ItemIndex();
  if (size >= 0 && size < 4) {
    ini.Write(keys::CatalogSize, size);
    ini.Write(keys::CatalogAWidth, keys::kThumbSizes[size].width);
    ini.Write(keys::CatalogAHeight, keys::kThumbSizes[size].height);
  }
  // 6: sample frame and background colour.
  const QRect frame = plCatSize->geometry();
  ini.Write(keys::CatalogFLeft, frame.left());
  ini.Write(keys::CatalogFTop, frame.top());
  ini.Write(keys::CatalogFWidth, frame.width());
  ini.Write(keys::CatalogFHeight, frame.height());
  ini.Write(keys::CatalogColor, catalogColor_);
  // 7: the cache switch takes effect at once.
  const bool useCache = cbCatalogCache->isChecked();
  ini.WriteBool(keys::CatalogCache, useCache);
  platform::ensureProgramSubfolder(useCache ? QStringLiteral("Cache") : QStringLiteral("Temp"));
  const QString folder = CachePath(platform::programFolder(), useCache);
  if (main_) {
    main_->UseCache = useCache;
    main_->SetThumbFolder(folder);
  }
  const bool lookAhead = cbCatLkAhead->isChecked();
  const bool lookAheadChanged = lookAhead != ini.ReadBool1(keys::CatalogLookAhead);
  ini.WriteBool(keys::CatalogLookAhead, lookAhead);
  // 8: slide show.
  ini.Write(keys::SlideInterval, SlideInterval());
  ini.WriteBool(keys::SlideLoop, cbSlideLoop->isChecked());
  ini.WriteBool(keys::SlideName, cbSlideShowName->isChecked());
  // 9: external programs.
  for (int n = 1; n <= 3; ++n) ini.Write(keys::OtherSoftPath, n, SoftPath(n)->text());
  // Last: the cache folder step above stops the thumbnail jobs, which would drop the new ones.
  if (turnChanged && main_) main_->SetAutoRotate(autoRotate);
  if (lookAheadChanged && main_) main_->SetLookAhead(lookAhead);
  accept();
}

void TSetOption::btnHelpClick() {
  QUrl url = QUrl::fromLocalFile(platform::helpFilePath());
  url.setFragment(QStringLiteral("16"));
  QDesktopServices::openUrl(url);
}

void TSetOption::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::CentreOnScreen(this);
  btnOK->setFocus();
}

}  // namespace app
