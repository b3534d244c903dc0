#include "extras/widgets/splash_form.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/widgets/centre_on_screen.h"

namespace extras {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  plSplash = new QFrame(this);
  plSplash->setFrameStyle(QFrame::Box | QFrame::Plain);
  plSplash->setAutoFillBackground(true);
  QPalette p = plSplash->palette();
  p.setColor(QPalette::Window, Qt::white);
  p.setColor(QPalette::WindowText, Qt::black);
  plSplash->setPalette(p);

  Label1 = new QLabel(QStringLiteral("Loading please wait !"), plSplash);
  Label2 = new QLabel(QStringLiteral("QIVO2  "), plSplash);
  QFont big = Label2->font();
  big.setPointSize(big.pointSize() * 2);
  big.setBold(true);
  Label2->setFont(big);
  Label3 = new QLabel(QStringLiteral("Image browser for Linux"), plSplash);

  auto* inner = new QVBoxLayout(plSplash);
  inner->setContentsMargins(24, 16, 24, 16);
  inner->addWidget(Label2, 0, Qt::AlignCenter);
  inner->addWidget(Label3, 0, Qt::AlignCenter);
  inner->addSpacing(8);
  inner->addWidget(Label1, 0, Qt::AlignCenter);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(plSplash);
  resize(sizeHint());
}

void TSplashForm::ShowNow() {
  adjustSize();
  platform::CentreOnScreen(this);
  show();
  repaint();
  QCoreApplication::processEvents();
}

}  // namespace extras
