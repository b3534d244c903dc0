#include "platform/widgets/option_controls.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalBlocker>

namespace platform {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  auto* grid = new QGridLayout(this);
  columns = qMax(1, columns);
  const int rows = (int(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    group_->addButton(b, i);
    grid->addWidget(b, i % rows, i / rows);
  }
  // Toggled, not clicked: a screen reader's "toggle" changes the choice without a click.
  connect(group_, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) emit Click();
  });
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

int TRadioGroup::Count() const { return int(group_->buttons().size()); }

QRadioButton* TRadioGroup::Item(int index) const {
  return qobject_cast<QRadioButton*>(group_->button(index));
}

void TRadioGroup::SetItemIndex(int index) {
  index = qBound(-1, index, Count() - 1);
  const QSignalBlocker once(group_);  // one Click, below
  if (index < 0) {
    if (QAbstractButton* b = group_->checkedButton()) {
      group_->setExclusive(false);
      b->setChecked(false);
      group_->setExclusive(true);
    }
  } else {
    group_->button(index)->setChecked(true);
  }
  emit Click();
}

TColorPanel::TColorPanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAutoFillBackground(true);
  setCursor(Qt::PointingHandCursor);
}

void TColorPanel::SetColor(const QColor& color) {
  color_ = color;
  QPalette p = palette();
  p.setColor(QPalette::Window, color);
  setPalette(p);
}

void TColorPanel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit Clicked();
}

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {
  setRange(-9999999, 99999999);
}

void TSpinEdit::SetLimits(int minValue, int maxValue) {
  min_ = minValue;
  max_ = maxValue;
}

int TSpinEdit::TypedValue() const {
  bool ok = false;
  const int v = cleanText().toInt(&ok);
  return ok ? v : min_;
}

int TSpinEdit::Value() const { return qBound(min_, TypedValue(), max_); }

void TSpinEdit::stepBy(int steps) {
  const qint64 next = qint64(Value()) + qint64(steps) * singleStep();
  setValue(int(qBound(qint64(min_), next, qint64(max_))));
  selectAll();
}

void TSpinEdit::focusOutEvent(QFocusEvent* e) {
  QSpinBox::focusOutEvent(e);
  setValue(Value());
}

}  // namespace platform
