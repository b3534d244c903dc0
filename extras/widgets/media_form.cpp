#include "extras/widgets/media_form.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

#include "extras/widgets/shell_list_box.h"
#include "graphics/graphic.h"
#include "graphics/picture_formats.h"
#include "platform/path_bytes.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"
#include "platform/widgets/folder_browser.h"
#include "platform/widgets/centre_on_screen.h"

namespace extras {

namespace keys = settings::keys;

QPixmap MediaPlaceholder() {
  QPixmap pixmap(96, 96);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(90, 90, 90), 2));
  p.setBrush(QColor(235, 235, 235));
  p.drawRoundedRect(QRectF(4, 4, 88, 88), 10, 10);
  // A note: two heads joined by a beam.
  p.setBrush(QColor(60, 60, 60));
  p.drawEllipse(QRectF(24, 60, 16, 12));
  p.drawEllipse(QRectF(56, 54, 16, 12));
  p.setPen(QPen(QColor(60, 60, 60), 4));
  p.drawLine(QPointF(38, 66), QPointF(38, 26));
  p.drawLine(QPointF(70, 60), QPointF(70, 20));
  p.drawLine(QPointF(38, 26), QPointF(70, 20));
  return pixmap;
}

TMediaForm::TMediaForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("メディアファイルの再生"));
  MainMenu1 = new QMenuBar(this);
  File1 = MainMenu1->addMenu(QStringLiteral("ファイル(&F)"));
  Open1 = File1->addAction(QStringLiteral("開く(&O)..."));
  Close1 = File1->addAction(QStringLiteral("閉じる(&C)"));

  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setHandleWidth(3);
  MShellListBox = new TShellListBox(Splitter1);
  Panel1 = new QFrame(Splitter1);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(2);
  Image1 = new QLabel(Panel1);
  Image1->setAccessibleName(QStringLiteral("Image1"));
  Panel1->installEventFilter(this);
  Splitter1->setStretchFactor(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setMenuBar(MainMenu1);
  layout->addWidget(Splitter1);
  resize(538, 220 + MainMenu1->sizeHint().height());

  const settings::TIniFile ini;
  MShellListBox->BeginUpdate();
  MShellListBox->SetDirectory(ini.Read(keys::MediaOpenDir));
  MShellListBox->EndUpdate();
  Splitter1->setSizes({qMax(1, ini.Read(keys::MediaWidth)), qMax(1, width() - ini.Read(keys::MediaWidth))});

  ChooseFolder = [](const QString& start, QWidget* parent) { return platform::BrowseFolder(parent, start); };
  OpenByAssociation = [](const QString& path) { QDesktopServices::openUrl(platform::FileUrl(path)); };
  WarningBox = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text, QMessageBox::Ok); };

  connect(Open1, &QAction::triggered, this, &TMediaForm::Open1Click);
  connect(Close1, &QAction::triggered, this, &QDialog::close);
  // A double click (or Enter) activates the item once; a double click is no second signal.
  connect(MShellListBox, &QListWidget::itemActivated, this, &TMediaForm::MShellListBoxDblClick);
}

void TMediaForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::CentreOnScreen(this);
}

void TMediaForm::Open1Click() {
  const settings::TIniFile ini;
  const QString folder = ChooseFolder(ini.Read(keys::MediaOpenDir), this);
  if (folder.isEmpty()) return;
  MShellListBox->clear();
  MShellListBox->SetDirectory(folder);
  ini.Write(keys::MediaOpenDir, folder);
}

void TMediaForm::MShellListBoxDblClick() {
  if (MShellListBox->count() == 0 || MShellListBox->FileName().isEmpty()) return;
  setEnabled(false);
  const QString file = MShellListBox->FileName();
  try {
    try {
      // The picture formats by extension only: a video is no picture here, it gets the player.
      const std::unique_ptr<graphics::TGraphic> picture = graphics::TPictureFormats::Instance().LoadFromFile(file);
      Image1->setPixmap(QPixmap::fromImage(picture->Bitmap().AsQImage()));
      placeholder_ = false;
      CenterImage();
    } catch (const graphics::EFileOpen&) {
      throw;  // no file to play either
    } catch (const graphics::EInvalidGraphic&) {
      Image1->setPixmap(MediaPlaceholder());
      placeholder_ = true;
      CenterImage();
      OpenByAssociation(file);
    }
  } catch (const std::exception&) {
    WarningBox(QStringLiteral("ファイルが不正か，対応していない形式です。"));
  }
  setEnabled(true);
}

void TMediaForm::CenterImage() {
  Image1->resize(Image1->pixmap().deviceIndependentSize().toSize());
  Image1->move((Panel1->width() - Image1->width()) / 2, (Panel1->height() - Image1->height()) / 2);
}

bool TMediaForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel1 && event->type() == QEvent::Resize) CenterImage();
  return QDialog::eventFilter(watched, event);
}

void TMediaForm::SaveWidth() {
  if (widthSaved_) return;
  widthSaved_ = true;
  settings::TIniFile().Write(keys::MediaWidth, MShellListBox->width());
}

void TMediaForm::closeEvent(QCloseEvent* event) {
  SaveWidth();
  QDialog::closeEvent(event);
}

void TMediaForm::done(int result) {
  SaveWidth();
  QDialog::done(result);
}

}  // namespace extras
