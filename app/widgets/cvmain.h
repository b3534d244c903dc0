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
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <set>

#include "app/widgets/main_menus.h"
#include "catalog/shell_item.h"

class QAction;
class QDialog;
class QUrl;
class QFrame;
class QLabel;
class QScrollArea;
class QStatusBar;
class QToolBar;

namespace settings {
class TIniFile;
}
namespace catalog {
class TImgPanel;
class TImgPlugins;
class TSPluginHook;
class TFileImage;
}
namespace decode {
class TSPIs;
}
namespace view {
class TSlideForm;
}
namespace app {

class TSplitter;
class TShellTreeView;
class TStatusBar;
class THistoryMenu;

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
  // [View] AutoRotate changed: thumbnails are made again the new way.
  void SetAutoRotate(bool on);
  // [Catalog] LookAhead changed.
  void SetLookAhead(bool on);
  std::function<void(const QString&)> ThumbFolderChanged;

  // Components, named as in the window's design.
  QToolBar* tb97Btn = nullptr;      // top toolbar
  QToolBar* tb97Command = nullptr;  // right toolbar
  QWidget* plTop = nullptr;
  QWidget* plLeft = nullptr;
  QWidget* plShellTreeView = nullptr;
  TShellTreeView* ShellTreeView1 = nullptr;
  TSplitter* spltLeft = nullptr;
  QFrame* Panel1 = nullptr;
  catalog::TImgPanel* ImgPanel1 = nullptr;
  TSplitter* spltBottom = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Image1 = nullptr;
  QWidget* plRight = nullptr;
  TStatusBar* StatusBar1 = nullptr;
  QAction* SetPreview1 = nullptr;  // checkable; checked while the preview pane is shown

  // State read by the other parts of the main window.
  bool SnapToDefault = false;
  int PreviewHeight = 0;
  int PreviewWidth = 0;
  bool AtDriveRoot = false;
  QWidget* ProgressForm = nullptr;
  QString SaveFolder;
  // File commands (cvmain_files.cpp): delete, copy, move, rename, properties, the numbered
  // rename, save folders and favourites. The hooks let tests answer the dialogs and boxes.
  void Delete1Click();
  void Copy1Click();
  void GoTo1Click();
  void Property1Click();
  void Rename1Click();
  void NameChCopy1Click();
  void RenameAll1Click();
  void SetFolder1Click();
  void Folder1Click();  // rebuilds the save-folder and favourites submenus
  void ChangeFolderClick(int position, const QString& folder);
  void AddFavorite1Click();
  void EditFavorite1Click();
  void OpenFavoriteClick(const QString& folder);
  // The selected entries' full paths in catalogue order.
  QStringList SelectedFiles() const;
  std::function<QMessageBox::StandardButton(QMessageBox::Icon, const QString& title, const QString& text,
                                            QMessageBox::StandardButtons)>
      FileMessageBox;
  std::function<QString(const QString& start)> FileBrowseFolder;
  std::function<int(QDialog*)> RunFileDialog;  // default ExecDialog
  QString CurrentFolder;
  bool PathCheck = true;
  QString TempCacheFile;
  bool UseCache = false;

  static constexpr int kMinimumWidth = 589;

  // ---- menus, navigation, status (cvmain_nav.cpp) ----
  TMainMenus Menus;  // every menu item, popup menu and toolbar button by name
  THistoryMenu* HistoryMenu1 = nullptr;
  // The Susie plug-in manager: registers the plug-ins' file patterns with the loader.
  std::unique_ptr<decode::TSPIs> SPIs1;
  // The user-interface thread's plug-in list (the type test for drawing, the plain loader,
  // the preview); the catalogue's workers call a list of their own.
  std::unique_ptr<catalog::TSPluginHook> SPlugin;
  catalog::TImgPlugins* Plugins = nullptr;  // SPlugin as the loaders see it
  // The catalogue's thumbnail loader with its image utility, workers' plug-in list and
  // cache (destroyed first).
  std::unique_ptr<catalog::TFileImage> FileImage;
  // After closing: stops the thumbnail workers, waiting a moment at most; true when some
  // are still inside a decoder that did not return, so the process must not wait for them.
  bool StopThumbnails();
  // Base name of the current folder's thumbnail file (the cache's FileName);
  // ThumbFileNameChanged tells the catalogue's cache.
  const QString& ThumbFileName() const { return thumbFileName_; }
  void SetThumbFileName(const QString& name);
  std::function<void(const QString&)> ThumbFileNameChanged;
  // The information and warning boxes and the beep (tests replace them).
  std::function<void(const QString& text)> InformationBox;
  std::function<void(const QString& text)> WarningBox;
  std::function<void()> Beep;
  // What the decode sandbox said about plug-ins (switched off, refused an operation), as
  // warning boxes: once per plug-in and kind in a session. A timer asks while the sandbox is on.
  void ReportSandboxMessages();

  // Folder change and the commands on the folder and the catalogue.
  void ShellTreeView1Change(const QString& path);
  void ImgPanel1ChangeFolder();
  void File1Click();
  void HistoryMenu1HistorySelected(const QString& path);
  void UpFolder1Click();
  void Refresh1Click();
  // 0 name, 1 extension, 2 date, 3 size (the [Catalog] Sort values).
  void SortClick(int sortIndex);
  void PageClick(int which);  // 0 first, 1 previous, 2 next, 3 last
  void SelectAll1Click();
  // Status of the current entry, and the preview picture (click and key release).
  void ImgPanel1Click();
  // Panel 0 with "Total： N files", panels 1 to 3 emptied.
  void ShowTotal();
  // After every listing: the counts of panel 0 made true again ("Count： i/N" of the same
  // file, or the total when that file has gone).
  void RecountStatus();
  // The entry panel 0 counts ("Count： i/N"); null while it shows the total.
  catalog::TEntryKey StatusEntry;
  void ShowPreviewPicture(const QString& path);
  // Layout commands.
  void SetPreview1Click();
  // Centres Image2 in the pane (halves toward zero) without rescaling it.
  void ScrollBox1Resize();
  void ToolbarRClick();
  void ToolbarTClick();
  // The right toolbar changed docks: a drag handle only at the top.
  void tb97CommandDockChanged();
  // The options window on its first page.
  void Option1Click();
  void tbtnUndoClick();
  void tbtnRedoClick();
  void UpdateBackForwardButtons();
  // Runs a modal dialog; with SnapToDefault the pointer starts on its default button.
  int ExecDialog(QDialog* dialog);
  void PlaceDialogPointer(QDialog* dialog);
  // The starting folder: the first argument's folder, else [Main] RootPath.
  void SelectStartFolder(const QString& argument);

  // ---- viewing: real size, full screen, slide show (cvmain_view.cpp) ----
  void RealSize1Click();
  void FullScreen1Click();
  void DblClick1Click();  // [Main] DblClick = 1: full screen, else real size
  void SlideStart1Click();
  void SlideShow1Click();  // marks the interval item of [Slide] Interval
  void SecClick(int seconds);
  void SlideOption1Click();  // the options window on its slide page only
  // The one slide window (full screen and slide show), null while none is open.
  QPointer<QWidget> SlideForm;
  // Editing commands (cvmain_edit.cpp)
  void Rotate1Click();            // the editor on the catalogue's current file
  void Paste1Click();             // the editor on the clipboard's picture
  void ConvertClick(int format);  // BMP1, JPEG1, PNG1 (an edit::TConvertFormat)
  void SetConvert1Click();        // the conversion settings window
  // The one editor, null while none is open.
  QPointer<QWidget> RotateF;
  // The batch conversion's questions (tests replace them; unset: the real boxes).
  std::function<int(const QString& text)> ConvertConfirmBox;
  std::function<bool(const QString& text)> ConvertOverwriteBox;
  int ConvertJobs = 0;  // files converted at a time; 0: the number of cores
  // Repaints the window and its tree once a viewing window has closed.
  void ViewWindowClosed();
  // The entry a viewing command opens, or −1 (nothing selected; the preview pane on, after
  // its message).
  int ViewableIndex(const QString& previewOnMessage);
  // The entry commands on one picture act on (−1: none selected): the focused one, else
  // the current one.
  int ChosenIndex() const;
  view::TSlideForm* SlideWindow();  // the open one, else a new one

  // ---- editing and batch conversion (cvmain_edit.cpp) ----

  // ---- file management: save folders, file commands, rename, favourites (cvmain_files.cpp) ----

  // ---- the live catalogue: its file commands, the drop target, the tree's menu (cvmain_live.cpp) ----
  QMenu* ShellPopupMenu1 = nullptr;  // the folder tree's context menu
  void ConnectLiveCommands();
  // The tree's context menu for the folder at a point of the tree (viewport coordinates).
  void ShellTreeView1ContextPopup(const QPoint& pos);
  // The folder the tree's menu acts on while it is open.
  QString ShellPopupFolder;
  // Copy or move into a folder with the questions and progress of the file commands.
  bool TransferIntoFolder(bool move, const QStringList& sources, const QString& folder);

  // ---- desktop extras: wallpaper, other programs, media, cache list, about, help (cvmain_extras.cpp) ----
  void SetWallPaper1Click();
  void Show1Click();  // the registered programs' items from [OtherSoft]
  void OtherSoftClick(int n);  // n = 1..3
  void Relation1Click();
  void SetOtherSoft1Click();  // the options window on its program page only
  void Media1Click();
  void CacheList1Click();
  void About1Click();
  void OpenHelp1Click();
  // Desktop services of these commands (tests replace them).
  std::function<void(const QUrl& url)> OpenUrl;
  std::function<void(const QString& program, const QStringList& args)> StartProgram;
  // Runs a window of these commands modally; tests replace it to drive the window.
  std::function<int(QDialog* dialog)> ExecExtrasDialog;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // FormShow: the selected folder scrolled into view.
  void showEvent(QShowEvent* event) override;

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
  void ConfigureCatalog(const settings::TIniFile& ini);
  void ConnectCommands();
  // Each group of commands wires its own menu items and buttons.
  void ConnectViewCommands();
  void ConnectEditCommands();
  void ConnectFileCommands();
  void ConnectExtrasCommands();
  void FillHistoryPopup(bool back);

  QWidget* central_ = nullptr;
  std::set<std::pair<QString, int>> sandboxTold_;
  QString thumbFolder_;
  QString thumbFileName_;
};

}  // namespace app
