#include "extras/widgets/shell_list_box.h"

#include <QPainter>
#include <QStyledItemDelegate>

#include "extras/shell_list.h"
#include "platform/shell_icons.h"
#include "platform/widgets/sys_icon.h"
#include "platform/widgets/wait_cursor.h"

namespace extras {

namespace {

// Icon 16 × 16 one pixel from the left, text from item height + 4 (4 without the icon), two
// pixels below the item's top.
class TShellListDelegate : public QStyledItemDelegate {
 public:
  explicit TShellListDelegate(TCustomShellListBox* list) : QStyledItemDelegate(list), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), TCustomShellListBox::kItemHeight};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem bare = option;
    initStyleOption(&bare, index);
    bare.text.clear();
    bare.icon = QIcon();
    const QWidget* w = option.widget;
    QStyle* style = w ? w->style() : nullptr;
    if (style) style->drawControl(QStyle::CE_ItemViewItem, &bare, painter, w);
    const QRect r = option.rect;
    int textLeft = 4;
    if (list_->ShowIcon()) {
      index.data(Qt::DecorationRole).value<QIcon>().paint(painter, QRect(r.left() + 1, r.top() + (r.height() - 16) / 2, 16, 16));
      textLeft = TCustomShellListBox::kItemHeight + 4;
    }
    painter->save();
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(r.adjusted(textLeft, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
  }

 private:
  TCustomShellListBox* list_;
};

}  // namespace

TCustomShellListBox::TCustomShellListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new TShellListDelegate(this));
  setUniformItemSizes(true);
  setIconSize({16, 16});
  connect(this, &QListWidget::itemPressed, this, [this](QListWidgetItem* item) { fileName_ = PathOf(item); });
  connect(this, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) fileName_ = PathOf(item);
  });
}

void TCustomShellListBox::SetDirectory(const QString& text) {
  directory_ = ShellListDirectory(text);
  Refill();
}

void TCustomShellListBox::SetMask(const QString& mask) {
  mask_ = mask;
  Refill();
}

void TCustomShellListBox::SetShowExtention(bool v) {
  showExtention_ = v;
  Retext();
}

void TCustomShellListBox::SetShowFullPath(bool v) {
  showFullPath_ = v;
  Retext();
}

void TCustomShellListBox::SetShowIcon(bool v) {
  showIcon_ = v;
  viewport()->update();
}

QString TCustomShellListBox::PathOf(const QListWidgetItem* item) const {
  return item ? item->data(kPathRole).toString() : QString();
}

QStringList TCustomShellListBox::SelectedPaths() const {
  QStringList paths;
  for (int i = 0; i < count(); ++i)
    if (item(i)->isSelected()) paths << PathOf(item(i));
  return paths;
}

void TCustomShellListBox::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0 && refillPending_) Refill();
}

void TCustomShellListBox::Refill() {
  if (updating_ > 0) {
    refillPending_ = true;
    return;
  }
  refillPending_ = false;
  platform::TWaitCursor wait;
  clear();
  fileName_.clear();
  for (const QString& path : ShellListFiles(directory_, mask_)) {
    if (Accept && !Accept(path)) continue;
    auto* item = new QListWidgetItem(ShellListItemText(path, showFullPath_, showExtention_), this);
    item->setData(kPathRole, path);
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    item->setIcon(platform::SysIconOf(platform::shell::SysIconAt(platform::shell::SysIconIndex(name, false, false)), style()));
  }
}

void TCustomShellListBox::Retext() {
  for (int i = 0; i < count(); ++i)
    item(i)->setText(ShellListItemText(PathOf(item(i)), showFullPath_, showExtention_));
}

}  // namespace extras
