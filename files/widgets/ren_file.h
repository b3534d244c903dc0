#pragma once
// TRenFile: the name dialog of rename (F2) and copy under a new name. The name is edited
// without its extension, which is kept. Nothing is replaced unasked: a rename never replaces
// a file, and a copy replaces one only after its question was answered yes.
#include <QDialog>
#include <functional>

#include "files/widgets/file_dialogs.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace files {

class TRenFile : public QDialog {
  Q_OBJECT
 public:
  enum TMode { rmCopy = 0, rmRename = 1 };
  explicit TRenFile(QWidget* parent = nullptr);

  // Set by the opener, in this order.
  int Mode = rmRename;
  QString TargetFolder;  // rename: the folder without its final "/"; copy: the save folder with it
  QString Source;        // full path
  QString SourceExt;     // with its dot

  TMessageBoxFn MessageBox;
  // Before the file is renamed or copied (the thumbnail is taken), and after it succeeded.
  std::function<void(const QString& from, const QString& to)> BeforeDone, OnDone;
  // Where the file went ("" until done).
  const QString& NewPath() const { return newPath_; }

  QLabel *lblMessage, *lblExt, *lblCaption, *lblPath;
  QLineEdit* editNewName;
  QGroupBox* rgExt;
  QButtonGroup* rgExtButtons;
  QPushButton *btnOK, *btnCancel;

  void btnOKClick();

 private:
  void fail(int error, const QString& path);
  QString newPath_;
};

}  // namespace files
