#pragma once
// The folder history behind HistoryMenu1: newest first, no duplicates, at most HistoryNum
// entries, kept in the settings file's [History] section while the component is active.
#include <QString>
#include <QStringList>

namespace settings {
class TIniFile;
}

namespace app {

class THistoryList {
 public:
  static constexpr int HistoryNum = 8;

  const QStringList& Items() const { return items_; }
  int Count() const { return int(items_.size()); }

  // A listed path moves to the top; a new one is inserted there and the list is cut to
  // HistoryNum entries.
  void Add(const QString& path);
  void Clear() { items_.clear(); }
  // Drops a path (a folder that no longer exists), keeping the order of the rest.
  void Remove(const QString& path);

  // "&" + position + " " + path: the first eight entries get the access keys 0 to 7.
  QString Caption(int index) const;
  // The path of a caption made by Caption(): the text after the number and the blank.
  static QString PathFromCaption(const QString& caption);

  // Count and H0..H(Count-1), top first. Older H keys beyond Count stay in the file.
  void Save(const settings::TIniFile& ini) const;
  // Empties the list and adds H(Count-1) down to H0, so the saved order comes back.
  void Load(const settings::TIniFile& ini);

  // Active from creation; activating loads, deactivating saves.
  bool Active() const { return active_; }
  void SetActive(bool active, const settings::TIniFile& ini);

  QString SectionName = QStringLiteral("History");

 private:
  QStringList items_;
  bool active_ = false;
};

}  // namespace app
