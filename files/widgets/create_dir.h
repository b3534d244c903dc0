#pragma once
// TCreateDir: the save-folder list dialog. Fifteen rows (files/folder_rows.h), the current save
// folder, and a create mode that makes a new folder. OK stores the list
// (files/folder_lists.h); SaveFolder() is then the current save folder.
#include <QDialog>

#include "files/folder_rows.h"
#include "files/widgets/file_dialogs.h"
#include "platform/settings.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace files {

class TCreateDir : public QDialog {
  Q_OBJECT
 public:
  explicit TCreateDir(const settings::TIniFile& ini, QWidget* parent = nullptr);

  TMessageBoxFn MessageBox;
  TBrowseFolderFn BrowseFolder;
  const QString& SaveFolder() const { return saveFolder_; }
  const TFolderRows& Rows() const { return rows_; }

  QRadioButton *rbOldFolder, *rbCreateFolder;
  QListWidget* ListBox1;
  QPushButton *btnBrowse, *btnDelete, *btnUp, *btnDown, *btnSelectFolder;
  QLabel *lblSelectFolder, *lblWarning, *lblName, *lblPath;
  QLineEdit *editSelectFolder, *editFolderName, *editCreateFolderPath;
  QPushButton *btnCreateFolder, *btnSetNewFolder, *btnCancelNewFolder, *btnOK, *btnCancel;

  void btnBrowseClick();
  void btnDeleteClick();
  void btnUpClick();
  void btnDownClick();
  void btnSelectFolderClick();
  void SetCreateMode(bool create);
  void btnCreateFolderClick();
  void btnSetNewFolderClick();
  void btnCancelNewFolderClick();
  void btnOKClick();

  static constexpr int kListHeight = 225, kCreateHeight = 316;

 private:
  void showRows(int select);
  void rowSelected();
  void updateCaption();
  void setCurrent(const QString& path);
  void info(const QString& text);

  settings::TIniFile ini_;
  TFolderRows rows_;
  QString saveFolder_;
};

}  // namespace files
