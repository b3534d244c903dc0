#pragma once
// The splash window shown while the main window is created.
#include <QWidget>

class QFrame;
class QLabel;

namespace extras {

class TSplashForm : public QWidget {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);

  // Shows the window centred on the screen and paints it at once.
  void ShowNow();

  QFrame* plSplash;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
};

}  // namespace extras
