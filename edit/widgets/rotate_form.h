#pragma once
// TRotateF: the image editor. One picture, re-rendered from its file through the editor
// model's fixed pipeline after every command; saved as a new BMP, JPEG or PNG file or
// copied to the clipboard, never written back to its source. A top-level window of its
// own that frees itself on close; the main window hides while it is open.
#include <QMainWindow>
#include <array>
#include <functional>

#include "edit/conversion.h"
#include "edit/editor_model.h"
#include "graphics/bitmap.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollArea;
class QStatusBar;
class QToolBar;

namespace edit {

class TSpinEdit;

class TRotateF : public QMainWindow {
  Q_OBJECT
 public:
  explicit TRotateF(QWidget* parent = nullptr);
  ~TRotateF() override;

  // The plain loader (set by the opener); every rendering reads the file through it.
  TPictureLoader LoadPicture;
  // Message boxes and the save dialog (tests replace them).
  std::function<void(const QString& text)> WarningBox;
  // A failed command's report; a file gone is reported once in the editor's life.
  std::function<void(const QString& text)> ErrorBox;
  std::function<bool(const QString& text)> AskYesNo;
  // Returns the chosen path, empty when cancelled.
  std::function<QString(const QString& folder, const QString& name, const QString& filter)> ChooseSaveName;
  // Called as the window closes (the main window shows itself again).
  std::function<void()> OnClosed;
  // The folder selected in the main window's tree: where saves start when none was saved to.
  QString TreeFolder;

  // Editor state.
  QString FileName;
  bool FromClipboard = false;
  bool SnapToDefault = false;
  TEditorModel Model;
  bool Dragging = false;
  int DragX = 0, DragY = 0;
  graphics::TBitmap ImageCache;  // where each rendering works

  // The shown picture takes the bitmap (the open commands; renderings).
  void SetPicture(const graphics::TBitmap& picture);
  const graphics::TBitmap& Picture() const { return picture_; }
  TScaleMode ScaleMode() const;

  // Components, named as in the window's design.
  QScrollArea* ScrollBox = nullptr;
  QLabel* Image = nullptr;
  QToolBar* Toolbar971 = nullptr;
  QAction *sbGammaPlus = nullptr, *sbGammaMinus = nullptr, *sbBrightPlus = nullptr, *sbBrightMinus = nullptr,
          *sbContrastPlus = nullptr, *sbContrastMinus = nullptr, *sbSize = nullptr, *sbUndo = nullptr;
  TSpinEdit* seSize = nullptr;
  TSpinEdit* seSize2 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, 4> Panels{};
  QMenu *RFile = nullptr, *REdit = nullptr, *Color = nullptr, *RView = nullptr, *ScaleMethod = nullptr;
  QAction *BMP1 = nullptr, *JPEG1 = nullptr, *PNG1 = nullptr, *Option = nullptr, *ToClipboard = nullptr,
          *Close1 = nullptr;
  QAction *SetFree = nullptr, *GammaPlus = nullptr, *GammaMinus = nullptr, *BrightPlus = nullptr,
          *BrightMinus = nullptr, *ContrastPlus = nullptr, *ContrastMinus = nullptr;
  std::array<QAction*, 9> Effects{};  // RGrayScale … Solarization, in the order of TColorEffect from ceGrayScale
  QAction *ScalePercent = nullptr, *ScaleSetIn = nullptr;
  QAction *RLeft = nullptr, *RRight = nullptr, *RHorizontal = nullptr, *RVertical = nullptr;

  // Commands.
  void Render();  // sbSize, Enter in the size edits, the end of every edit command
  void GammaPlusClick();
  void GammaMinusClick();
  void BrightPlusClick();
  void BrightMinusClick();
  void ContrastPlusClick();
  void ContrastMinusClick();
  void EffectClick(TColorEffect effect);
  void RLeftClick();
  void RRightClick();
  void RHorizontalClick();
  void RVerticalClick();
  void ScalePercentClick();
  void ScaleSetInClick();
  void SetFreeClick();
  void SaveClick(TConvertFormat format);
  void OptionClick();
  void ToClipboardClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateToolbar();
  void CreateMenus();
  void CreateStatusBar();
  void ShowRendering(const QString& caption);
  // Loads FileName into ImageCache; false (after the report) when it cannot.
  bool LoadCache();
  void ReportFailure(const std::exception& e);
  enum TRendered { rdShown, rdRefused, rdFailed };
  // Renders `model` from the file. rdRefused: the size was out of range (warned and reset).
  TRendered RenderWith(const TEditorModel& model);
  // An edit command: the changed settings and their panels are kept only when the file could
  // be read, so a file gone leaves the editor as it was.
  void Edit(const std::function<void(TEditorModel&)>& change);
  void ShowPanels();

  graphics::TBitmap picture_;
  bool goneReported_ = false;
};

}  // namespace edit
