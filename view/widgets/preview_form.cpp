#include "view/widgets/preview_form.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "edit/image_ops.h"
#include "edit/resample.h"
#include "platform/path_bytes.h"
#include "platform/widgets/wait_cursor.h"
#include "view/picture_loader.h"
#include "view/widgets/my_cursor.h"
#include "view/widgets/picture_view.h"

namespace view {

namespace {
QString FileNameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

QScreen* ScreenOf(const QWidget* w) {
  QScreen* s = w->screen();
  return s ? s : QGuiApplication::primaryScreen();
}
}  // namespace

TPreviewForm::TPreviewForm(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("PreviewForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  WorkArea = [this] { return ScreenOf(this)->availableGeometry(); };
  ScreenRect = [this] { return ScreenOf(this)->geometry(); };
  CaptionHeight = [this] { return style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this); };

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ScrollBox = new QScrollArea(this);
  ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
  ScrollBox->setFrameShape(QFrame::NoFrame);
  ScrollBox->setAlignment(Qt::AlignCenter);
  QPalette black = ScrollBox->palette();
  black.setColor(QPalette::Window, Qt::black);
  ScrollBox->setPalette(black);
  ScrollBox->viewport()->setPalette(black);
  ScrollBox->setBackgroundRole(QPalette::Window);
  ScrollBox->viewport()->setAutoFillBackground(true);
  layout->addWidget(ScrollBox);
  Image = new TPictureView;
  Image->setObjectName(QStringLiteral("Image"));
  ScrollBox->setWidget(Image);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  auto item = [this](QMenu* menu, const char* name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
  };
  Close1 = item(PopupMenu1, "Close1", QStringLiteral("閉じる(&C)"));
  PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N2"));
  Zoom1 = PopupMenu1->addMenu(QStringLiteral("倍率指定(&Z)"));
  Zoom1->setObjectName(QStringLiteral("Zoom1"));
  auto* zoomGroup = new QActionGroup(this);
  static constexpr const char* kZoomNames[kZoomSteps] = {"zoom25",  "zoom50",  "zoom75", "zoom100",
                                                         "zoom150", "zoom200", "zoom300"};
  for (int i = 0; i < kZoomSteps; ++i) {
    QAction* a = item(Zoom1, kZoomNames[i], ZoomItemCaption(i));
    a->setCheckable(true);
    zoomGroup->addAction(a);
    connect(a, &QAction::triggered, this, [this, i] { Zoom(i); });
    ZoomItems[size_t(i)] = a;
  }
  RLeft1 = item(PopupMenu1, "RLeft1", QStringLiteral("左90度回転(&L)"));
  RRight = item(PopupMenu1, "RRight", QStringLiteral("右90度回転(&R)"));
  PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N1"));
  ReLoad1 = item(PopupMenu1, "ReLoad1", QStringLiteral("再読込(&F)"));
  Next1 = item(PopupMenu1, "Next1", QStringLiteral("次の画像(&N)"));
  Previous1 = item(PopupMenu1, "Previous1", QStringLiteral("前の画像(&P)"));
  Next1->setVisible(false);
  Previous1->setVisible(false);
  ZoomItems[kZoom100]->setChecked(true);

  connect(Close1, &QAction::triggered, this, &QWidget::close);
  connect(RLeft1, &QAction::triggered, this, [this] { RLeft1Click(); });
  connect(RRight, &QAction::triggered, this, [this] { RRightClick(); });
  connect(ReLoad1, &QAction::triggered, this, [this] { ReLoad1Click(); });
  for (QWidget* w : {static_cast<QWidget*>(ScrollBox), static_cast<QWidget*>(Image)}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& p) { Popup(w->mapToGlobal(p)); });
  }
  connect(Image, &TPictureView::MousePressed, this, &TPreviewForm::ImageMousePress);
  connect(Image, &TPictureView::MouseMoved, this, &TPreviewForm::ImageMouseMove);
  connect(Image, &TPictureView::MouseReleased, this, &TPreviewForm::ImageMouseRelease);
}

TPreviewForm::~TPreviewForm() {
  if (dragging_) QApplication::restoreOverrideCursor();
}

void TPreviewForm::PlaceAndSize(QSize picture) {
  move(ScreenRect().topLeft());
  resize(PreviewClientSize(picture, WorkArea(), TitleAllowance()));
}

void TPreviewForm::ShowReal(Picture picture, const QString& path) {
  const QSize size = picture ? QSize(picture->Width(), picture->Height()) : QSize();
  Image->SetPicture(std::move(picture), devicePixelRatioF());
  captionBase_ = PreviewCaption(platform::DisplayName(FileNameOf(path)), size.width(), size.height());
  setWindowTitle(captionBase_);
  const QSize shown = Image->PictureSize();
  PlaceAndSize(shown);
  // Only a picture that fits loses its horizontal bar, which a vertical bar would otherwise
  // bring in for a few columns.
  const int clientWidth = PreviewClientSize(shown, WorkArea(), TitleAllowance()).width();
  if (clientWidth < ScreenRect().width() && shown.width() <= clientWidth)
    ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  show();
}

void TPreviewForm::ShowFitted(Picture picture, const QString& path, bool smooth) {
  // The fit is worked out on screen (logical) pixels; the picture is then made at the
  // device's pixels so a ratio of 2 draws it sharp instead of doubling a half-sized one.
  const qreal ratio = devicePixelRatioF();
  const QSize natural = picture ? QSize(picture->Width(), picture->Height()) : QSize();
  const QSize extent = LogicalExtent(natural, ratio);
  const QSize fitted = PreviewFittedSize(extent, WorkArea(), CaptionHeight());
  if (picture && fitted != extent) {
    const QSize pixels = DevicePixels(fitted, ratio);
    if (smooth) {
      graphics::TBitmap copy = *picture;
      edit::ResizeBitmap(copy, pixels.width(), pixels.height());
      picture = std::make_shared<const graphics::TBitmap>(std::move(copy));
    } else {
      picture = std::make_shared<const graphics::TBitmap>(StretchBitmap(*picture, pixels.width(), pixels.height()));
    }
  }
  Image->SetPicture(std::move(picture), ratio);
  const QSize pixels = Image->PixelSize();
  captionBase_ = PreviewCaption(platform::DisplayName(FileNameOf(path)), pixels.width(), pixels.height());
  setWindowTitle(captionBase_);
  PlaceAndSize(Image->PictureSize());
  show();
}

void TPreviewForm::SetSource(Picture picture, int index, const QString& path) {
  source_ = std::move(picture);
  index_ = index;
  filePath_ = path;
}

void TPreviewForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shownRecorded_) {
    shownRecorded_ = true;
    shownWidth_ = Image->PixelSize().width();
    shownHeight_ = Image->PixelSize().height();
  }
}

int TPreviewForm::SelectedZoom() const {
  for (int i = 0; i < kZoomSteps; ++i)
    if (ZoomItems[size_t(i)]->isChecked()) return i;
  return -1;
}

void TPreviewForm::Display(Picture picture) {
  Image->SetPicture(std::move(picture), devicePixelRatioF());
  PlaceAndSize(Image->PictureSize());
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TPreviewForm::Zoom(int step) {
  if (!source_) return;
  platform::TWaitCursor wait;
  ZoomItems[size_t(step)]->setChecked(true);
  const double f = ZoomFactor(step);
  const QSize base = Fitted ? QSize(shownWidth_, shownHeight_) : QSize(source_->Width(), source_->Height());
  const QSize target = ZoomedSize(base, f);
  const TQuarterTurns turn = TurnOfCounters(leftCount_, rightCount_);
  try {
    Picture result = source_;
    if (target != QSize(source_->Width(), source_->Height()) || turn != TQuarterTurns::None) {
      graphics::TBitmap copy = *source_;
      if (target != QSize(copy.Width(), copy.Height())) edit::ResizeBitmap(copy, target.width(), target.height());
      switch (turn) {
        case TQuarterTurns::Left: edit::TurnLeft(copy); break;
        case TQuarterTurns::Half: edit::TurnHalf(copy); break;
        case TQuarterTurns::Right: edit::TurnRight(copy); break;
        case TQuarterTurns::None: break;
      }
      result = std::make_shared<const graphics::TBitmap>(std::move(copy));
    }
    Display(std::move(result));
  } catch (const std::exception&) {
    // Too large to hold at this zoom: the picture and its mark stay as they were.
    ZoomItems[size_t(shownZoom_)]->setChecked(true);
    QApplication::beep();
    return;
  }
  shownZoom_ = step;
  setWindowTitle(captionBase_ + ZoomCaptionSuffix(step));
}

void TPreviewForm::RLeft1Click() {
  leftCount_ = NextTurnCount(leftCount_);
  if (const int step = SelectedZoom(); step >= 0) Zoom(step);
}

void TPreviewForm::RRightClick() {
  rightCount_ = NextTurnCount(rightCount_);
  if (const int step = SelectedZoom(); step >= 0) Zoom(step);
}

void TPreviewForm::ReLoad1Click() {
  leftCount_ = rightCount_ = 0;
  Zoom(kZoom100);
}

void TPreviewForm::Popup(const QPoint& globalPos) { PopupMenu1->popup(globalPos); }

void TPreviewForm::ImageMousePress(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || dragging_) return;
  dragging_ = true;
  pressPos_ = event->position().toPoint();
  QApplication::setOverrideCursor(MyCursor());
}

void TPreviewForm::ImageMouseMove(QMouseEvent* event) {
  if (!dragging_) return;
  const QPoint now = event->position().toPoint();
  ScrollBox->horizontalScrollBar()->setValue(ScrollBox->horizontalScrollBar()->value() + pressPos_.x() - now.x());
  ScrollBox->verticalScrollBar()->setValue(ScrollBox->verticalScrollBar()->value() + pressPos_.y() - now.y());
  Image->update();
}

void TPreviewForm::ImageMouseRelease(QMouseEvent*) {
  if (!dragging_) return;
  dragging_ = false;
  QApplication::restoreOverrideCursor();
}

void TPreviewForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TPreviewForm::closeEvent(QCloseEvent* event) {
  if (OnClosed) OnClosed();
  QWidget::closeEvent(event);
}

}  // namespace view
