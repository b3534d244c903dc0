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
  THintFilter(QLabel* panel, QObject* parent) : QObject(parent), panel_(panel) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::StatusTip) return false;
    if (panel_) panel_->setText(LongHint(static_cast<QStatusTipEvent*>(event)->tip()));
    return true;  // never the status bar's message, which would hide the panels
  }

 private:
  QPointer<QLabel> panel_;
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

void ShowHintsIn(QWidget* window, QLabel* panel) { window->installEventFilter(new THintFilter(panel, window)); }

}  // namespace platform
