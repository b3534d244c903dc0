#pragma once
// TImgInplaceEdit: the borderless caption editor of the catalogue. It wraps the name within
// the cell's width and grows with the text (measured + 8 wide, centred on the caption;
// measured + 4 high, no lower than the control); Enter commits, Escape cancels, Tab is
// swallowed, losing the focus commits unless the edit already finished. Line breaks and
// other control characters never enter the name.
#include <QPlainTextEdit>
#include <functional>

namespace catalog {

class TImgInplaceEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TImgInplaceEdit(QWidget* parent);

  // Shows the editor over `caption` (parent coordinates) with `text`, all of it selected.
  // maxWidth: the cell's outer width - 4; maxBottom: the control's client bottom.
  void Begin(int index, const QString& text, QRect caption, int maxWidth, int maxBottom);
  // Ends without committing (a page change, a refresh).
  void Cancel();
  int Index() const { return index_; }
  bool Finished() const { return finished_; }
  bool Editing() const { return isVisible() && !finished_; }
  QString Text() const;
  // Called with the entry index and the new text when a modified text is committed.
  std::function<void(int index, const QString& text)> OnCommit;
  // The control takes the focus back after Enter and Escape.
  std::function<void()> OnDone;
  // After every end of an edit, committed or not.
  std::function<void()> OnEnded;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void resizeToText();
  void finish(bool commit);

  int index_ = -1;
  bool finished_ = true;
  QRect caption_;
  int maxWidth_ = 0, maxBottom_ = 0;
};

}  // namespace catalog
