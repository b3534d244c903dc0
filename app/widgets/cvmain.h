#pragma once
// The main window. It owns every component of the program; each region of the window is
// built by its own Create* function so that the tree, catalogue, preview, menus, toolbars
// and status bar can be filled in place.
//
// Central area (the window's client area minus menu bar, toolbars and status bar):
//   central (QWidget, QVBoxLayout, 3-pixel top spacing = plTop)
//   └─ row (QHBoxLayout): plLeft (2) | plShellTreeView (fixed width TVWidth) | spltLeft (2)
//                         | Panel1 (stretch) | plRight (2)
//        plShellTreeView holds ShellTreeView1 (fills it)
//        Panel1 (QVBoxLayout): ImgPanel1 (stretch) | spltBottom (2, hidden)
//                              | ScrollBox1 (fixed height PrevHeight, hidden) holding Image2
// tb97Btn is the top toolbar (Dock971), tb97Command the right one (Dock972).
#include <QMainWindow>
#include <QString>
#include <functional>

class QAction;
class QFrame;
class QLabel;
class QScrollArea;
class QStatusBar;
class QToolBar;

namespace settings {
class TIniFile;
}

namespace app {

class TSplitter;

class TCVMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TCVMain(QWidget* parent = nullptr);
  ~TCVMain() override;

  // Client size: the window without its menu bar (toolbars and status bar included).
  int ClientWidth() const;
  int ClientHeight() const;
  void SetClientSize(int width, int height);

  // Width of the folder tree panel (plShellTreeView).
  int TreePanelWidth() const;
  void SetTreePanelWidth(int width);

  // The preview pane ScrollBox1 with its splitter and picture.
  bool PreviewVisible() const;
  void SetPreviewVisible(bool visible);
  int PreviewPaneHeight() const;  // client height of ScrollBox1
  void SetPreviewPaneHeight(int height);

  // Folder of the thumbnail files: program folder + "/Cache" or "/Temp". The options window
  // sets it when the cache switch changes; ThumbFolderChanged then tells the catalogue.
  const QString& ThumbFolder() const { return thumbFolder_; }
  void SetThumbFolder(const QString& folder);
  std::function<void(const QString&)> ThumbFolderChanged;

  // Components, named as in the window's design.
  QToolBar* tb97Btn = nullptr;      // top toolbar
  QToolBar* tb97Command = nullptr;  // right toolbar
  QWidget* plTop = nullptr;
  QWidget* plLeft = nullptr;
  QWidget* plShellTreeView = nullptr;
  QWidget* ShellTreeView1 = nullptr;  // placeholder until the folder tree exists
  TSplitter* spltLeft = nullptr;
  QFrame* Panel1 = nullptr;
  QWidget* ImgPanel1 = nullptr;  // placeholder until the catalogue control exists
  TSplitter* spltBottom = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Image1 = nullptr;
  QWidget* plRight = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QAction* SetPreview1 = nullptr;  // checkable; checked while the preview pane is shown

  // State read by the other parts of the main window.
  bool SnapToDefault = false;
  int PreviewHeight = 0;
  int PreviewWidth = 0;
  bool AtDriveRoot = false;
  QWidget* ProgressForm = nullptr;
  QString SaveFolder;
  QString CurrentFolder;
  bool PathCheck = true;
  QString TempCacheFile;
  bool UseCache = false;

  static constexpr int kMinimumWidth = 589;

 protected:
  void closeEvent(QCloseEvent* event) override;

  // FormCloseQuery: writes the window state; always allows closing.
  bool FormCloseQuery();

 private:
  void FormCreate();
  void CreateToolbars();
  void CreateCentralArea();
  void CreateTreePanel();
  void CreateCatalogPanel();
  void CreatePreviewPane();
  void CreateStatusBar();
  void ReadWindowGeometry(const settings::TIniFile& ini);
  void ReadPreviewPane(const settings::TIniFile& ini);

  QWidget* central_ = nullptr;
  QString thumbFolder_;
};

}  // namespace app
