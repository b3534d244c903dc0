#include "edit/widgets/rotate_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <utility>

#include "edit/widgets/convert_form.h"
#include "edit/widgets/spin_edit.h"
#include "platform/failure_list.h"
#include "platform/path_bytes.h"
#include "platform/settings.h"
#include "platform/widgets/status_hints.h"

namespace edit {

namespace keys = settings::keys;

namespace {

// The hourglass for one command, restored however the command ends.
struct TWaitCursor {
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

QAction* Item(QMenu* menu, const char* name, const QString& caption, const QString& shortcut = {}) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) a->setShortcut(QKeySequence(shortcut));
  return a;
}

}  // namespace

TRotateF::TRotateF(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("RotateF"));
  setAttribute(Qt::WA_DeleteOnClose);
  setMinimumWidth(480);
  resize(742, 484);
  WarningBox = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text, QMessageBox::Ok); };
  ErrorBox = [this](const QString& text) { QMessageBox::critical(this, windowTitle(), text, QMessageBox::Ok); };
  AskYesNo = [this](const QString& text) {
    return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  ChooseSaveName = [this](const QString& folder, const QString& name, const QString& filter) {
    QFileDialog dialog(this, QString(), folder, filter);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the editor asks its own question
    dialog.selectFile(name);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                   : QString();
  };

  ScrollBox = new QScrollArea(this);
  ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
  ScrollBox->setBackgroundRole(QPalette::Dark);
  ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ScrollBox->horizontalScrollBar()->setSingleStep(24);
  ScrollBox->verticalScrollBar()->setSingleStep(24);
  Image = new QLabel;
  Image->setObjectName(QStringLiteral("Image"));
  Image->installEventFilter(this);
  ScrollBox->setWidget(Image);
  setCentralWidget(ScrollBox);
  CreateToolbar();
  CreateMenus();
  CreateStatusBar();
}

TRotateF::~TRotateF() = default;

void TRotateF::CreateToolbar() {
  Toolbar971 = addToolBar(QStringLiteral("Toolbar971"));
  Toolbar971->setObjectName(QStringLiteral("Toolbar971"));
  Toolbar971->setMovable(false);
  Toolbar971->setFloatable(false);
  auto button = [this](const char* name, const QString& text, const QString& hint, void (TRotateF::*fn)()) {
    QAction* a = Toolbar971->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    platform::SetHint(a, hint);
    connect(a, &QAction::triggered, this, fn);
    return a;
  };
  sbGammaPlus = button("sbGammaPlus", QStringLiteral("γ＋"), QStringLiteral("ガンマ補正＋"), &TRotateF::GammaPlusClick);
  sbGammaMinus = button("sbGammaMinus", QStringLiteral("γ－"), QStringLiteral("ガンマ補正－"), &TRotateF::GammaMinusClick);
  Toolbar971->addSeparator();
  sbBrightPlus = button("sbBrightPlus", QStringLiteral("☀＋"), QStringLiteral("明るさ補正＋"), &TRotateF::BrightPlusClick);
  sbBrightMinus = button("sbBrightMinus", QStringLiteral("☀－"), QStringLiteral("明るさ補正－"), &TRotateF::BrightMinusClick);
  Toolbar971->addSeparator();
  sbContrastPlus =
      button("sbContrastPlus", QStringLiteral("◐＋"), QStringLiteral("コントラスト＋"), &TRotateF::ContrastPlusClick);
  sbContrastMinus =
      button("sbContrastMinus", QStringLiteral("◐－"), QStringLiteral("コントラスト－"), &TRotateF::ContrastMinusClick);
  Toolbar971->addSeparator();
  auto spin = [this](const char* name, int max, const QString& hint) {
    auto* e = new TSpinEdit(Toolbar971, 1, max, 100);
    e->setObjectName(QString::fromLatin1(name));
    e->setToolTip(hint);
    e->setStatusTip(hint);
    e->setAccessibleName(hint);
    e->setFixedWidth(64);
    e->OnEnter = [this] { Render(); };
    return e;
  };
  seSize = spin("seSize", 300, QStringLiteral("拡大・縮小率"));
  Toolbar971->addWidget(seSize);
  Label1 = new QLabel(QStringLiteral(" %   "), Toolbar971);
  Label1->setObjectName(QStringLiteral("Label1"));
  Toolbar971->addWidget(Label1);
  seSize2 = spin("seSize2", 2000, QStringLiteral("画像のサイズ"));
  Toolbar971->addWidget(seSize2);
  Label2 = new QLabel(QStringLiteral(" Pixels  "), Toolbar971);
  Label2->setObjectName(QStringLiteral("Label2"));
  Toolbar971->addWidget(Label2);
  sbSize = button("sbSize", QStringLiteral("確定"), QStringLiteral("サイズ確定"), &TRotateF::Render);
  Toolbar971->addSeparator();
  sbUndo = button("sbUndo", QStringLiteral("↺"), QStringLiteral("全て元に戻す"), &TRotateF::SetFreeClick);
}

void TRotateF::CreateMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  RFile = bar->addMenu(QStringLiteral("ファイル(&F)"));
  RFile->setObjectName(QStringLiteral("RFile"));
  BMP1 = Item(RFile, "BMP1", QStringLiteral("BMPで保存(&B)..."));
  JPEG1 = Item(RFile, "JPEG1", QStringLiteral("JPEGで保存(&J)..."));
  PNG1 = Item(RFile, "PNG1", QStringLiteral("PNGで保存(&P)..."));
  RFile->addSeparator();
  Option = Item(RFile, "Option", QStringLiteral("保存オプション(&O)..."));
  RFile->addSeparator();
  ToClipboard = Item(RFile, "ToClipboard", QStringLiteral("クリップボードにコピー(&L)"));
  RFile->addSeparator();
  Close1 = Item(RFile, "Close1", QStringLiteral("閉じる(&C)"));
  connect(BMP1, &QAction::triggered, this, [this] { SaveClick(cfBMP); });
  connect(JPEG1, &QAction::triggered, this, [this] { SaveClick(cfJPEG); });
  connect(PNG1, &QAction::triggered, this, [this] { SaveClick(cfPNG); });
  connect(Option, &QAction::triggered, this, &TRotateF::OptionClick);
  connect(ToClipboard, &QAction::triggered, this, &TRotateF::ToClipboardClick);
  connect(Close1, &QAction::triggered, this, &QWidget::close);

  REdit = bar->addMenu(QStringLiteral("編集(&E)"));
  REdit->setObjectName(QStringLiteral("REdit"));
  SetFree = Item(REdit, "SetFree", QStringLiteral("全て元に戻す(&U)"), QStringLiteral("Ctrl+Z"));
  REdit->addSeparator();
  GammaPlus = Item(REdit, "GammaPlus", QStringLiteral("ガンマ補正＋(&G)"), QStringLiteral("F5"));
  GammaMinus = Item(REdit, "GammaMinus", QStringLiteral("ガンマ補正－(&M)"), QStringLiteral("F6"));
  REdit->addSeparator();
  BrightPlus = Item(REdit, "BrightPlus", QStringLiteral("明るさ補正＋(&B)"), QStringLiteral("F7"));
  BrightMinus = Item(REdit, "BrightMinus", QStringLiteral("明るさ補正－(&D)"), QStringLiteral("F8"));
  REdit->addSeparator();
  ContrastPlus = Item(REdit, "ContrastPlus", QStringLiteral("コントラスト＋(&C)"), QStringLiteral("F9"));
  ContrastMinus = Item(REdit, "ContrastMinus", QStringLiteral("コントラスト－(&T)"), QStringLiteral("F10"));
  connect(SetFree, &QAction::triggered, this, &TRotateF::SetFreeClick);
  connect(GammaPlus, &QAction::triggered, this, &TRotateF::GammaPlusClick);
  connect(GammaMinus, &QAction::triggered, this, &TRotateF::GammaMinusClick);
  connect(BrightPlus, &QAction::triggered, this, &TRotateF::BrightPlusClick);
  connect(BrightMinus, &QAction::triggered, this, &TRotateF::BrightMinusClick);
  connect(ContrastPlus, &QAction::triggered, this, &TRotateF::ContrastPlusClick);
  connect(ContrastMinus, &QAction::triggered, this, &TRotateF::ContrastMinusClick);

  Color = bar->addMenu(QStringLiteral("カラー(&C)"));
  Color->setObjectName(QStringLiteral("Color"));
  struct EffectItem {
    const char* name;
    const char* caption;
  };
  const EffectItem effects[] = {{"RGrayScale", "グレイスケール(&G)"}, {"RNegaPosi", "ネガ・ポジ反転(&N)"},
                                {"RSepia", "セピア(&S)"},           {"RedFilter", "レッドフィルタ(&R)"},
                                {"GreenFilter", "グリーンフィルタ(&E)"}, {"BlueFilter", "ブルーフィルタ(&B)"},
                                {"YellowFilter", "イエローフィルタ(&Y)"}, {"Emboss", "エンボス(&M)"},
                                {"Solarization", "ソラリゼーション(&L)"}};
  for (int i = 0; i < 9; ++i) {
    Effects[i] = Item(Color, effects[i].name, QString::fromUtf8(effects[i].caption));
    const auto effect = TColorEffect(ceGrayScale + i);
    connect(Effects[i], &QAction::triggered, this, [this, effect] { EffectClick(effect); });
    if (i == 2 || i == 6) Color->addSeparator();
  }

  RView = bar->addMenu(QStringLiteral("表示(&V)"));
  RView->setObjectName(QStringLiteral("RView"));
  ScaleMethod = RView->addMenu(QStringLiteral("拡大・縮小法(&M)"));
  ScaleMethod->setObjectName(QStringLiteral("ScaleMethod"));
  ScalePercent = Item(ScaleMethod, "ScalePercent", QStringLiteral("倍率を指定(&P)"));
  ScaleSetIn = Item(ScaleMethod, "ScaleSetIn", QStringLiteral("範囲に収める(&S)"));
  auto* modes = new QActionGroup(this);
  for (QAction* a : {ScalePercent, ScaleSetIn}) {
    a->setCheckable(true);
    modes->addAction(a);
  }
  ScalePercent->setChecked(true);
  connect(ScalePercent, &QAction::triggered, this, &TRotateF::ScalePercentClick);
  connect(ScaleSetIn, &QAction::triggered, this, &TRotateF::ScaleSetInClick);
  RView->addSeparator();
  RLeft = Item(RView, "RLeft", QStringLiteral("左90度回転(&L)"));
  RRight = Item(RView, "RRight", QStringLiteral("右90度回転(&R)"));
  RView->addSeparator();
  RHorizontal = Item(RView, "RHorizontal", QStringLiteral("左右反転(&H)"));
  RVertical = Item(RView, "RVertical", QStringLiteral("上下反転(&V)"));
  connect(RLeft, &QAction::triggered, this, &TRotateF::RLeftClick);
  connect(RRight, &QAction::triggered, this, &TRotateF::RRightClick);
  connect(RHorizontal, &QAction::triggered, this, &TRotateF::RHorizontalClick);
  connect(RVertical, &QAction::triggered, this, &TRotateF::RVerticalClick);
}

void TRotateF::CreateStatusBar() {
  StatusBar1 = statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  const QString texts[] = {Model.GammaText(), Model.BrightnessText(), Model.ContrastText(), QString()};
  const int widths[] = {150, 150, 150, 700};
  for (int i = 0; i < 4; ++i) {
    Panels[i] = new QLabel(texts[i], StatusBar1);
    Panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
    if (i < 3) {
      Panels[i]->setFixedWidth(widths[i]);
      Panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      StatusBar1->addWidget(Panels[i]);
    } else {
      Panels[i]->setMinimumWidth(0);
      StatusBar1->addWidget(Panels[i], 1);
    }
  }
  platform::ShowHintsIn(this, Panels[3]);  // the value panels stay as they are
}

void TRotateF::SetPicture(const graphics::TBitmap& picture) {
  picture_ = picture;
  // One picture pixel per device pixel: what is shown is what a save writes, sharp at any
  // pixel ratio (the label then takes the pixel size divided by the ratio).
  QPixmap pixmap = QPixmap::fromImage(picture_.AsQImage());
  pixmap.setDevicePixelRatio(Image->devicePixelRatioF());
  Image->setPixmap(pixmap);
  Image->adjustSize();
}

TScaleMode TRotateF::ScaleMode() const { return ScaleSetIn->isChecked() ? smFit : smPercent; }

void TRotateF::ShowRendering(const QString& caption) {
  SetPicture(ImageCache);
  setWindowTitle(caption);
}

void TRotateF::ReportFailure(const std::exception& e) {
  if (platform::KindOfPath(FileName) == platform::PathKind::Missing) {
    // Every command reads the file again: one word is enough, not one per key press.
    if (std::exchange(goneReported_, true)) return;
    if (ErrorBox)
      ErrorBox(QStringLiteral("「%1」が見つかりません。移動または削除された可能性があります。")
                   .arg(platform::DisplayName(QFileInfo(FileName).fileName())));
    return;
  }
  if (ErrorBox) ErrorBox(platform::FailureLine(FileName, QString::fromUtf8(e.what())));
}

bool TRotateF::LoadCache() {
  try {
    ImageCache = graphics::TBitmap();
    ImageCache = LoadPicture(FileName);
    return true;
  } catch (const std::exception& e) {
    ReportFailure(e);
    return false;
  }
}

TRotateF::TRendered TRotateF::RenderWith(const TEditorModel& model) {
  TSpinEdit* size = ScaleMode() == smFit ? seSize2 : seSize;
  if (!size->InRange()) {
    if (WarningBox)
      WarningBox(ScaleMode() == smFit ? QStringLiteral("設定値が制限を超えています。")
                                      : QStringLiteral("拡大・縮小率が制限値を超えています。"));
    size->SetValue(100);
    return rdRefused;
  }
  TWaitCursor wait;
  if (!LoadCache()) return rdFailed;  // the last rendering stays on screen
  try {
    model.Render(ImageCache, ScaleMode(), size->Value());
  } catch (const std::exception& e) {
    ReportFailure(e);
    return rdFailed;
  }
  ShowRendering(EditorCaption(FileName, ImageCache.Width(), ImageCache.Height()));
  return rdShown;
}

void TRotateF::Render() { RenderWith(Model); }

void TRotateF::ShowPanels() {
  Panels[0]->setText(Model.GammaText());
  Panels[1]->setText(Model.BrightnessText());
  Panels[2]->setText(Model.ContrastText());
}

void TRotateF::Edit(const std::function<void(TEditorModel&)>& change) {
  TEditorModel next = Model;
  change(next);
  if (RenderWith(next) == rdFailed) return;
  Model = next;
  ShowPanels();
}

void TRotateF::GammaPlusClick() {
  Edit([](TEditorModel& m) { m.GammaPlus(); });
}

void TRotateF::GammaMinusClick() {
  Edit([](TEditorModel& m) { m.GammaMinus(); });
}

void TRotateF::BrightPlusClick() {
  Edit([](TEditorModel& m) { m.BrightPlus(); });
}

void TRotateF::BrightMinusClick() {
  Edit([](TEditorModel& m) { m.BrightMinus(); });
}

void TRotateF::ContrastPlusClick() {
  Edit([](TEditorModel& m) { m.ContrastPlus(); });
}

void TRotateF::ContrastMinusClick() {
  Edit([](TEditorModel& m) { m.ContrastMinus(); });
}

void TRotateF::EffectClick(TColorEffect effect) {
  Edit([effect](TEditorModel& m) { m.SetEffect(effect); });
}

void TRotateF::RLeftClick() {
  Edit([](TEditorModel& m) { m.TurnLeft(); });
}

void TRotateF::RRightClick() {
  Edit([](TEditorModel& m) { m.TurnRight(); });
}

void TRotateF::RHorizontalClick() {
  Edit([](TEditorModel& m) { m.FlipHorizontal(); });
}

void TRotateF::RVerticalClick() {
  Edit([](TEditorModel& m) { m.FlipVertical(); });
}

void TRotateF::ScalePercentClick() {
  ScalePercent->setChecked(true);
  seSize->setEnabled(true);
  seSize2->setEnabled(false);
  settings::TIniFile().Write(keys::ConvertScale, 0);
}

void TRotateF::ScaleSetInClick() {
  ScaleSetIn->setChecked(true);
  seSize2->setEnabled(true);
  seSize->setEnabled(false);
  settings::TIniFile().Write(keys::ConvertScale, 1);
}

void TRotateF::SetFreeClick() {
  TWaitCursor wait;
  if (!LoadCache()) return;
  seSize->SetValue(100);
  SetPicture(ImageCache);
  Model.Reset();
  ShowPanels();
  setWindowTitle(EditorCaption(FileName, ImageCache.Width(), ImageCache.Height()));
}

void TRotateF::SaveClick(TConvertFormat format) {
  const settings::TIniFile ini;
  const TConvertSettings s = ReadConvertSettings(ini);
  const QString ext = SaveExtension(format, ini.Read(keys::ConvertExt));
  QString folder = ini.Read(keys::RotateSaveDir);
  if (folder.isEmpty()) folder = TreeFolder;
  const QString chosen = ChooseSaveName ? ChooseSaveName(folder, ProposedSaveName(FileName, FromClipboard, ext),
                                                         SaveFilter(format))
                                        : QString();
  if (chosen.isEmpty()) return;
  const QString target = SaveTarget(chosen, ext);
  const bool exists = platform::PathTaken(target);
  if (exists && !(AskYesNo && AskYesNo(QStringLiteral("同名のファイルが既に存在します。上書きしますか？")))) return;
  try {
    // Replaces only the file the user agreed to replace; one that appeared meanwhile stays.
    WriteBytesAtomically(EncodeEditorSave(picture_, format, s), target,
                         exists ? platform::TReplace::Allowed : platform::TReplace::Never);
  } catch (const std::exception& e) {
    if (ErrorBox) ErrorBox(QString::fromUtf8(e.what()));
    return;
  }
  ini.Write(keys::RotateSaveDir, QFileInfo(target).absolutePath());
}

void TRotateF::OptionClick() {
  TConvertF dialog(this, TConvertF::cfSaveOptions);
  dialog.SnapPointer = SnapToDefault;
  dialog.exec();
}

void TRotateF::ToClipboardClick() { QApplication::clipboard()->setImage(picture_.AsQImage().copy()); }

void TRotateF::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous()) return;  // a restore from the task bar, not a showing
  const settings::TIniFile ini;
  if (ini.Read(keys::RotateState) == 1) {
    setWindowState(windowState() | Qt::WindowMaximized);
  } else {
    resize(ini.Read(keys::RotateWidth), ini.Read(keys::RotateHeight));
    const QSize screen = this->screen() ? this->screen()->geometry().size() : QSize(1024, 768);
    const int left = ini.ReadInteger(keys::RotateLeft.section, keys::RotateLeft.name, (screen.width() - width()) / 2);
    const int top = ini.ReadInteger(keys::RotateTop.section, keys::RotateTop.name, (screen.height() - height()) / 2);
    move(left, top);
  }
  if (ini.Read(keys::ConvertScale) == 1) {
    ScaleSetIn->setChecked(true);
    seSize->setEnabled(false);
    seSize2->setEnabled(true);
  } else {
    ScalePercent->setChecked(true);
    seSize->setEnabled(true);
    seSize2->setEnabled(false);
  }
}

void TRotateF::closeEvent(QCloseEvent* event) {
  const settings::TIniFile ini;
  if (isMaximized()) {
    ini.Write(keys::RotateState, 1);
  } else {
    ini.Write(keys::RotateState, 0);
    ini.Write(keys::RotateLeft, pos().x());
    ini.Write(keys::RotateTop, pos().y());
    ini.Write(keys::RotateWidth, width());
    ini.Write(keys::RotateHeight, height());
  }
  if (FromClipboard) QFile::remove(FileName);
  if (OnClosed) OnClosed();
  QMainWindow::closeEvent(event);
}

bool TRotateF::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        Dragging = true;
        DragX = p.x();
        DragY = p.y();
        Image->setCursor(Qt::ClosedHandCursor);
        return true;
      }
      case QEvent::MouseMove:
        if (Dragging) {
          // The picture moves with the scroll, so the grabbed point stays under the pointer.
          const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
          QScrollBar* h = ScrollBox->horizontalScrollBar();
          QScrollBar* v = ScrollBox->verticalScrollBar();
          h->setValue(h->value() + DragX - p.x());
          v->setValue(v->value() + DragY - p.y());
          return true;
        }
        break;
      case QEvent::MouseButtonRelease:
        Dragging = false;
        Image->unsetCursor();
        return true;
      default: break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace edit
