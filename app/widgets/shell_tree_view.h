#pragma once
// ShellTreeView1: the folder tree of the namespace. One top-level node, the root "/", with
// the path down to the home folder opened at start; folders and links to folders (hidden
// ones left out), children read when a node is first expanded and brought up to date on
// every expansion. A link back to a folder above it shows no children.
// It keeps the back/forward lists of the folders the user chose.
#include <QTreeWidget>

#include "app/nav.h"

namespace app {

class TShellTreeView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TShellTreeView(QWidget* parent = nullptr);

  // The selected folder's path, "" when nothing is selected.
  QString SelectedPath() const;
  // Selects an existing folder, opening the nodes above it. False (nothing changes) when
  // the path is not a folder; a node left for a deleted folder is removed then.
  bool SelectPath(const QString& path);
  // Whether the selection is the first top-level node (the root).
  bool AtFirstTopLevel() const;
  // Selects the parent of the selected node; false at a top-level node.
  bool SelectParent();
  void ScrollToSelected();

  // Back/forward steps (n = -1: one step; otherwise a position of the list). The result is
  // whether the list stepped from still holds entries.
  bool GoBack(int n = -1);
  bool GoForward(int n = -1);
  const TFolderNav& Nav() const { return nav_; }
  // Drops folders that no longer exist from the back and forward lists.
  void PruneHistory();

  // Display text and icon of a folder as the tree shows them.
  static QString DisplayText(const QString& path);
  QIcon FolderIcon() const;

 signals:
  // The selected folder changed (every change: user, start-up, history, back/forward, up).
  void Change(const QString& path);

 protected:
  void focusInEvent(QFocusEvent* e) override;

 private:
  QTreeWidgetItem* NodeFor(const QString& path, bool create);
  QTreeWidgetItem* MakeNode(QTreeWidgetItem* parent, const QString& path, int index);
  void Populate(QTreeWidgetItem* item);
  void OnCurrentChanged(QTreeWidgetItem* current);
  bool Step(bool back, int n);

  TFolderNav nav_;
  QString selected_;
  bool stepping_ = false;
};

}  // namespace app
