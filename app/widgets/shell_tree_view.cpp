#include "app/widgets/shell_tree_view.h"

#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QScrollBar>
#include <QScopedValueRollback>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "platform/path_bytes.h"
#include "platform/shell.h"

namespace app {

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kPopulatedRole = Qt::UserRole + 1;

QString ChildPath(const QString& folder, const QString& name) {
  return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString ItemPath(const QTreeWidgetItem* item) { return item ? item->data(0, kPathRole).toString() : QString(); }

QString Normalised(const QString& path) {
  if (path.isEmpty() || !path.startsWith(u'/')) return {};
  return QDir::cleanPath(path);
}

// By the folder's own bytes: Qt would lose a name that is not UTF-8.
QString CanonicalPath(const QTreeWidgetItem* item) {
  char* real = ::realpath(platform::PathBytes(ItemPath(item)).constData(), nullptr);
  if (!real) return {};
  const QString out = platform::PathFromBytes(QByteArray(real));
  std::free(real);
  return out;
}

bool IsFolder(const QString& path) { return platform::KindOfPath(path) == platform::PathKind::Folder; }

// A link back to a folder above keeps its node but shows no children, so that a link
// cycle cannot make the tree endless.
bool LoopsBack(const QTreeWidgetItem* item) {
  const QString self = CanonicalPath(item);
  if (self.isEmpty()) return false;
  for (const QTreeWidgetItem* p = item->parent(); p; p = p->parent())
    if (CanonicalPath(p) == self) return true;
  return false;
}

// Visible subfolders, links to folders among them, in natural, case-insensitive order, by
// their own bytes.
QStringList SubFolders(const QString& folder) {
  std::vector<QByteArray> names;
  if (DIR* d = ::opendir(platform::PathBytes(folder).constData())) {
    const QByteArray base = platform::PathBytes(folder.endsWith(u'/') ? folder : folder + u'/');
    while (const dirent* e = ::readdir(d)) {
      const QByteArray name(e->d_name);
      if (name.startsWith('.')) continue;
      struct stat st {};
      if (::stat((base + name).constData(), &st) == 0 && S_ISDIR(st.st_mode)) names.push_back(name);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end(), [](const QByteArray& x, const QByteArray& y) {
    const int c = platform::shell::CompareNamesNatural({x.constData(), size_t(x.size())},
                                                       {y.constData(), size_t(y.size())});
    return c != 0 ? c < 0 : x < y;
  });
  QStringList out;
  for (const QByteArray& n : names) out << platform::PathFromBytes(n);
  return out;
}
}  // namespace

TShellTreeView::TShellTreeView(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("ShellTreeView1"));
  setHeaderHidden(true);
  setColumnCount(1);
  setIndentation(19);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

  QTreeWidgetItem* root = MakeNode(nullptr, QStringLiteral("/"), 0);
  Populate(root);
  root->setExpanded(true);
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Populate(item); });
  // Re-read a folder's children each time it is opened, so new and deleted folders show.
  connect(this, &QTreeWidget::itemCollapsed, this,
          [](QTreeWidgetItem* item) { item->setData(0, kPopulatedRole, false); });
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentChanged(current); });

  // The home folder is reachable at once: its path is opened (not selected).
  if (QTreeWidgetItem* home = NodeFor(QDir::homePath(), true))
    for (QTreeWidgetItem* p = home->parent(); p; p = p->parent()) p->setExpanded(true);
}

QString TShellTreeView::DisplayText(const QString& path) {
  if (path == QStringLiteral("/")) return path;
  return platform::DisplayName(path.mid(path.lastIndexOf(u'/') + 1));
}

QIcon TShellTreeView::FolderIcon() const {
  static const QIcon icon = QFileIconProvider().icon(QFileIconProvider::Folder);
  return icon;
}

QTreeWidgetItem* TShellTreeView::MakeNode(QTreeWidgetItem* parent, const QString& path, int index) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, DisplayText(path));
  item->setIcon(0, FolderIcon());
  item->setData(0, kPathRole, path);
  item->setData(0, kPopulatedRole, false);
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  if (parent)
    parent->insertChild(index, item);
  else
    insertTopLevelItem(index, item);
  return item;
}

void TShellTreeView::Populate(QTreeWidgetItem* item) {
  if (!item || item->data(0, kPopulatedRole).toBool()) return;
  item->setData(0, kPopulatedRole, true);
  const QString folder = ItemPath(item);
  // Nodes of folders that are gone leave the tree and the back/forward lists.
  for (int j = item->childCount() - 1; j >= 0; --j) {
    const QString path = ItemPath(item->child(j));
    if (IsFolder(path)) continue;
    nav_.RemoveFolder(path);
    delete item->child(j);
  }
  // The rest are in the same order as the listing, so new folders go in between.
  int pos = 0;
  const QStringList names = LoopsBack(item) ? QStringList() : SubFolders(folder);
  for (const QString& name : names) {
    const QString path = ChildPath(folder, name);
    int found = -1;
    for (int j = pos; j < item->childCount() && found < 0; ++j)
      if (ItemPath(item->child(j)) == path) found = j;
    if (found >= 0) {
      pos = found + 1;
    } else {
      MakeNode(item, path, pos);
      ++pos;
    }
  }
  item->setChildIndicatorPolicy(item->childCount() == 0 ? QTreeWidgetItem::DontShowIndicator
                                                        : QTreeWidgetItem::ShowIndicator);
}

QTreeWidgetItem* TShellTreeView::NodeFor(const QString& rawPath, bool create) {
  const QString path = Normalised(rawPath);
  if (path.isEmpty() || topLevelItemCount() == 0) return nullptr;
  QTreeWidgetItem* node = topLevelItem(0);
  if (path == QStringLiteral("/")) return node;
  QString sofar = QStringLiteral("/");
  for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
    sofar = ChildPath(sofar, part);
    if (create) Populate(node);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < node->childCount() && !next; ++i)
      if (ItemPath(node->child(i)) == sofar) next = node->child(i);
    if (!next) {
      // Hidden folders are not listed but can still be opened by path.
      if (!create || !IsFolder(sofar)) return nullptr;
      next = MakeNode(node, sofar, node->childCount());
    }
    node = next;
  }
  return node;
}

QString TShellTreeView::SelectedPath() const { return ItemPath(currentItem()); }

bool TShellTreeView::SelectPath(const QString& rawPath) {
  const QString path = Normalised(rawPath);
  if (path.isEmpty()) return false;
  if (!IsFolder(path)) {
    if (QTreeWidgetItem* stale = NodeFor(path, false)) {
      if (stale->parent()) {
        nav_.RemoveFolder(path);
        if (stale != currentItem()) delete stale;
      }
    }
    return false;
  }
  QTreeWidgetItem* node = NodeFor(path, true);
  if (!node) return false;
  for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) p->setExpanded(true);
  setCurrentItem(node);
  return true;
}

bool TShellTreeView::AtFirstTopLevel() const {
  return currentItem() && currentItem() == topLevelItem(0);
}

bool TShellTreeView::SelectParent() {
  QTreeWidgetItem* cur = currentItem();
  if (!cur || !cur->parent()) return false;
  setCurrentItem(cur->parent());
  return true;
}

void TShellTreeView::focusInEvent(QFocusEvent* e) {
  // The item view would make the first node current on focus, which is a folder change
  // the user never asked for.
  if (!currentItem()) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
    return;
  }
  QTreeWidget::focusInEvent(e);
}

void TShellTreeView::ScrollToSelected() {
  if (!currentItem()) return;
  scrollToItem(currentItem(), QAbstractItemView::PositionAtCenter);
  horizontalScrollBar()->setValue(0);  // names start at the left edge
}

void TShellTreeView::OnCurrentChanged(QTreeWidgetItem* current) {
  const QString path = ItemPath(current);
  if (path == selected_) return;
  if (!stepping_) nav_.NewChoice(selected_);
  selected_ = path;
  if (!path.isEmpty()) emit Change(path);
}

void TShellTreeView::PruneHistory() {
  nav_.Prune([](const QString& p) { return IsFolder(p); });
}

bool TShellTreeView::Step(bool back, int n) {
  PruneHistory();
  const auto target = back ? nav_.Back(n, selected_) : nav_.Forward(n, selected_);
  if (!target) return false;
  {
    QScopedValueRollback<bool> guard(stepping_, true);
    SelectPath(*target);
  }
  return back ? nav_.CanGoBack() : nav_.CanGoForward();
}

bool TShellTreeView::GoBack(int n) { return Step(true, n); }
bool TShellTreeView::GoForward(int n) { return Step(false, n); }

}  // namespace app
