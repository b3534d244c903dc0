#include "edit/widgets/spin_edit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace edit {

TSpinEdit::TSpinEdit(QWidget* parent, int minValue, int maxValue, int value)
    : QWidget(parent), edit_(new QLineEdit(this)), up_(new QToolButton(this)), down_(new QToolButton(this)),
      min_(minValue), max_(maxValue) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(0);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setFixedSize(16, 11);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    buttons->addWidget(b);
  }
  row->addWidget(edit_, 1);
  row->addLayout(buttons);
  connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
  edit_->installEventFilter(this);
  edit_->setMaxLength(10);
  setFocusProxy(edit_);
  SetValue(value);
}

int TSpinEdit::Value() const {
  bool ok = false;
  const int v = edit_->text().trimmed().toInt(&ok);
  return ok ? v : min_;
}

void TSpinEdit::SetValue(int value) { edit_->setText(QString::number(value)); }

bool TSpinEdit::InRange() const {
  const int v = Value();
  return v >= min_ && v <= max_;
}

void TSpinEdit::Clamp() {
  const int v = std::clamp(Value(), min_, max_);
  if (edit_->text() != QString::number(v)) SetValue(v);
}

void TSpinEdit::Step(int delta) {
  if (!isEnabled()) return;
  SetValue(std::clamp(Value() + delta, min_, max_));
}

bool TSpinEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    if (event->type() == QEvent::FocusOut) {
      Clamp();
    } else if (event->type() == QEvent::ShortcutOverride &&
               static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo)) {
      // Undo is the window's (the editor's "undo all"); with no such shortcut the key still
      // reaches the text as its own undo.
      event->ignore();
      return true;
    } else if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
      if (enter) {
        // The press must not reach the dialog's default button; the release is the command.
        if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat() && OnEnter) OnEnter();
        return true;
      }
      if (event->type() == QEvent::KeyPress && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        Step(key->key() == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TSpinEdit::wheelEvent(QWheelEvent* event) {
  const int dy = event->angleDelta().y();
  if (dy) Step(dy > 0 ? 1 : -1);
  event->accept();
}

void TSpinEdit::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    up_->setEnabled(isEnabled());
    down_->setEnabled(isEnabled());
  }
  QWidget::changeEvent(event);
}

}  // namespace edit
