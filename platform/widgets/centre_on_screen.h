#pragma once
// Centres a window on its screen (the whole screen, as the forms' "screen centre" position
// means), or the primary one before it has a screen.
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {

inline void CentreOnScreen(QWidget* window) {
  const QScreen* s = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  QRect r = window->frameGeometry();
  r.moveCenter(s->geometry().center());
  window->move(r.topLeft());
}

// Centres the window every time it is shown: a dialog with an owner would otherwise open
// over its owner.
inline void CentreOnScreenWhenShown(QWidget* window) {
  struct TCentre : QObject {
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Show && watched == parent()) CentreOnScreen(static_cast<QWidget*>(watched));
      return false;
    }
  };
  window->installEventFilter(new TCentre(window));
}

}  // namespace platform
