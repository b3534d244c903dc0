#pragma once
// The loading notice: a small window with a text and a gauge, shown while a picture is loaded
// for viewing or editing ("Now Loading...") or files are converted ("Wait! Now Converting...").
// It lives here, below the viewing windows, because the editor and the conversion show it too.
#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace edit {

class TProgressForm : public QDialog {
  Q_OBJECT
 public:
  TProgressForm(QWidget* owner, const QString& text);

  QLabel* Label1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  // Shown only for runs over several files: "n / N" and a button that stops the run
  // after the current file.
  QLabel* lblCount = nullptr;
  QPushButton* btnStop = nullptr;

  // Shows the notice and steps the gauge from 0 to 50, letting pending events run after
  // each step so the window is drawn before the long work starts.
  void ShowAndFill();
  // The gauge counts files: file n of total is being worked on.
  void ShowCount(int n, int total);
  bool StopRequested() const { return stopRequested_; }

 private:
  bool stopRequested_ = false;
};

// Opens the notice for one command and closes it however the command ends (also by a
// throw), so a failed load never leaves it on screen. `slot` is the owner's field that
// points to the open notice (the main window's ProgressForm), cleared again on close.
class TLoadingNotice {
 public:
  TLoadingNotice(QWidget* owner, const QString& text, QWidget** slot = nullptr);
  ~TLoadingNotice();
  TLoadingNotice(const TLoadingNotice&) = delete;
  TLoadingNotice& operator=(const TLoadingNotice&) = delete;

  TProgressForm* Form() const { return form_; }
  void Close();

 private:
  QPointer<TProgressForm> form_;
  QWidget** slot_ = nullptr;
};

}  // namespace edit
