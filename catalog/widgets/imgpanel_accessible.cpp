#include "catalog/widgets/imgpanel_accessible.h"

#include <QAccessibleWidget>
#include <QPointer>

#include "catalog/widgets/imgpanel.h"

namespace catalog {

namespace {

class TImgPanelItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  TImgPanelItemAccessible(TImgPanel* panel, int index) : panel_(panel), index_(index) {}

  bool isValid() const override { return panel_ && index_ >= 0 && index_ < panel_->Count(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return panel_ ? panel_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(panel_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override { return QAccessible::ListItem; }

  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name) return {};
    return panel_->Item(index_)->GetDisplayName();
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!isValid()) return {};
    const QRect cell = panel_->CellRect(index_);
    return cell.isEmpty() ? QRect() : QRect(panel_->mapToGlobal(cell.topLeft()), cell.size());
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.selectable = s.focusable = true;
    s.multiSelectable = panel_->MultiSelect();
    s.selected = panel_->Item(index_)->Selected;
    s.focused = panel_->hasFocus() && panel_->FocusIndex() == index_;
    s.invisible = s.offscreen = panel_->CellRect(index_).isEmpty();
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }

  QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }
  void doAction(const QString& name) override {
    if (!isValid()) return;
    if (name == pressAction()) {
      panel_->ActivateItem(index_);
    } else if (name == toggleAction()) {
      panel_->SelectItem(index_, Qt::NoModifier, false);
    }
  }

 private:
  QPointer<TImgPanel> panel_;
  int index_;
};

class TImgPanelAccessible : public QAccessibleWidget {
 public:
  explicit TImgPanelAccessible(TImgPanel* panel) : QAccessibleWidget(panel, QAccessible::List) {}

  TImgPanel* panel() const { return static_cast<TImgPanel*>(widget()); }
  // Named after the folder it lists unless the program named it.
  QString text(QAccessible::Text t) const override {
    const QString own = QAccessibleWidget::text(t);
    return t == QAccessible::Name && own.isEmpty() ? panel()->FolderPath() : own;
  }
  int childCount() const override { return panel()->Count(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    // Qt keeps each interface it is given until it is deleted; items stand for a position
    // and read the entry there, so a new listing only changes how many there are.
    auto& cache = children_;
    while (cache.size() > size_t(childCount())) {
      if (cache.back()) QAccessible::deleteAccessibleInterface(cache.back());
      cache.pop_back();
    }
    cache.resize(size_t(childCount()), 0);
    QAccessible::Id& id = cache[size_t(index)];
    if (!id) id = QAccessible::registerAccessibleInterface(new TImgPanelItemAccessible(panel(), index));
    return QAccessible::accessibleInterface(id);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (size_t i = 0; i < children_.size(); ++i)
      if (children_[i] && QAccessible::accessibleInterface(children_[i]) == child) return int(i);
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const int index = panel()->ItemAtPos(panel()->mapFromGlobal(QPoint(x, y)));
    return index >= 0 ? child(index) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    const int f = panel()->FocusIndex();
    return f >= 0 && f < childCount() ? child(f) : nullptr;
  }
  ~TImgPanelAccessible() override {
    for (QAccessible::Id id : children_)
      if (id) QAccessible::deleteAccessibleInterface(id);
  }

 private:
  mutable std::vector<QAccessible::Id> children_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String("catalog::TImgPanel") && object && object->isWidgetType())
    return new TImgPanelAccessible(static_cast<TImgPanel*>(object));
  return nullptr;
}

}  // namespace

void InstallImgPanelAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

}  // namespace catalog
