#include "view/widgets/slide_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>

#include "platform/regular_file.h"
#include "platform/save_file.h"
#include "platform/source_bytes.h"
#include "view/preview_geometry.h"
#include "view/slide_preparer.h"
#include "view/widgets/picture_view.h"

namespace view {

namespace {
QLabel* MakeLabel(QWidget* parent, const char* name, const QColor& colour, QPoint at) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
  QFont f = label->font();
  f.setPixelSize(13);
  label->setFont(f);
  label->move(at);
  return label;
}

// Copies a file over `target` through a temporary file beside it: a failed copy leaves the
// earlier one whole.
bool CopyReplacing(const QString& source, const QString& target) {
  const platform::FileBytes bytes = platform::ReadRegularFile(source, platform::kMaxFileBytes);
  if (!bytes) return false;
  platform::TSaveFile out(target);
  if (!out.Open()) return false;
  if (out.Device().write(bytes.bytes) != bytes.bytes.size()) return false;
  return out.Commit();
}
}  // namespace

TSlideForm::TSlideForm(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("SlideForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("QIVO2"));
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setAutoFillBackground(true);
  ShowError = [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("QIVO2"), text); };

  SPanel1 = new QWidget(this);
  SPanel1->setObjectName(QStringLiteral("SPanel1"));
  SPanel1->setPalette(black);
  SPanel1->setAutoFillBackground(true);
  SImage = new TPictureView(SPanel1);
  SImage->setObjectName(QStringLiteral("SImage"));
  lblFileName = MakeLabel(SPanel1, "lblFileName", QColor(0, 255, 0), {15, 8});
  lblMessage = MakeLabel(SPanel1, "lblMessage", QColor(255, 0, 0), {10, 25});
  SlideTimer = new QTimer(this);
  SlideTimer->setObjectName(QStringLiteral("SlideTimer"));
  connect(SlideTimer, &QTimer::timeout, this, &TSlideForm::SlideTimerTimer);

  auto item = [this](QMenu* menu, const char* name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
  };
  SlidePopup = new QMenu(this);
  SlidePopup->setObjectName(QStringLiteral("SlidePopup"));
  SlideStart = item(SlidePopup, "SlideStart", QStringLiteral("スライド再開(&R)"));
  Reset = SlidePopup->addMenu(QStringLiteral("指定して再開(&S)"));
  Reset->setObjectName(QStringLiteral("Reset"));
  One = item(Reset, "One", QStringLiteral("1つ前から"));
  Three = item(Reset, "Three", QStringLiteral("3つ前から"));
  Five = item(Reset, "Five", QStringLiteral("5つ前から"));
  SlideRestart = item(SlidePopup, "SlideRestart", QStringLiteral("先頭から再開(&F)"));
  QAction* n1 = SlidePopup->addSeparator();
  n1->setObjectName(QStringLiteral("N1"));
  n1->setVisible(false);
  NextImage = item(SlidePopup, "NextImage", QStringLiteral("次の画像(&N)     → ↓"));
  PrevImage = item(SlidePopup, "PrevImage", QStringLiteral("前の画像(&P)     ← ↑"));
  NextImage->setVisible(false);
  PrevImage->setVisible(false);
  SlidePopup->addSeparator()->setObjectName(QStringLiteral("N3"));
  SlideCopy = item(SlidePopup, "SlideCopy", QStringLiteral("表示ファイルをコピー(&C)"));
  SlidePopup->addSeparator()->setObjectName(QStringLiteral("N2"));
  SlideStop = item(SlidePopup, "SlideStop", QStringLiteral("スライド終了(&Q)"));
  FullPopup = new QMenu(this);
  FullPopup->setObjectName(QStringLiteral("FullPopup"));
  Close1 = item(FullPopup, "Close1", QStringLiteral("閉じる(&C)"));

  connect(SlideStart, &QAction::triggered, this, &TSlideForm::SlideStartClick);
  connect(One, &QAction::triggered, this, [this] { FromBeforeClick(1); });
  connect(Three, &QAction::triggered, this, [this] { FromBeforeClick(3); });
  connect(Five, &QAction::triggered, this, [this] { FromBeforeClick(5); });
  connect(SlideRestart, &QAction::triggered, this, &TSlideForm::SlideRestartClick);
  connect(SlideCopy, &QAction::triggered, this, &TSlideForm::SlideCopyClick);
  connect(SlideStop, &QAction::triggered, this, &QWidget::close);
  connect(Close1, &QAction::triggered, this, &QWidget::close);

  for (QWidget* w : {SPanel1, static_cast<QWidget*>(SImage)}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& p) { PopupAt(w->mapToGlobal(p)); });
  }
  SPanel1->installEventFilter(this);
  connect(SImage, &TPictureView::MousePressed, this, &TSlideForm::PicturePress);
  connect(SImage, &TPictureView::DoubleClicked, this, [this] { close(); });

  const QRect screen = (owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen())->geometry();
  setGeometry(screen);
}

TSlideForm::~TSlideForm() = default;

QSize TSlideForm::ScreenSize() const { return DevicePixels(size(), devicePixelRatioF()); }

void TSlideForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SPanel1->setGeometry(rect());
  CentreImage();
}

void TSlideForm::CentreImage() {
  const QSize p = SImage->PictureSize();
  SImage->move((SPanel1->width() - p.width()) / 2, (SPanel1->height() - p.height()) / 2);
}

void TSlideForm::SetPicture(Picture picture) {
  SImage->SetPicture(std::move(picture), devicePixelRatioF());
  CentreImage();
}

void TSlideForm::ShowSingle(Picture picture, const QString& name) {
  mode_ = smSingle;
  SlideTimer->stop();
  preparer_.reset();
  SetPicture(std::move(picture));
  lblFileName->setText(name);
  lblFileName->adjustSize();
  lblMessage->clear();
  showFullScreen();
  raise();
  activateWindow();
  repaint();
}

void TSlideForm::StartSlide(const TSlideStart& start) {
  mode_ = smSlide;
  smooth_ = start.Smooth;
  show_.Start(start.Files, start.Index, start.Loop, start.ShowName, start.CopyFolder);
  SetPicture(start.First);
  if (start.ShowName) {
    lblFileName->setText(start.FirstLabel);
    lblFileName->adjustSize();
  }
  lblMessage->setText(start.FirstError);
  lblMessage->adjustSize();
  SlideTimer->setInterval(start.Interval);
  if (!preparer_) preparer_ = std::make_unique<TSlidePreparer>();
  showFullScreen();
  raise();
  activateWindow();
  repaint();
  PrepareUpcoming();
  Sync();
}

void TSlideForm::Sync() {
  const TSlideItems& items = show_.Items();
  One->setEnabled(items.One);
  Three->setEnabled(items.Three);
  Five->setEnabled(items.Five);
  SlideRestart->setEnabled(items.SlideRestart);
  NextImage->setEnabled(items.NextImage);
  PrevImage->setEnabled(items.PrevImage);
  if (show_.FileNameLabel() != lblFileName->text() && !show_.FileNameLabel().isNull()) {
    lblFileName->setText(show_.FileNameLabel());
    lblFileName->adjustSize();
  }
  if (lblMessage->text() != show_.MessageLabel()) {
    lblMessage->setText(show_.MessageLabel());
    lblMessage->adjustSize();
  }
  if (show_.TimerOn() && !SlideTimer->isActive()) SlideTimer->start();
  if (!show_.TimerOn()) SlideTimer->stop();
}

void TSlideForm::PrepareUpcoming() {
  const int next = show_.Upcoming();
  if (preparer_ && next >= 0) preparer_->Prepare(show_.Files().at(next), ScreenSize(), smooth_);
}

void TSlideForm::ShowIndex(int index) {
  if (index >= 0 && index < show_.Files().size()) {
    const QString& path = show_.Files().at(index);
    std::optional<TPreparedPicture> prepared;
    if (preparer_) prepared = preparer_->Take(path, ScreenSize(), smooth_);
    if (!prepared) {
      prepared = TPreparedPicture{path, nullptr, {}};
      try {
        if (LoadFitted) prepared->Bitmap = std::make_shared<const graphics::TBitmap>(LoadFitted(path, ScreenSize(), smooth_));
      } catch (const std::exception& e) {
        prepared->Error = QString::fromUtf8(e.what());
      }
    }
    // The shown picture is dropped before the next is prepared: two at most are held.
    SetPicture(prepared->Bitmap);
    show_.Shown(index, prepared->Bitmap ? QString() : prepared->Error);
  }
  Sync();
  if (index >= 0) {
    SPanel1->repaint();
    emit PictureShown(index);
  }
  PrepareUpcoming();
}

void TSlideForm::SlideTimerTimer() { ShowIndex(show_.ShowNext()); }

void TSlideForm::SlideStartClick() {
  show_.Resume();
  Sync();
}

void TSlideForm::FromBeforeClick(int count) { ShowIndex(show_.FromBefore(count)); }

void TSlideForm::SlideRestartClick() { ShowIndex(show_.FromFirst()); }

void TSlideForm::NextImageClick() {
  // A timer stopped here must not fire in between.
  SlideTimer->stop();
  ShowIndex(show_.Next());
}

void TSlideForm::PrevImageClick() {
  if (show_.Index() < 1) return;
  SlideTimer->stop();
  ShowIndex(show_.Previous());
}

void TSlideForm::SlideCopyClick() {
  const QString source = show_.CopySource();
  if (source.isEmpty()) return;
  if (!CopyReplacing(source, show_.CopyTarget()) && ShowError)
    ShowError(QStringLiteral("ファイルをコピー出来ませんでした。"));
}

void TSlideForm::PicturePress(QMouseEvent* event) {
  if (mode_ != smSlide) return;
  show_.MousePress(event->button() == Qt::RightButton);
  Sync();
}

bool TSlideForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SPanel1) {
    if (event->type() == QEvent::MouseButtonPress) PicturePress(static_cast<QMouseEvent*>(event));
    if (event->type() == QEvent::MouseButtonDblClick) close();
  }
  return QWidget::eventFilter(watched, event);
}

void TSlideForm::PopupAt(const QPoint& globalPos) { (mode_ == smSlide ? SlidePopup : FullPopup)->popup(globalPos); }

void TSlideForm::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Escape) {
    close();
    return;
  }
  if (mode_ == smSlide) {
    // The two hidden items are reached by these keys alone (a hidden action reads as disabled).
    if ((key == Qt::Key_Right || key == Qt::Key_Down) && show_.Items().NextImage) return NextImageClick();
    if ((key == Qt::Key_Left || key == Qt::Key_Up) && show_.Items().PrevImage) return PrevImageClick();
  }
  QWidget::keyPressEvent(event);
}

void TSlideForm::closeEvent(QCloseEvent* event) {
  SlideTimer->stop();
  if (OnClosed) OnClosed();
  QWidget::closeEvent(event);
}

}  // namespace view
