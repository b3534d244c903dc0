#include "catalog/widgets/imgpanel.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <unistd.h>
#include <unordered_set>

#include "catalog/img_util.h"
#include "catalog/widgets/small_icon_mark.h"
#include "catalog/widgets/imgpanel_accessible.h"
#include "platform/path_bytes.h"
#include "platform/shell_icons.h"
#include "platform/widgets/sys_icon.h"

namespace catalog {

using namespace platform::shell;

namespace {

QColor orDefault(const QColor& c, const QColor& def) { return c.isValid() ? c : def; }

// Window-system stand-ins for the classic colours the cell drawing names.
QColor clBtnShadow(const QPalette& p) { return p.color(QPalette::Dark); }
QColor cl3DDkShadow(const QPalette& p) { return p.color(QPalette::Shadow); }
QColor cl3DLight(const QPalette& p) { return p.color(QPalette::Midlight); }
QColor clBtnHighlight(const QPalette& p) { return p.color(QPalette::Light); }
QColor clHighlight(const QPalette& p) { return p.color(QPalette::Active, QPalette::Highlight); }
QColor clInactiveBorder(const QPalette& p) { return p.color(QPalette::Mid); }
const QColor clInactiveCaptionText(0xD4, 0xD0, 0xC8);

void ring(QPainter& p, QRect r, int w, const QColor& c) {
  if (w <= 0 || r.isEmpty()) return;
  p.fillRect(QRect(r.left(), r.top(), w, r.height()), c);
  p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), c);
  p.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), c);
  p.fillRect(QRect(r.left(), r.top(), r.width(), w), c);
}

// One-pixel 3D frame: top and left in one colour, bottom and right in the other.
void frame3D(QPainter& p, QRect r, const QColor& topLeft, const QColor& bottomRight, int width) {
  for (int i = 0; i < width && r.width() > 1 && r.height() > 1; ++i) {
    p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    r.adjust(1, 1, -1, -1);
  }
}

// Control characters cannot be drawn on one line; show them as "?".
QString captionText(QString s) {
  for (QChar& c : s)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char('?');
  return s;
}

}  // namespace

TImgPanel::TImgPanel(QWidget* parent) : QWidget(parent), items_(this) {
  InstallImgPanelAccessibility();
  resize(250, 150);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setContentsMargins(2, 2, 2, 2);
  scroll_ = new QScrollBar(Qt::Vertical, this);
  scroll_->setRange(0, 0);
  scroll_->setFocusPolicy(Qt::NoFocus);
  connect(scroll_, &QAbstractSlider::actionTriggered, this, [this](int action) {
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: LineUp(); break;
      case QAbstractSlider::SliderSingleStepAdd: LineDown(); break;
      case QAbstractSlider::SliderPageStepSub: PriorPage(); break;
      case QAbstractSlider::SliderPageStepAdd: NextPage(); break;
      case QAbstractSlider::SliderToMinimum: FirstPage(); break;
      case QAbstractSlider::SliderToMaximum: LastPage(); break;
      case QAbstractSlider::SliderMove: ShowPage(scroll_->sliderPosition() * grid_.columns); break;
      default: break;
    }
    if (grid_.columns > 0 && top_ >= 0) scroll_->setSliderPosition(top_ / grid_.columns);
  });
  dispTypes_.OnChange = [this] { listAgain(); };
  thumbs_.SetMemoryLimit(kDefaultThumbMemory);
  clearThumbStore();
  thumbs_.OnDrop = [this](int id) {
    const int index = items_.IndexOfId(id);
    if (index < 0) return;
    Item(index)->ThumbIndex = -1;
    Item(index)->Loaded = false;
  };
  initLive();
}

TImgPanel::~TImgPanel() {
  if (loader_) loader_->Stop();
  if (ChangeNotifyStop) ChangeNotifyStop(this);
}

// ---------------------------------------------------------------- properties

void TImgPanel::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  const int m = v == TBorderStyle::bsSingle ? 2 : 0;
  setContentsMargins(m, m, m, m);
  resizeEvent(nullptr);
  update();
}

void TImgPanel::SetDescend(bool v) {
  if (v == descend_) return;
  descend_ = v;
  items_.Sort(sortType_, descend_);
  update();
}

void TImgPanel::SetSortType(TSortTypeEx v) {
  if (v == sortType_) return;
  sortType_ = v;
  items_.Sort(sortType_, descend_);
  update();
}

void TImgPanel::SetHideSelection(bool v) {
  if (v == hideSelection_) return;
  hideSelection_ = v;
  redrawSelectionAndFocus();
}

void TImgPanel::SetScrollBar(bool v) {
  if (v == scrollBarOn_) return;
  scrollBarOn_ = v;
  resizeEvent(nullptr);
}

void TImgPanel::SetShowCaptions(bool v) {
  if (v == showCaptions_) return;
  showCaptions_ = v;
  layoutPanel();
  listAgain();
}

void TImgPanel::SetIconSpacing(TIconSpacing v) {
  if (v == iconSpacing_) return;
  iconSpacing_ = v;
  layoutPanel();
  listAgain();
}

void TImgPanel::SetViewImage(const TViewImage& v) {
  if (v == viewImage_) return;
  const bool boxChanged = v.ImageWidth != viewImage_.ImageWidth || v.ImageHeight != viewImage_.ImageHeight;
  viewImage_ = v;
  if (boxChanged) clearThumbStore();
  layoutPanel();
  listAgain();
}

void TImgPanel::SetViewMode(TViewMode v) {
  if (v == viewMode_) return;
  if (loader_) loader_->Stop();
  EndEdit();
  items_.Clear();
  selection_.clear();
  clearThumbStore();
  viewMode_ = v;
  top_ = -1;
  current_ = focus_ = anchor_ = -1;
  if (v == TViewMode::ivmFolder && folder_) {
    Refresh(true);
  } else {
    updateScrollBar(true);
    ShowPage(0);
  }
}

void TImgPanel::SetColor(const QColor& c) {
  if (c == color_) return;
  color_ = c;
  listAgain();
}

TImageType TImgPanel::PanelDetectType(const QString& path) const {
  return typeTest_ ? typeTest_(path) : TImageType::iitNone;
}

void TImgPanel::PanelExecute(const QString& path) {
  if (ExecuteFile) ExecuteFile(path);
  else ShellExecuteOpen(path);
}

// ---------------------------------------------------------------- geometry

TLayoutParams TImgPanel::layoutParams() const {
  const TViewImage& v = viewImage_;
  TLayoutParams p;
  p.frameVisible = v.Frame.Visible;
  p.frameWidth = v.Frame.Width;
  p.selectFrameVisible = v.SelectFrame.Visible;
  p.selectFrameWidth = v.SelectFrame.Width;
  p.borderSingle = v.BorderStyle == TBorderStyle::bsSingle;
  p.bevelOuter = v.BevelOuter != TBevelCut::bvNone;
  p.bevelInner = v.BevelInner != TBevelCut::bvNone;
  p.bevelWidth = v.BevelWidth;
  p.blankLeft = v.BlankSpace.Left;
  p.blankTop = v.BlankSpace.Top;
  p.blankRight = v.BlankSpace.Right;
  p.blankBottom = v.BlankSpace.Bottom;
  p.imageWidth = v.ImageWidth;
  p.imageHeight = v.ImageHeight;
  p.showCaptions = showCaptions_;
  p.textHeight = textHeight_;
  p.externalLeading = externalLeading_;
  p.spacingX = iconSpacing_.X;
  p.spacingY = iconSpacing_.Y;
  return p;
}

void TImgPanel::updateMetrics() {
  if (!metricsRead_) {
    const QFontMetrics fm(font());
    textHeight_ = fm.height();
    externalLeading_ = std::max(0, fm.leading());
    metricsRead_ = true;
  }
  metrics_ = ComputeCellMetrics(layoutParams());
}

QRect TImgPanel::clientArea() const {
  QRect r = contentsRect();
  if (scrollBarOn_) r.setRight(r.right() - scroll_->sizeHint().width());
  return r;
}

QRect TImgPanel::CellRect(int index) const {
  const int k = index - std::max(top_, 0);
  if (k < 0 || k >= grid_.perPage()) return {};
  const TPoint2 o = CellOrigin(metrics_, grid_, k, iconSpacing_.X, iconSpacing_.Y);
  return QRect(o.x, o.y, metrics_.OW, metrics_.CHt - iconSpacing_.Y);
}

void TImgPanel::resizeEvent(QResizeEvent*) {
  const QRect c = contentsRect();
  if (scrollBarOn_) {
    const int w = scroll_->sizeHint().width();
    scroll_->setGeometry(c.right() - w + 1, c.top(), w, c.height());
    scroll_->show();
  } else {
    scroll_->hide();
  }
  layoutPanel();
}

void TImgPanel::layoutPanel() {
  inLayout_ = true;
  updateMetrics();
  const QRect c = clientArea();
  grid_ = ComputeGrid(metrics_, c.width(), c.height());
  const QSize size = c.size().expandedTo(QSize(1, 1));
  // The page holds device pixels, so text and frames stay sharp on a HiDPI screen; all
  // drawing on it is in the control's own coordinates.
  const qreal dpr = devicePixelRatioF();
  if (page_.deviceIndependentSize().toSize() != size || page_.devicePixelRatio() != dpr) {
    QImage fresh((QSizeF(size) * dpr).toSize(), QImage::Format_RGB32);
    fresh.setDevicePixelRatio(dpr);
    fresh.fill(color_);
    if (!page_.isNull()) {
      QPainter p(&fresh);
      p.drawImage(0, 0, page_);
    }
    page_ = fresh;
  }
  bool newScale = false;
  if (dpr != thumbScale_) {
    // Thumbnails are made for the screen's pixels: another screen needs them again.
    if (loader_) loader_->Stop();
    thumbScale_ = dpr;
    clearThumbStore();
    iconKeys_.clear();
    icons_.clear();
    for (int i = 0; i < Count(); ++i) {
      Item(i)->Loaded = false;
      Item(i)->IconIndex = -1;
    }
    newScale = true;
  }
  {
    // Only whole cells are shown: the strips beside them keep the control colour.
    QPainter p(&page_);
    p.fillRect(QRect(metrics_.CW * grid_.columns, 0, page_.width(), page_.height()), color_);
    p.fillRect(QRect(0, metrics_.CHt * grid_.rows, page_.width(), page_.height()), color_);
  }
  if (grid_.columns == drawnGrid_.columns && grid_.rows == drawnGrid_.rows && !newScale) {
    updateScrollBar();
  } else {
    drawPageBackground();
    ShowPage(top_);
    updateScrollBar();
  }
  inLayout_ = false;
  update();
}

void TImgPanel::updateScrollBar(bool reset) {
  if (!scrollBarOn_) return;
  const int count = Count();
  const TScrollRange r = grid_.perPage() > 0 ? ComputeScrollRange(count, grid_) : TScrollRange{};
  const QSignalBlocker block(scroll_);
  scroll_->setRange(0, r.max);
  scroll_->setPageStep(std::max(r.page, 1));
  scroll_->setSingleStep(1);
  const int pos = (reset || top_ >= count || top_ < 0 || grid_.columns <= 0) ? 0 : top_ / grid_.columns;
  scroll_->setValue(pos);
  scroll_->setEnabled(r.max > 0);
}

// ---------------------------------------------------------------- painting

void TImgPanel::drawPageBackground() {
  page_.fill(color_);
  if (grid_.perPage() <= 0) return;
  const QPalette pal = palette();
  const TCellMetrics& m = metrics_;
  const QRect first(iconSpacing_.X, iconSpacing_.Y, m.OW, m.OH);
  {
    QPainter p(&page_);
    QRect r = first.adjusted(m.F, m.F, -m.F, -m.F);
    if (viewImage_.BorderStyle == TBorderStyle::bsSingle) {
      frame3D(p, r, clBtnShadow(pal), Qt::white, 1);
      frame3D(p, r.adjusted(1, 1, -1, -1), cl3DDkShadow(pal), cl3DLight(pal), 1);
      r.adjust(2, 2, -2, -2);
    }
    const int bw = viewImage_.BevelWidth;
    auto bevel = [&](TBevelCut cut) {
      if (cut == TBevelCut::bvNone) return;
      if (cut == TBevelCut::bvLowered) frame3D(p, r, clBtnShadow(pal), clBtnHighlight(pal), bw);
      else if (cut == TBevelCut::bvRaised) frame3D(p, r, clBtnHighlight(pal), clBtnShadow(pal), bw);
      r.adjust(bw, bw, -bw, -bw);
    };
    bevel(viewImage_.BevelOuter);
    bevel(viewImage_.BevelInner);
  }
  const qreal dpr = page_.devicePixelRatio();
  QImage cell = page_.copy(QRectF(QPointF(first.topLeft()) * dpr, QSizeF(first.size()) * dpr).toRect());
  cell.setDevicePixelRatio(dpr);
  QPainter p(&page_);
  for (int k = 1; k < grid_.perPage(); ++k) {
    const TPoint2 o = CellOrigin(m, grid_, k, iconSpacing_.X, iconSpacing_.Y);
    p.drawImage(o.x, o.y, cell);
  }
}

void TImgPanel::ShowPage(int topIndex) {
  if (grid_.columns < 1) return;
  if (!viewImage_.LookAhead && loader_) loader_->ClearQueue();
  EndEdit();
  top_ = topIndex < 0 ? 0 : topIndex;
  if (scrollBarOn_) {
    const QSignalBlocker block(scroll_);
    scroll_->setValue(top_ / grid_.columns);
  }
  const int per = grid_.perPage();
  // The queue is served from its end: with look-ahead the page goes there last to first,
  // otherwise each entry goes to the front first to last; either way top-left comes first.
  if (viewImage_.LookAhead) {
    for (int k = per - 1; k >= 0; --k) prepareEntry(top_ + k);
  } else {
    for (int k = 0; k < per; ++k) prepareEntry(top_ + k);
  }
  drawPageBackground();
  thumbs_.NextFrame();
  const bool wasInLayout = inLayout_;
  inLayout_ = true;
  for (int k = 0; k < per; ++k) drawEntry(top_ + k, false);
  inLayout_ = wasInLayout;
  drawnGrid_ = grid_;
  update();
}

void TImgPanel::DrawItem(int index) { drawEntry(index, true); }

void TImgPanel::drawEntry(int index, bool invalidate) {
  const int k = index - std::max(top_, 0);
  if (index < 0 || k < 0 || k >= grid_.perPage() || page_.isNull()) return;
  const TCellMetrics& m = metrics_;
  const TPoint2 o = CellOrigin(m, grid_, k, iconSpacing_.X, iconSpacing_.Y);
  const QRect outer(o.x, o.y, m.OW, m.OH);
  const QRect picture(o.x + m.Px, o.y + m.Py, viewImage_.ImageWidth, viewImage_.ImageHeight);
  {
    QPainter p(&page_);
    if (index >= Count()) {
      p.fillRect(picture, color_);
    } else {
      TPanelItem* item = Item(index);
      const bool highlighted = item->Selected && (hasFocus() || !hideSelection_);
      drawFrame(p, outer, highlighted);
      drawPicture(p, index, picture);
      if (showCaptions_) drawCaption(p, index, outer);
    }
  }
  if (invalidate && !inLayout_) {
    const QRect r = CellRect(index).adjusted(-1, -1, 1, 1).translated(clientArea().topLeft());
    update(r);
  }
}

void TImgPanel::drawFrame(QPainter& p, QRect outer, bool highlighted) {
  const TFrameStyle& fr = viewImage_.Frame;
  const TFrameStyle& sf = viewImage_.SelectFrame;
  if (!fr.Visible && !sf.Visible) return;
  const int fw = fr.Visible ? fr.Width : 0, sw = sf.Visible ? sf.Width : 0;
  const int F = metrics_.F;
  const int drawn = highlighted ? sw : fw, other = highlighted ? fw : sw;
  if (drawn < other) ring(p, outer, F, color_);
  const QPalette pal = palette();
  if (highlighted && sf.Visible) ring(p, outer.adjusted(F - sw, F - sw, sw - F, sw - F), sw, orDefault(sf.Color, clHighlight(pal)));
  else if (!highlighted && fr.Visible)
    ring(p, outer.adjusted(F - fw, F - fw, fw - F, fw - F), fw, orDefault(fr.Color, clInactiveBorder(pal)));
}

void TImgPanel::drawPicture(QPainter& p, int index, QRect picture) {
  TPanelItem* item = Item(index);
  if (item->ThumbIndex >= 0 && item->ThumbIndex < thumbs_.Capacity()) {
    thumbs_.Touch(item->ThumbIndex);
    const QRect cell = thumbs_.CellRect(item->ThumbIndex);
    p.drawImage(QRect(picture.topLeft(), picture.size()), thumbs_.Sheet(thumbs_.SheetOf(item->ThumbIndex)).AsQImage(), cell);
  } else if (const QImage* icon = item->Loaded ? iconOf(item) : nullptr) {
    p.fillRect(picture, color_);
    const QSize size = icon->deviceIndependentSize().toSize();
    QRect target(picture.topLeft(), size);
    if (size != picture.size()) {
      const QSize fit = TImgUtil::FitRect(size.width(), size.height(), picture.width(), picture.height()).size();
      target = QRect(picture.left() + (picture.width() - fit.width()) / 2,
                     picture.top() + (picture.height() - fit.height()) / 2, fit.width(), fit.height());
    }
    p.drawImage(target, *icon);
  } else {
    return;  // its thumbnail is on the way
  }
  if (OnDrawItem) {
    p.save();
    p.setBrush(color_);
    p.setFont(font());
    OnDrawItem(this, item, picture, p);
    p.restore();
  }
}

void TImgPanel::drawCaption(QPainter& p, int index, QRect outer) {
  TPanelItem* item = Item(index);
  const TCellMetrics& m = metrics_;
  // Only the caption band itself: a pixel more would erase this cell's or the next row's
  // border when the spacing is small.
  p.fillRect(QRect(outer.left(), outer.bottom() + 1, m.OW, m.CH), color_);
  const QString text = captionLine(index);
  const QRect rect = CaptionRect(index);
  QColor textColor = palette().color(QPalette::WindowText);
  if (item->Selected) {
    if (hasFocus()) {
      p.fillRect(rect, clHighlight(palette()));
      textColor = Qt::white;
    } else {
      if (!hideSelection_) {
        p.fillRect(rect, clInactiveCaptionText);
        textColor = Qt::black;
      }
    }
  }
  p.setFont(font());
  p.setPen(textColor);
  p.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
  if (index == focus_ && hasFocus()) {
    QPen pen(textColor, 1, Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect.adjusted(0, 0, -1, 0));
  }
}

QString TImgPanel::captionLine(int index) const {
  const QFontMetrics fm(font());
  return fm.elidedText(captionText(Item(index)->GetDisplayName()), Qt::ElideRight, std::max(0, metrics_.OW - 4));
}

QRect TImgPanel::CaptionRect(int index) const {
  const QRect cell = CellRect(index);
  if (cell.isEmpty() || index >= Count() || !showCaptions_) return {};
  const QFontMetrics fm(font());
  const TBox b = CaptionBox(metrics_, {cell.left(), cell.top()}, fm.horizontalAdvance(captionLine(index)), fm.height());
  return QRect(b.left, b.top, b.width, b.height);
}

void TImgPanel::prepareEntry(int index) {
  if (index < 0 || index >= Count()) return;
  TPanelItem* item = Item(index);
  if (item->ThumbIndex >= 0) return;
  if (loader_ && isImage(index)) {
    loader_->AddAndStart(item->Id, viewImage_.LookAhead);
    return;
  }
  item->Loaded = true;
  prepareIcon(item);
}

const QImage* TImgPanel::iconOf(const TPanelItem* item) const {
  if (item->IconIndex < 0 || size_t(item->IconIndex) >= icons_.size()) return nullptr;
  return &icons_[size_t(item->IconIndex)];
}

QIcon TImgPanel::systemIcon(const TPanelItem* item) const {
  return platform::SysIconOf(SysIconAt(const_cast<TPanelItem*>(item)->GetSysIconIndex()), style());
}

void TImgPanel::prepareIcon(TPanelItem* item) {
  if (iconOf(item)) return;
  const bool folderMode = viewMode_ == TViewMode::ivmFolder;
  const QString key = QString::number(item->GetSysIconIndex()) + '/' + QString::number(item->Overlay);
  if (folderMode) {
    const auto it = iconKeys_.constFind(key);
    if (it != iconKeys_.constEnd()) {
      item->IconIndex = it.value();
      return;
    }
  }
  const int side = viewImage_.BigIcon ? viewImage_.BigIconSize : style()->pixelMetric(QStyle::PM_LargeIconSize);
  // In the screen's pixels, like the thumbnails.
  const QSize logical(std::max(side, 1), std::max(side, 1));
  QImage img((QSizeF(logical) * thumbScale_).toSize(), QImage::Format_RGB32);
  img.setDevicePixelRatio(thumbScale_);
  img.fill(color_);
  {
    QPainter p(&img);
    systemIcon(item).paint(&p, QRect(QPoint(0, 0), logical));
    if (item->Overlay == 1) {
      // The shortcut mark: a small arrow in the lower left corner.
      const int s = std::max(side / 3, 6);
      const QRect box(0, side - s, s, s);
      p.fillRect(box, Qt::white);
      p.setPen(QPen(Qt::black, 1));
      p.drawRect(box.adjusted(0, 0, -1, -1));
      p.drawLine(box.left() + 2, box.bottom() - 2, box.right() - 2, box.top() + 2);
      p.drawLine(box.right() - 2, box.top() + 2, box.right() - 2, box.top() + s / 2);
      p.drawLine(box.right() - 2, box.top() + 2, box.right() - s / 2, box.top() + 2);
    }
  }
  icons_.push_back(img);
  item->IconIndex = int(icons_.size() - 1);
  if (folderMode) iconKeys_.insert(key, item->IconIndex);
}

void TImgPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect c = clientArea();
  p.drawImage(c.topLeft(), page_);
  if (borderStyle_ == TBorderStyle::bsSingle) {
    const QPalette pal = palette();
    frame3D(p, rect(), clBtnShadow(pal), clBtnHighlight(pal), 1);
    frame3D(p, rect().adjusted(1, 1, -1, -1), cl3DDkShadow(pal), cl3DLight(pal), 1);
  }
}

void TImgPanel::redrawSelectionAndFocus() {
  const int per = grid_.perPage();
  for (int k = 0; k < per; ++k) {
    const int i = std::max(top_, 0) + k;
    if (i >= Count()) break;
    if (Item(i)->Selected || i == focus_) DrawItem(i);
  }
}

// ---------------------------------------------------------------- folders and listing

void TImgPanel::SetFolder(const QString& path) {
  if (viewMode_ == TViewMode::ivmFile) return;
  const QString abs = QDir::cleanPath(QDir::current().absoluteFilePath(path));
  TIdListPtr id(TShellFolder::Desktop()->ParseDisplayName(abs));
  if (id) SetFolderId(id.get());
}

void TImgPanel::SetFolderId(PCIDL absoluteId) {
  if (viewMode_ == TViewMode::ivmFile || !absoluteId) return;
  if (folderId_ && IdListSame(absoluteId, folderId_.get()) == 0) {
    // The same folder again: listed anew where it stands, so what the caller stopped for a
    // folder change (the thumbnail jobs, the watch) runs again and the list is current.
    if (ChangeNotifyStop) ChangeNotifyStop(this);
    Refresh(false);
    if (ChangeNotifyStart) ChangeNotifyStart(this);
    return;
  }
  if (ChangeNotifyStop) ChangeNotifyStop(this);
  if (loader_) loader_->Stop();
  EndEdit();
  items_.Clear();
  selection_.clear();
  FolderPtr bound = IdListIsDesktop(absoluteId) ? TShellFolder::Desktop() : TShellFolder::Bind(absoluteId);
  if (!bound) {
    // The old folder stays; its list shows empty until the next refresh.
    current_ = focus_ = anchor_ = -1;
    updateScrollBar(true);
    ShowPage(0);
    return;
  }
  folderId_.reset(IdListClone(absoluteId));
  folder_ = bound;
  opened_ = true;
  (void)::chdir(folder_->PathBytes().constData());  // relative folder names resolve here
  Refresh(true);
  if (ChangeNotifyStart) ChangeNotifyStart(this);
}

QString TImgPanel::FolderPath() const {
  if (!folder_) return QString();
  return platform::PathFromBytes(folder_->PathBytes());
}

void TImgPanel::Refresh(bool resetPosition) {
  if (viewMode_ != TViewMode::ivmFolder) return;
  EndEdit();
  if (loader_) loader_->Stop();
  items_.Clear();
  selection_.clear();
  if (resetPosition) {
    top_ = 0;
    current_ = -1;
    focus_ = 0;
    anchor_ = -1;
  }
  clearThumbStore();
  const bool lookAhead = viewImage_.LookAhead && loader_;
  items_.Enumerate(
      dispTypes_,
      OnImgItemAdd ? TPanelItems::TAddFilter([this](TPanelItem* item, bool& accept) { OnImgItemAdd(this, item, accept); })
                   : TPanelItems::TAddFilter(),
      lookAhead ? TPanelItems::TListed([this](TPanelItem* item) { loader_->AddBatch(item->Id, false); })
                : TPanelItems::TListed());
  items_.Sort(sortType_, descend_);
  const int count = Count();
  if (!resetPosition) {
    if (top_ >= count) top_ = count - 1;
    if (current_ >= count) current_ = count - 1;
    if (focus_ >= count) focus_ = count - 1;
    if (anchor_ >= count) anchor_ = count - 1;
    if (top_ == -1) top_ = 0;
    if (focus_ == -1) focus_ = 0;
    // A page starts at a row.
    if (grid_.columns > 0) top_ -= top_ % grid_.columns;
  }
  if (OnChangeFolder) OnChangeFolder(this);
  if (loader_) loader_->Restart();
  updateScrollBar();
  drawPageBackground();
  ShowPage(top_);
  update();
}

void TImgPanel::RefreshThumbnails() {
  if (loader_) {
    loader_->Stop();
    QStringList paths;
    for (int i = 0; i < Count(); ++i)
      if (!Item(i)->IsFolder) paths << Item(i)->GetParseName();
    loader_->ForgetCached(paths);
  }
  if (viewMode_ == TViewMode::ivmFolder) {
    Refresh(true);
    return;
  }
  clearThumbStore();
  for (int i = 0; i < Count(); ++i) {
    Item(i)->Loaded = false;
    Item(i)->ThumbIndex = -1;
  }
  ShowPage(top_);
}

void TImgPanel::listAgain() {
  if (loader_) loader_->Stop();
  iconKeys_.clear();
  icons_.clear();
  for (int i = 0; i < Count(); ++i) Item(i)->IconIndex = -1;
  if (viewMode_ == TViewMode::ivmFolder) {
    if (folder_) Refresh(true);
    else ShowPage(top_);
  } else {
    RefreshThumbnails();
  }
}

TPanelItem* TImgPanel::AddFile(const QString& path) {
  if (viewMode_ != TViewMode::ivmFile) return nullptr;
  TPanelItem* item = items_.AddFile(path);
  if (!item) return nullptr;
  if (top_ == -1) top_ = 0;
  prepareEntry(Count() - 1);
  DrawItem(Count() - 1);
  if (!item->IsFolder && item->RelativeId && viewImage_.LookAhead && loader_) loader_->AddBatch(item->Id, false);
  updateScrollBar();
  return item;
}

// ---------------------------------------------------------------- scrolling

void TImgPanel::scrollTo(std::optional<int> top) {
  if (top) ShowPage(*top);
  updateScrollBar();
  update();
}

void TImgPanel::MakeVisible(int index) {
  const auto t = pager().MakeVisible(index);
  if (t) scrollTo(t);
}

void TImgPanel::FirstPage() {
  if (grid_.columns > 0) scrollTo(0);
}
void TImgPanel::PriorPage() { scrollTo(pager().PageUp()); }
void TImgPanel::NextPage() { scrollTo(pager().PageDown()); }
void TImgPanel::LastPage() { scrollTo(pager().Bottom()); }
void TImgPanel::LineUp() { scrollTo(pager().LineUp()); }
void TImgPanel::LineDown() { scrollTo(pager().LineDown()); }

void TImgPanel::wheelEvent(QWheelEvent* e) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, e, handled);
  if (handled) return;
  const int dy = e->angleDelta().y();
  if (dy > 0) LineUp();
  else if (dy < 0) LineDown();
  e->accept();
}

// ---------------------------------------------------------------- selection

void TImgPanel::setSelected(int index, bool on) {
  TPanelItem* item = Item(index);
  if (item->Selected == on) return;
  item->Selected = on;
  if (on) {
    selection_.push_back(index);
    // Shown selected without the focus: the click that brings the focus back is no rename.
    if (!hasFocus()) item->SkipRenameClick = true;
  } else {
    selection_.erase(std::remove(selection_.begin(), selection_.end(), index), selection_.end());
  }
  DrawItem(index);
}

void TImgPanel::deselectAllBut(int keep) {
  std::vector<int> old;
  old.swap(selection_);
  for (int i : old) {
    if (i == keep) {
      selection_.push_back(i);
      continue;
    }
    Item(i)->Selected = false;
    DrawItem(i);
  }
}

void TImgPanel::toggleSelected(int index) { setSelected(index, !Item(index)->Selected); }

std::vector<TPanelItem*> TImgPanel::SelectedItems() const {
  std::vector<TPanelItem*> out;
  for (int i : selection_)
    if (i >= 0 && i < Count()) out.push_back(Item(i));
  return out;
}

void TImgPanel::SelectItem(int index, Qt::KeyboardModifiers shift, bool fromKeyboard) {
  if (index < 0 || index >= Count()) return;
  const int previous = focus_;
  focus_ = index;
  if (previous != index && previous >= 0 && previous < Count()) DrawItem(previous);
  const bool withShift = shift & Qt::ShiftModifier;
  const bool withCtrl = (shift & Qt::ControlModifier) && !withShift;
  if (withShift) {
    const int a = (anchor_ < 0 || anchor_ >= Count()) ? 0 : anchor_;
    const int lo = std::min(a, index), hi = std::max(a, index);
    for (int i : selection_)
      if (i < lo || i > hi) {
        Item(i)->Selected = false;
        DrawItem(i);
      }
    selection_.clear();
    for (int i = lo; i <= hi; ++i) {
      Item(i)->Selected = false;
      setSelected(i, true);
    }
  } else if (!withCtrl) {
    deselectAllBut(index);
    setSelected(index, true);
  } else if (!fromKeyboard) {
    toggleSelected(index);
  }
  DrawItem(index);
  MakeVisible(index);
  if (!withShift) anchor_ = index;
  if (withCtrl && fromKeyboard) return;
  current_ = index;
  notifyAccessibleFocus();
  if (OnSelectItem) OnSelectItem(this, Item(index));
}

void TImgPanel::SelectAll() {
  if (!multiSelect_) return;
  selection_.clear();
  for (int i = 0; i < Count(); ++i) {
    Item(i)->Selected = true;
    if (!hasFocus()) Item(i)->SkipRenameClick = true;
    selection_.push_back(i);
  }
  ShowPage(top_);
}

void TImgPanel::InvertSelection() {
  if (!multiSelect_) return;
  selection_.clear();
  for (int i = 0; i < Count(); ++i) {
    Item(i)->Selected = !Item(i)->Selected;
    if (!Item(i)->Selected) continue;
    if (!hasFocus()) Item(i)->SkipRenameClick = true;
    selection_.push_back(i);
  }
  ShowPage(top_);
}

void TImgPanel::ClearSelection() {
  deselectAllBut(-1);
  current_ = -1;
}

void TImgPanel::SelectOnly(int index) {
  if (index < 0 || index >= Count()) return;
  deselectAllBut(index);
  setSelected(index, true);
  const int previous = focus_;
  focus_ = anchor_ = current_ = index;
  if (previous != index && previous >= 0 && previous < Count()) DrawItem(previous);
  DrawItem(index);
  notifyAccessibleFocus();
}

void TImgPanel::ActivateItem(int index) {
  if (index < 0 || index >= Count()) return;
  SelectOnly(index);
  if (defaultExec_.DblClick) openCurrent();
  if (OnDblClick) OnDblClick(this);
}

void TImgPanel::notifyAccessibleFocus() {
  if (!QAccessible::isActive() || focus_ < 0 || focus_ >= Count()) return;
  QAccessibleEvent selection(this, QAccessible::SelectionWithin);
  QAccessible::updateAccessibility(&selection);
  if (!hasFocus()) return;
  QAccessibleEvent focus(this, QAccessible::Focus);
  focus.setChild(focus_);
  QAccessible::updateAccessibility(&focus);
}

void TImgPanel::openCurrent() {
  if (TPanelItem* item = Current()) item->Open();
}

// ---------------------------------------------------------------- keyboard and mouse

void TImgPanel::keyPressEvent(QKeyEvent* e) {
  CancelRenameClick();
  if (OnKeyDown) OnKeyDown(this, e);
  Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  if ((mods & Qt::ShiftModifier) && (mods & Qt::ControlModifier)) mods &= ~Qt::ControlModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  // Pasting needs no entries: an empty folder is where files are pasted most.
  if (Count() == 0 && e->key() == Qt::Key_V && ctrl && !readOnly_) {
    if (viewMode_ == TViewMode::ivmFile) PasteFiles();
    else InvokeVerb(vbPaste);
    e->accept();
    return;
  }
  if (Count() == 0) {
    e->accept();
    return;
  }
  const int f = focus_ < 0 ? 0 : focus_;
  auto move = [&](TMoveKey key) {
    const TKeyMove m = ComputeKeyMove(key, f, Count(), grid_);
    switch (m.kind) {
      case TKeyMove::Select: SelectItem(m.value, mods, true); break;
      case TKeyMove::PageDownCommand: NextPage(); break;
      case TKeyMove::SetTop: scrollTo(m.value); break;
      case TKeyMove::None: break;
    }
  };
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (defaultExec_.DblClick) openCurrent();
      break;
    case Qt::Key_Space: SelectItem(f, mods, false); break;
    case Qt::Key_PageUp: move(TMoveKey::PageUp); break;
    case Qt::Key_PageDown: move(TMoveKey::PageDown); break;
    case Qt::Key_End: move(TMoveKey::End); break;
    case Qt::Key_Home: move(TMoveKey::Home); break;
    case Qt::Key_Left: move(TMoveKey::Left); break;
    case Qt::Key_Up: move(TMoveKey::Up); break;
    case Qt::Key_Right: move(TMoveKey::Right); break;
    case Qt::Key_Down: move(TMoveKey::Down); break;
    case Qt::Key_Delete:
      if (mods == Qt::NoModifier && !readOnly_) {
        InvokeVerb(vbDelete);
        ClearSelection();
      }
      break;
    case Qt::Key_F2:
      if (!ctrl && !readOnly_ && current_ >= 0) EditCaption(current_);
      break;
    case Qt::Key_A:
      if (ctrl) SelectAll();
      break;
    case Qt::Key_C:
      if (ctrl) InvokeVerb(vbCopy);
      break;
    case Qt::Key_X:
      if (ctrl && !readOnly_) InvokeVerb(vbCut);
      break;
    case Qt::Key_V:
      if (ctrl && !readOnly_) {
        if (viewMode_ == TViewMode::ivmFile) PasteFiles();
        else InvokeVerb(vbPaste);
      }
      break;
    case Qt::Key_I:
      if (ctrl) InvertSelection();
      break;
    default:
      QWidget::keyPressEvent(e);
      return;
  }
  e->accept();
}

void TImgPanel::keyReleaseEvent(QKeyEvent* e) {
  if (OnKeyUp) OnKeyUp(this, e);
  QWidget::keyReleaseEvent(e);
}

int TImgPanel::ItemAtPos(QPoint pos) const {
  const QPoint p = pos - clientArea().topLeft();
  const int index =
      HitTestCell(metrics_, grid_, iconSpacing_.X, iconSpacing_.Y, top_, Count(), p.x(), p.y());
  if (index < 0) return -1;
  if (showCaptions_) {
    const QRect cap = CaptionRect(index);
    if (p.y() > cap.top() && !cap.contains(p)) return -1;
  }
  return index;
}

void TImgPanel::mousePressEvent(QMouseEvent* e) {
  setFocus(Qt::MouseFocusReason);
  const QPoint pos = e->position().toPoint();
  const int hit = ItemAtPos(pos);
  dragArmed_ = false;
  if (e->button() == Qt::LeftButton) {
    CancelRenameClick();
    if (hit < 0) {
      ClearSelection();
      return;
    }
    TPanelItem* item = Item(hit);
    const bool wasSelected = item->Selected;
    const Qt::KeyboardModifiers mods =
        multiSelect_ ? e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier) : Qt::NoModifier;
    SelectItem(hit, mods, false);
    if (defaultExec_.DropSource && item->Selected) {
      dragArmed_ = true;
      dragButton_ = Qt::LeftButton;
      dragPoint_ = pos;
    }
    if (wasSelected && (e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0) {
      if (item->SkipRenameClick) {
        item->SkipRenameClick = false;
      } else {
        ArmRenameClick(pos - clientArea().topLeft());
      }
    }
  } else if (e->button() == Qt::RightButton) {
    if (hit < 0) {
      ClearSelection();
      return;
    }
    if (!Item(hit)->Selected) SelectItem(hit, Qt::NoModifier, false);
    if (defaultExec_.DropSource) {
      dragArmed_ = true;
      dragButton_ = Qt::RightButton;
      dragPoint_ = pos;
    }
  }
}

void TImgPanel::mouseMoveEvent(QMouseEvent* e) {
  if (!dragArmed_) return;
  const QPoint pos = e->position().toPoint();
  if (!(e->buttons() & dragButton_) || pos == dragPoint_) return;
  dragArmed_ = false;
  BeginDrag(dragButton_);
}

void TImgPanel::mouseReleaseEvent(QMouseEvent* e) {
  dragArmed_ = false;
  if (e->button() == Qt::LeftButton && OnClick) OnClick(this);
}

void TImgPanel::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  CancelRenameClick();
  if (defaultExec_.DblClick) openCurrent();
  if (OnDblClick) OnDblClick(this);
}

void TImgPanel::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  redrawSelectionAndFocus();
}

void TImgPanel::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  CancelRenameClick();
  for (int i : selection_) Item(i)->SkipRenameClick = true;
  redrawSelectionAndFocus();
}

void TImgPanel::contextMenuEvent(QContextMenuEvent* e) { ShowContextMenu(e->globalPos()); }

void TImgPanel::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::FontChange) {
    metricsRead_ = false;
    layoutPanel();
    listAgain();
  }
}

void TImgPanel::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!opened_ && !folderId_ && viewMode_ == TViewMode::ivmFolder) {
    TIdListPtr desktop(IdListFromPath("/"));
    SetFolderId(desktop.get());
  }
}

// ---------------------------------------------------------------- thumbnails

bool TImgPanel::isImage(int index) { return typeTest_ && items_.IsImage(index); }

std::vector<int> TImgPanel::VisibleFirstIds() const {
  std::vector<int> out;
  auto& self = const_cast<TImgPanel&>(*this);
  auto wanted = [&](int i) {
    const TPanelItem* it = Item(i);
    return !it->Loaded && it->ThumbIndex < 0 && self.isImage(i);
  };
  const int first = std::max(top_, 0), last = std::min(Count(), first + grid_.perPage());
  for (int i = first; i < last; ++i)
    if (wanted(i)) out.push_back(Item(i)->Id);
  for (int i = 0; i < Count(); ++i)
    if ((i < first || i >= last) && wanted(i)) out.push_back(Item(i)->Id);
  return out;
}

int TImgPanel::StoreThumbnail(TPanelItem* item, const graphics::TBitmap& picture, int sourceWidth, int sourceHeight) {
  const int index = items_.IndexOf(item);
  const bool shown = index >= std::max(top_, 0) && index < std::max(top_, 0) + grid_.perPage();
  if (!shown && !thumbs_.HasRoom()) return -1;
  const int W = thumbs_.CellWidth(), H = thumbs_.CellHeight();
  QImage cell(W, H, QImage::Format_RGB32);
  cell.fill(color_);
  if (!picture.Empty()) {
    const QImage src = picture.AsQImage();
    const QSize fit = TImgUtil::FitRect(src.width(), src.height(), W, H).size();
    // Centred by its fitted size and cropped to the cell, never scaled here.
    QPainter p(&cell);
    p.drawImage((W - fit.width()) / 2, (H - fit.height()) / 2, src);
  }
  const TSmallIcon& mark = viewImage_.SmallIcon;
  if (mark.IconPos != TIconPosition::iipNone && index >= 0 && isImage(index))
    DrawSmallIconMark(cell, systemIcon(item).pixmap(16, 16).toImage(), mark.IconPos, mark.Space);
  item->ThumbIndex = thumbs_.Add(graphics::TBitmap::FromQImage(cell), item->Id, shown);
  item->Loaded = item->ThumbIndex >= 0;
  item->ImageWidth = sourceWidth;
  item->ImageHeight = sourceHeight;
  if (index >= 0 && item->Loaded) DrawItem(index);
  return item->ThumbIndex;
}

int TImgPanel::StoreThumbnail(int id, const graphics::TBitmap& picture, int sourceWidth, int sourceHeight) {
  const int index = items_.IndexOfId(id);
  return index < 0 ? -1 : StoreThumbnail(Item(index), picture, sourceWidth, sourceHeight);
}

QSize TImgPanel::ThumbBox() const {
  auto scaled = [&](int n) { return std::max(1, int(std::ceil(n * thumbScale_ - 0.001))); };
  return {scaled(viewImage_.ImageWidth), scaled(viewImage_.ImageHeight)};
}

void TImgPanel::clearThumbStore() {
  thumbs_.Clear();
  thumbs_.SetCellSize(ThumbBox().width(), ThumbBox().height());
  thumbs_.SetBkColor(color_);
  for (int i = 0; i < Count(); ++i) Item(i)->ThumbIndex = -1;
}

void TImgPanel::SetLookAhead(bool on) {
  if (on == viewImage_.LookAhead) return;
  viewImage_.LookAhead = on;
  if (loader_) {
    loader_->ClearQueue();
    // In list order, as a listing queues them; ShowPage then moves the page behind.
    if (on)
      for (int i = 0; i < Count(); ++i)
        if (!Item(i)->IsFolder && !Item(i)->Loaded) loader_->AddBatch(Item(i)->Id, false);
  }
  ShowPage(std::max(top_, 0));
  if (loader_) loader_->Restart();
}

void TImgPanel::ClearThumbnails() {
  clearThumbStore();
  for (int i = 0; i < Count(); ++i) Item(i)->Loaded = false;
  ShowPage(top_);
}

void TImgPanel::ThumbnailDone(TThumbDoneEvent& e) {
  const int index = items_.IndexOfId(e.Id);
  if (index >= 0) {
    TPanelItem* item = Item(index);
    if (e.Result == 0 && item->Loaded && item->ThumbIndex >= 0) {
      // A second thumbnail of an entry that has one: nothing to change.
    } else if (e.Result == 0 && !item->Loaded && !e.Picture.Empty()) {
      if (StoreThumbnail(item, e.Picture, e.SourceWidth, e.SourceHeight) < 0 && !e.Cached && loader_)
        loader_->ClearQueue();  // the store is full and nothing keeps what the look-ahead makes
    } else {
      item->MarkNotImage();
      if (!item->Loaded) prepareEntry(index);  // now drawn with its icon
    }
    if (OnImageLoaded) OnImageLoaded(this, item);
  }
  if (loader_) loader_->JobDone();
  if (index >= 0) DrawItem(index);
}

bool TImgPanel::event(QEvent* e) {
  if (e->type() == TThumbDoneEvent::EventType()) {
    ThumbnailDone(*static_cast<TThumbDoneEvent*>(e));
    return true;
  }
  return QWidget::event(e);
}

}  // namespace catalog
