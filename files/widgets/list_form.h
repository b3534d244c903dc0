#pragma once
// TListForm: the favourites dialog, in add mode (register the folder now open at once) or
// edit mode (edit the ten rows; OK stores them). A folder registered in add mode joins the
// rows too, so an OK after it keeps it.
#include <QDialog>

#include "files/folder_rows.h"
#include "files/widgets/file_dialogs.h"
#include "platform/settings.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace files {

class TListForm : public QDialog {
  Q_OBJECT
 public:
  enum TMode { lmAdd, lmEdit };
  // Add mode: `folder` is the folder to add (the main window's CurrentFolder).
  TListForm(const settings::TIniFile& ini, TMode mode, const QString& folder = {}, QWidget* parent = nullptr);

  TMessageBoxFn MessageBox;
  TBrowseFolderFn BrowseFolder;
  const TFolderRows& Rows() const { return rows_; }
  TMode Mode() const { return mode_; }

  QLineEdit* editListPath;
  QPushButton *btnSave, *btnClose;
  QListWidget* ListBox1;
  QPushButton *btnAdd, *btnDelete, *btnUp, *btnDown, *btnOK, *btnCancel;

  void btnSaveClick();
  void btnAddClick();
  void btnDeleteClick();
  void btnUpClick();
  void btnDownClick();
  void btnOKClick();

  static constexpr int kAddHeight = 300, kEditHeight = 277;

 private:
  void showRows(int select);
  void rowSelected();
  void updateCaption();
  void info(const QString& text);

  settings::TIniFile ini_;
  TMode mode_;
  QString path_;  // the folder to add, with its own bytes
  TFolderRows rows_;
};

}  // namespace files
