#pragma once
// The slide show's course, without a window: the file list, the position, the timer's
// state, the two labels and which popup items apply. The slide window asks it what to show
// and shows it; every step here is a plain function of the state, so each is tested alone.
//
// States: running (timer on), paused (timer off, a picture shown), over (timer off at the end
// of the list without loop, " - Slide Show is over! " shown).
#include <QString>
#include <QStringList>

namespace view {

// Popup items that a mouse press may disable and the commands enable again.
struct TSlideItems {
  bool One = true, Three = true, Five = true, SlideRestart = true, NextImage = true, PrevImage = true;
  friend bool operator==(const TSlideItems&, const TSlideItems&) = default;
};

inline constexpr char kSlideOver[] = " - Slide Show is over! ";

class TSlideShow {
 public:
  // Starts on the catalogue's selected entry: `index` is its place in the catalogue (the
  // list's name order need not match it) and the first ticks show the files after it.
  // `firstLabel` is the selected file's name with its catalogue position.
  void Start(QStringList files, int index, bool loop, bool showName, const QString& copyFolder);
  // Label of the first picture: "name (catalogue index + 1/catalogue count)".
  static QString StartLabel(const QString& fileName, int catalogueIndex, int catalogueCount);

  // The timer's tick: the index of the picture to show now, or −1 when nothing is shown
  // (the loop went back before the first file, or the show is over).
  int ShowNext();
  // The window tells how showing `index` went; an empty error is a picture on screen.
  void Shown(int index, const QString& error);

  // Popup and key commands; each returns the index to show at once, or −1.
  int Resume();
  int FromBefore(int count);  // 1, 3 or 5 (One, Three, Five)
  int FromFirst();
  int Next();
  int Previous();
  // A mouse press on the picture: a right press pauses; any press disables what cannot apply.
  void MousePress(bool rightButton);

  // The file the copy command copies and where to: "_" + name in the copy folder; empty
  // when there is no copy folder or no file shown.
  QString CopySource() const;
  QString CopyTarget() const;

  // The index the next tick will show (−1: none), so the window can prepare it.
  int Upcoming() const;

  const QStringList& Files() const { return files_; }
  int Index() const { return index_; }
  bool TimerOn() const { return timerOn_; }
  bool Over() const { return over_; }
  const QString& FileNameLabel() const { return fileNameLabel_; }
  const QString& MessageLabel() const { return messageLabel_; }
  const TSlideItems& Items() const { return items_; }

 private:
  QString LabelFor(int index) const;
  void ClearMessage();

  QStringList files_;
  int index_ = -1;
  bool loop_ = false;
  bool showName_ = true;
  QString copyFolder_;
  bool timerOn_ = false;
  bool over_ = false;
  bool messageIsError_ = false;
  QString fileNameLabel_;
  QString messageLabel_;
  TSlideItems items_;
};

}  // namespace view
