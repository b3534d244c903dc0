#pragma once
// TRename: the numbered rename of every picture of a folder (files/rename_plan.h), with a
// preview of the first new name. The file list is set in the catalogue's order; OK drops the
// files gone since, asks with the count left, and both passes work on that list.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

#include "files/rename_plan.h"
#include "files/widgets/file_dialogs.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace files {

class TRename : public QDialog {
  Q_OBJECT
 public:
  explicit TRename(QWidget* parent = nullptr);

  // The folder and its files in the catalogue's order (RenameFileList of the picture mask).
  void SetFiles(const QString& folder, const QStringList& files);
  const QStringList& Files() const { return files_; }
  TRenameRule Rule() const;

  TMessageBoxFn MessageBox;
  // Before the first pass (the thumbnails are taken) and after the second.
  std::function<void(const QStringList& files)> BeforeRename;
  std::function<void(const std::vector<TRenameItem>& items)> AfterRename;

  QGroupBox* rgForm;
  QButtonGroup* rgFormButtons;
  QSpinBox *seStartNum, *seZeroNum;
  QGroupBox* rgExt;
  QButtonGroup* rgExtButtons;
  QLineEdit *editExt, *editPrevName, *editLastName;
  QGroupBox* gbPreview;
  QLabel *Label1, *Label2, *Label3, *Label4, *Label6, *lblPreview, *plGauge;
  QPushButton *btnOK, *btnCancel;

  void seStartNumChange();
  void rgFormClick();
  void rgExtClick();
  void btnOKClick();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void enableEdit(QLineEdit* edit, bool on);
  QString folder_;
  QStringList files_;
};

}  // namespace files
