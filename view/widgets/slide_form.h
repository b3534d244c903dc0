#pragma once
// TSlideForm: the borderless black window over the whole screen that shows one picture full
// screen or runs the slide show. The main window keeps at most one (a QPointer, cleared as
// the window frees itself on close).
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "graphics/bitmap.h"
#include "view/slide_show.h"

namespace view {

class TPictureView;
class TSlidePreparer;

class TSlideForm : public QWidget {
  Q_OBJECT
 public:
  explicit TSlideForm(QWidget* owner);
  ~TSlideForm() override;

  enum TMode { smSlide = 0, smSingle = 1 };
  using Picture = std::shared_ptr<const graphics::TBitmap>;

  // Full screen: one picture (made for ScreenSize), `name` shown in lblFileName when not empty.
  void ShowSingle(Picture picture, const QString& name);

  struct TSlideStart {
    Picture First;            // the selected picture, already fitted (null when it failed)
    QString FirstError;       // why it failed
    QString FirstLabel;       // "name (n/count)", or empty without names
    QStringList Files;        // the folder's pictures
    int Index = -1;           // the selected entry's catalogue index
    bool Loop = false, ShowName = true, Smooth = true;
    QString CopyFolder;
    int Interval = 2000;
  };
  void StartSlide(const TSlideStart& start);

  // The screen-fitting loader for a picture that was not prepared in time.
  std::function<graphics::TBitmap(const QString& path, QSize screen, bool smooth)> LoadFitted;
  // Called as the window closes (the main window repaints its tree).
  std::function<void()> OnClosed;
  // Replaced by tests: the copy's failure message.
  std::function<void(const QString& text)> ShowError;

  // Components, named as in the window's design.
  QWidget* SPanel1 = nullptr;
  TPictureView* SImage = nullptr;
  QLabel* lblFileName = nullptr;
  QLabel* lblMessage = nullptr;
  QTimer* SlideTimer = nullptr;
  QMenu* SlidePopup = nullptr;
  QAction* SlideStart = nullptr;
  QMenu* Reset = nullptr;
  QAction* One = nullptr;
  QAction* Three = nullptr;
  QAction* Five = nullptr;
  QAction* SlideRestart = nullptr;
  QAction* NextImage = nullptr;
  QAction* PrevImage = nullptr;
  QAction* SlideCopy = nullptr;
  QAction* SlideStop = nullptr;
  QMenu* FullPopup = nullptr;
  QAction* Close1 = nullptr;

  TMode Mode() const { return mode_; }
  const TSlideShow& Show() const { return show_; }
  // In device pixels: the pictures are fitted to it and drawn one pixel per device pixel.
  QSize ScreenSize() const;

  // Commands (popup items, keys, the timer).
  void SlideTimerTimer();
  void SlideStartClick();
  void FromBeforeClick(int count);
  void SlideRestartClick();
  void NextImageClick();
  void PrevImageClick();
  void SlideCopyClick();

 signals:
  // A picture of the slide show is on screen (painted), or its failure shown.
  void PictureShown(int index);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowIndex(int index);
  void SetPicture(Picture picture);
  void CentreImage();
  void Sync();
  void PrepareUpcoming();
  void PicturePress(QMouseEvent* event);
  void PopupAt(const QPoint& globalPos);

  TMode mode_ = smSingle;
  TSlideShow show_;
  bool smooth_ = true;
  std::unique_ptr<TSlidePreparer> preparer_;
};

}  // namespace view
