#pragma once
// The folder browser every window uses to choose a folder ("フォルダを選択して下さい。"), over the
// dialog that asks (which may be kept on top of its owner); "" when cancelled.
#include <QApplication>
#include <QFileDialog>
#include <QString>

namespace platform {

inline const QString kBrowseFolderTitle = QStringLiteral("フォルダを選択して下さい。");

inline QString BrowseFolder(QWidget* owner, const QString& start) {
  QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : owner;
  return QFileDialog::getExistingDirectory(over, kBrowseFolderTitle, start, QFileDialog::ShowDirsOnly);
}

}  // namespace platform
