#pragma once
// The cache list: the thumbnail cache files of the program's "Cache" folder, to delete.
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace extras {

class TShellListBox;

class TCacheForm : public QDialog {
  Q_OBJECT
 public:
  explicit TCacheForm(QWidget* parent = nullptr);

  TShellListBox* ShellListBox1;
  QPushButton* btnDelete;
  QPushButton* btnClose;
  QLabel* lblCacheSize;

  // OK (true) or Cancel; tests replace it.
  std::function<bool(const QString& text)> ConfirmBox;

  void btnDeleteClick();

 protected:
  void showEvent(QShowEvent* event) override;
};

// The program folder's "Cache" folder, created when missing; empty when it cannot be.
QString CacheFolder();

}  // namespace extras
