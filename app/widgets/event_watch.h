#pragma once
// Calls a function whenever the watched widget receives an event of one type (a resize, a
// double click …), without subclassing the widget. Owned by the widget it watches.
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <functional>

namespace app {

class TEventWatch : public QObject {
 public:
  TEventWatch(QWidget* watched, QEvent::Type type, std::function<void()> fn)
      : QObject(watched), type_(type), fn_(std::move(fn)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == type_) fn_();
    return false;
  }

 private:
  QEvent::Type type_;
  std::function<void()> fn_;
};

}  // namespace app
