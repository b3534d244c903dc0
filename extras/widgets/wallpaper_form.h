#pragma once
// The wallpaper dialog: where the picture goes on the desktop, apply and remove.
#include <QDialog>
#include <QSize>
#include <functional>

#include "extras/wallpaper.h"
#include "graphics/bitmap.h"

class QPushButton;

namespace platform {
class TRadioGroup;
}

namespace extras {

class TWallPaperForm : public QDialog {
  Q_OBJECT
 public:
  TWallPaperForm(graphics::TBitmap picture, QWidget* parent = nullptr);

  platform::TRadioGroup* rgAD;
  platform::TRadioGroup* rgPosition;
  QPushButton* btnWallChange;
  QPushButton* btnWallFree;
  QPushButton* btnClose;

  // What the desktop services are; tests replace them.
  TDesktop Desktop = CurrentDesktop();
  TCommandRunner Runner = SystemCommandRunner();
  std::function<QSize()> ScreenSize;
  std::function<void(const QString& text)> InformationBox;

  void btnWallChangeClick();
  void btnWallFreeClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Report(TDesktopResult result, bool removing);
  graphics::TBitmap picture_;
};

}  // namespace extras
