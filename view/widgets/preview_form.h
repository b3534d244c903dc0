#pragma once
// TPreviewForm: the real-size window. Shows one picture at its own size or fitted to the
// screen, dragged with the mouse, zoomed in seven steps, turned by quarter turns and reloaded
// from its source picture. Each opening makes a new window, which frees itself on close.
// Real size is one picture pixel per device pixel, so at a device pixel ratio of 2 a picture
// takes half its pixel count in window coordinates; sizes in captions, zooms and ShownWidth
// count picture pixels, window and scroll sizes count logical ones.
#include <QMenu>
#include <QRect>
#include <QScrollArea>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "graphics/bitmap.h"
#include "view/preview_geometry.h"

class QAction;

namespace view {

class TPictureView;

class TPreviewForm : public QWidget {
  Q_OBJECT
 public:
  explicit TPreviewForm(QWidget* owner);
  ~TPreviewForm() override;

  using Picture = std::shared_ptr<const graphics::TBitmap>;
  // At the picture's own size.
  void ShowReal(Picture picture, const QString& path);
  // Fitted to the work area; smooth resamples, otherwise the picture is stretched.
  void ShowFitted(Picture picture, const QString& path, bool smooth);
  // The picture zoom and turns start from, with the entry it came from.
  void SetSource(Picture picture, int index, const QString& path);

  // Set before ShowFitted: zooms then start from the fitted size.
  bool Fitted = false;

  // Components, named as in the window's design.
  QScrollArea* ScrollBox = nullptr;
  TPictureView* Image = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* Close1 = nullptr;
  QMenu* Zoom1 = nullptr;
  std::array<QAction*, kZoomSteps> ZoomItems{};  // zoom25 … zoom300
  QAction* RLeft1 = nullptr;
  QAction* RRight = nullptr;
  QAction* ReLoad1 = nullptr;
  QAction* Next1 = nullptr;      // never shown
  QAction* Previous1 = nullptr;  // never shown

  // Commands of the popup menu.
  void Zoom(int step);
  void RLeft1Click();
  void RRightClick();
  void ReLoad1Click();

  // State, read by tests.
  const QString& CaptionBase() const { return captionBase_; }
  const QString& FilePath() const { return filePath_; }
  int Index() const { return index_; }
  const Picture& Source() const { return source_; }
  int ShownWidth() const { return shownWidth_; }
  int ShownHeight() const { return shownHeight_; }
  int LeftCount() const { return leftCount_; }
  int RightCount() const { return rightCount_; }
  int SelectedZoom() const;  // −1 when none

  // The screen's work area and the height of a window caption; tests replace them.
  std::function<QRect()> WorkArea;
  std::function<QRect()> ScreenRect;
  std::function<int()> CaptionHeight;
  // Called as the window closes (the main window repaints its tree).
  std::function<void()> OnClosed;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Display(Picture picture);
  void PlaceAndSize(QSize picture);
  void Popup(const QPoint& globalPos);
  void ImageMousePress(QMouseEvent* event);
  void ImageMouseMove(QMouseEvent* event);
  void ImageMouseRelease(QMouseEvent* event);
  int TitleAllowance() const { return CaptionHeight() + 6; }

  QString captionBase_;
  QString filePath_;
  int index_ = -1;
  Picture source_;
  bool shownRecorded_ = false;
  int shownWidth_ = 0, shownHeight_ = 0;
  int leftCount_ = 0, rightCount_ = 0;
  int shownZoom_ = kZoom100;  // the zoom of the picture shown (a failed zoom keeps it)
  bool dragging_ = false;
  QPoint pressPos_;
};

}  // namespace view
