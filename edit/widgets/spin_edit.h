#pragma once
// A spin edit as the settings and editor windows use it: free text that is read as a
// number (the minimum when it is not one), clamped into its range only when the control
// loses focus, so an out-of-range value can still be typed and refused on Enter.
// Up/Down keys, the wheel and the two small buttons step it by one within the range.
#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

namespace edit {

class TSpinEdit : public QWidget {
  Q_OBJECT
 public:
  TSpinEdit(QWidget* parent, int minValue, int maxValue, int value);

  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  // The number in the text, not yet clamped; the minimum when the text is not a number.
  int Value() const;
  void SetValue(int value);
  bool InRange() const;
  // What losing focus does: the value taken into the range.
  void Clamp();

  QLineEdit* Edit() const { return edit_; }
  // Key up of Enter (the handlers check and render there).
  std::function<void()> OnEnter;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Step(int delta);

  QLineEdit* edit_;
  QToolButton* up_;
  QToolButton* down_;
  int min_, max_;
};

}  // namespace edit
