#include "app/widgets/history_menu.h"

#include <QAction>
#include <QMenu>

#include "platform/settings.h"

namespace app {

namespace {
// A "&" in a path is shown as itself, not as an access-key mark.
QString Escaped(const QString& caption) {
  const qsizetype blank = caption.indexOf(u' ');
  if (blank < 0) return caption;
  QString path = caption.mid(blank + 1);
  return caption.left(blank + 1) + path.replace(u'&', QStringLiteral("&&"));
}
}  // namespace

THistoryMenu::THistoryMenu(QMenu* menu, QObject* parent, const QString& settingsFile)
    : QObject(parent), menu_(menu), settingsFile_(settingsFile) {
  setObjectName(QStringLiteral("HistoryMenu1"));
  SetActive(true);
}

THistoryMenu::~THistoryMenu() {
  if (list_.Active()) list_.Save(settingsFile_.isEmpty() ? settings::TIniFile() : settings::TIniFile(settingsFile_));
}

void THistoryMenu::SetActive(bool active) {
  if (active == list_.Active()) return;
  list_.SetActive(active, settingsFile_.isEmpty() ? settings::TIniFile() : settings::TIniFile(settingsFile_));
  Rebuild();
}

void THistoryMenu::Add(const QString& path) {
  list_.Add(path);
  Rebuild();
}

void THistoryMenu::Choose(int index) {
  if (index < 0 || index >= list_.Count()) return;
  const QString path = THistoryList::PathFromCaption(list_.Caption(index));
  emit HistorySelected(path);
  Add(path);
}

void THistoryMenu::Rebuild() {
  if (!menu_) return;
  // The chosen item may be the one being triggered: let it go later, not now.
  for (QAction* a : menu_->actions()) {
    menu_->removeAction(a);
    a->deleteLater();
  }
  if (!list_.Active()) return;
  for (int i = 0; i < list_.Count(); ++i) {
    QAction* a = menu_->addAction(Escaped(list_.Caption(i)));
    a->setStatusTip(QStringLiteral(" | "));
    connect(a, &QAction::triggered, this, [this, i] { Choose(i); });
  }
}

}  // namespace app
