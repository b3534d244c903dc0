#pragma once
// The version window.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace extras {

class TFAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFAbout(QWidget* parent = nullptr);

  QFrame* Panel1;
  QLabel* Label1;  // product
  QLabel* Label6;  // version
  QFrame* Bevel1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QPushButton* plOK;  // a flat white panel that closes the window

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace extras
