#pragma once
// What the file dialogs share: one hook for their message boxes and one for the folder
// browser, so tests answer them without a desktop; both default to the real dialogs.
#include <QMessageBox>
#include <QString>
#include <functional>

#include "platform/widgets/folder_browser.h"

class QWidget;

namespace files {

inline const QString& kBrowseTitle = platform::kBrowseFolderTitle;
inline const QString kAlreadyStored = QStringLiteral("このフォルダは既に登録されています。");
inline const QString kAlreadyListed = QStringLiteral("このフォルダは未確定リストに名前が存在します。");
inline const QString kBadNameChars = QStringLiteral("ファイル名に使用できない文字が含まれています。");

using TMessageBoxFn = std::function<QMessageBox::StandardButton(QMessageBox::Icon icon, const QString& title,
                                                                const QString& text, QMessageBox::StandardButtons)>;
// The path chosen in the folder browser, starting at `start`; "" when cancelled.
using TBrowseFolderFn = std::function<QString(const QString& start)>;

TMessageBoxFn DefaultMessageBox(QWidget* parent);
TBrowseFolderFn DefaultBrowseFolder(QWidget* parent);

// Caption of the message boxes that carry no title of their own.
inline const QString kMessageTitle = QStringLiteral("QIVO2");

}  // namespace files
