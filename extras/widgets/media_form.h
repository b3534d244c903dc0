#pragma once
// The media window: a folder's media files; a double click shows a file as a picture when its
// extension is a picture format's, otherwise a placeholder, and hands the file to the program
// the desktop associates with it.
#include <QDialog>
#include <functional>

class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QAction;
class QSplitter;

namespace extras {

class TShellListBox;

class TMediaForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kMask = "*.mp3;*.mid;*.wav;*.aif;*.asf;*.au;*.avi;*.mpg;*.mov;*.wma;*.wmv";

  explicit TMediaForm(QWidget* parent = nullptr);

  QMenuBar* MainMenu1;
  QMenu* File1;
  QAction* Open1;
  QAction* Close1;
  TShellListBox* MShellListBox;
  QSplitter* Splitter1;
  QFrame* Panel1;
  QLabel* Image1;

  // Desktop services; tests replace them.
  std::function<QString(const QString& start, QWidget* parent)> ChooseFolder;
  std::function<void(const QString& path)> OpenByAssociation;
  std::function<void(const QString& text)> WarningBox;

  void Open1Click();
  void MShellListBoxDblClick();
  bool ShowsPlaceholder() const { return placeholder_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CenterImage();
  void SaveWidth();
  bool placeholder_ = false;
  bool widthSaved_ = false;
};

// The placeholder shown for a file that is not a picture.
QPixmap MediaPlaceholder();

}  // namespace extras
