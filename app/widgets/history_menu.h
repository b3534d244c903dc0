#pragma once
// HistoryMenu1: fills a submenu with the folder history, one item per entry ("&0 path"),
// and reports the chosen path. Active from creation (loads the history from the settings
// file); deactivating and destroying while active save it.
#include <QObject>
#include <QPointer>

#include "app/history.h"

#include <QMenu>

namespace app {

class THistoryMenu : public QObject {
  Q_OBJECT

 public:
  // menu: the submenu to fill (History1). settingsFile: empty for the program's file.
  explicit THistoryMenu(QMenu* menu, QObject* parent = nullptr, const QString& settingsFile = {});
  ~THistoryMenu() override;

  bool Active() const { return list_.Active(); }
  void SetActive(bool active);
  // Adds a folder at the top (or moves it there) and rebuilds the submenu.
  void Add(const QString& path);
  const THistoryList& List() const { return list_; }
  QMenu* Menu() const { return menu_; }
  // Runs the item at position index as if chosen from the menu.
  void Choose(int index);

 signals:
  void HistorySelected(const QString& path);

 private:
  void Rebuild();
  QPointer<QMenu> menu_;
  QString settingsFile_;
  THistoryList list_;
};

}  // namespace app
