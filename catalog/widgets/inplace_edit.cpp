#include "catalog/widgets/inplace_edit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

namespace catalog {

namespace {
QString WithoutControls(QString s) {
  s.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::LineSeparator || c == QChar::ParagraphSeparator; });
  return s;
}
}  // namespace

TImgInplaceEdit::TImgInplaceEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("ImgInplaceEdit"));
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setTabChangesFocus(false);
  setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  document()->setDocumentMargin(2);
  hide();
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (isVisible()) resizeToText();
  });
}

QString TImgInplaceEdit::Text() const { return WithoutControls(toPlainText()); }

void TImgInplaceEdit::Begin(int index, const QString& text, QRect caption, int maxWidth, int maxBottom) {
  index_ = index;
  finished_ = false;
  caption_ = caption;
  maxWidth_ = std::max(maxWidth, 8);
  maxBottom_ = maxBottom;
  setFont(parentWidget()->font());
  setPlainText(text);
  setGeometry(caption.left(), caption.top(), caption.width(), caption.height());
  resizeToText();
  selectAll();
  document()->setModified(false);
  show();
  raise();
  setFocus(Qt::OtherFocusReason);
}

void TImgInplaceEdit::resizeToText() {
  const QFontMetrics fm(font());
  // Word break within the cell, as the caption would wrap.
  const QRect measured = fm.boundingRect(QRect(0, 0, maxWidth_, 1 << 20),
                                         Qt::TextWordWrap | Qt::TextWrapAnywhere | Qt::AlignLeft, toPlainText() + ' ');
  const int w = std::min(measured.width(), maxWidth_) + 8;
  const int top = caption_.top();
  const int h = std::max(std::min(measured.height() + 4, maxBottom_ - top), fm.height());
  int left = geometry().left();
  if (w != width()) left = caption_.center().x() - w / 2;
  setGeometry(left, top, w, h);
  verticalScrollBar()->setValue(0);
}

void TImgInplaceEdit::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: e->accept(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      e->accept();
      finish(true);
      if (OnDone) OnDone();
      return;
    case Qt::Key_Escape:
      e->accept();
      finish(false);
      if (OnDone) OnDone();
      return;
    default: QPlainTextEdit::keyPressEvent(e);
  }
}

void TImgInplaceEdit::focusOutEvent(QFocusEvent* e) {
  QPlainTextEdit::focusOutEvent(e);
  // A context menu of the editor itself takes the focus for a moment only.
  if (e->reason() == Qt::PopupFocusReason) return;
  if (!finished_) finish(true);
}

void TImgInplaceEdit::insertFromMimeData(const QMimeData* source) {
  if (source && source->hasText()) insertPlainText(WithoutControls(source->text()));
}

void TImgInplaceEdit::Cancel() {
  if (finished_ && !isVisible()) return;
  finish(false);
}

void TImgInplaceEdit::finish(bool commit) {
  if (finished_) {
    hide();
    return;
  }
  finished_ = true;
  const bool modified = document()->isModified();
  const QString text = Text();
  hide();
  if (commit && modified && OnCommit) OnCommit(index_, text);
  if (OnEnded) OnEnded();
}

}  // namespace catalog
