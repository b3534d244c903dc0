#pragma once
// The folder tree's back and forward lists. The oldest entry is first, the newest last.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace app {

class TFolderNav {
 public:
  static constexpr int MaxBack = 9;

  const QStringList& BackList() const { return back_; }
  const QStringList& ForwardList() const { return forward_; }
  bool CanGoBack() const { return !back_.isEmpty(); }
  bool CanGoForward() const { return !forward_.isEmpty(); }

  // The user chose a different folder (not a history step): the folder left behind goes to
  // the back list, which keeps its newest MaxBack entries, and the forward list empties.
  void NewChoice(const QString& previous);

  // A step back to position n of the back list (n = -1: one step). Returns the folder to
  // select, or nothing when there is no such position. The lists are updated as if the
  // selection had already happened; `current` is the folder selected now (may be empty).
  std::optional<QString> Back(int n, const QString& current);
  std::optional<QString> Forward(int n, const QString& current);

  // A deleted folder leaves both lists (with everything below it).
  void RemoveFolder(const QString& path);
  // Drops every entry for which exists() answers false.
  void Prune(const std::function<bool(const QString&)>& exists);

 private:
  static std::optional<QString> Step(QStringList& from, QStringList& to, int n, const QString& current);
  QStringList back_;
  QStringList forward_;
};

}  // namespace app
