#include "files/widgets/file_dialogs.h"

#include <QFileDialog>
#include <QPointer>

namespace files {

TMessageBoxFn DefaultMessageBox(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  return [owner](QMessageBox::Icon icon, const QString& title, const QString& text, QMessageBox::StandardButtons b) {
    QMessageBox box(icon, title, text, b, owner.data());
    return QMessageBox::StandardButton(box.exec());
  };
}

TBrowseFolderFn DefaultBrowseFolder(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  return [owner](const QString& start) {
    return QFileDialog::getExistingDirectory(owner.data(), kBrowseTitle, start, QFileDialog::ShowDirsOnly);
  };
}

}  // namespace files
