#include "platform/widgets/status_hints.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QStatusTipEvent>

namespace platform {

namespace {

class THintFilter : public QObject {
 public:
  THintFilter(std::function<void(const QString&)> show, QObject* parent) : QObject(parent), show_(std::move(show)) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::StatusTip) return false;
    show_(LongHint(static_cast<QStatusTipEvent*>(event)->tip()));
    return true;  // never the status bar's message, which would hide the panels
  }

 private:
  std::function<void(const QString&)> show_;
};

}  // namespace

QString ShortHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(u'|');
  return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(u'|');
  return bar < 0 ? hint : hint.mid(bar + 1);
}

void SetHint(QAction* action, const QString& hint) {
  action->setToolTip(ShortHint(hint));
  action->setStatusTip(LongHint(hint));
}

void ShowHintsIn(QWidget* window, QLabel* panel) {
  ShowHintsIn(window, [panel = QPointer<QLabel>(panel)](const QString& text) {
    if (panel) panel->setText(text);
  });
}

void ShowHintsIn(QWidget* window, std::function<void(const QString&)> show) {
  window->installEventFilter(new THintFilter(std::move(show), window));
}

}  // namespace platform
