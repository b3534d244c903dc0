#pragma once
// Small controls every layer's windows share: a titled group of radio buttons with an item index,
// and a framed colour sample that reports clicks.
#include <QFrame>
#include <QGroupBox>
#include <QSpinBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace platform {

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent = nullptr);

  // -1 when no item is chosen. Setting an index outside the items clamps to -1 or the last.
  int ItemIndex() const;
  void SetItemIndex(int index);
  int Count() const;
  QRadioButton* Item(int index) const;

 signals:
  // The user or SetItemIndex chose an item.
  void Click();

 private:
  QButtonGroup* group_;
};

class TColorPanel : public QFrame {
  Q_OBJECT
 public:
  explicit TColorPanel(QWidget* parent = nullptr);
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);

 signals:
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  QColor color_;
};

// A spin box whose text may hold any number while typing; the arrows and leaving the field
// keep it within MinValue..MaxValue, and Value() reads it so bounded.
class TSpinEdit : public QSpinBox {
  Q_OBJECT
 public:
  explicit TSpinEdit(QWidget* parent = nullptr);
  void SetLimits(int minValue, int maxValue);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  // The typed number bounded to the limits (MinValue when the text is no number).
  int Value() const;
  // The number as typed, unbounded (MinValue when the text is no number).
  int TypedValue() const;
  void SetValue(int v) { setValue(qBound(min_, v, max_)); }

  void stepBy(int steps) override;

 protected:
  void focusOutEvent(QFocusEvent* e) override;

 private:
  int min_ = 0;
  int max_ = 100;
};

}  // namespace platform
