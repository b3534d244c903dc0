#pragma once
// Centres a window on its screen (the whole screen, as the forms' "screen centre" position
// means), or the primary one before it has a screen.
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

}  // namespace platform
