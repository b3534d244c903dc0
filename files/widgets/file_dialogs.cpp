#include "files/widgets/file_dialogs.h"

#include <QApplication>
#include <QPointer>

#include "platform/widgets/folder_browser.h"

namespace files {

TMessageBoxFn DefaultMessageBox(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  return [owner](QMessageBox::Icon icon, const QString& title, const QString& text, QMessageBox::StandardButtons b) {
    // Over the dialog that asks, which may be kept on top of its owner.
    QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : owner.data();
    QMessageBox box(icon, title, text, b, over);
    return QMessageBox::StandardButton(box.exec());
  };
}

TBrowseFolderFn DefaultBrowseFolder(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  return [owner](const QString& start) {
    return platform::BrowseFolder(owner.data(), start);
  };
}

}  // namespace files
