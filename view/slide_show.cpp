#include "view/slide_show.h"

#include "platform/path_bytes.h"

namespace view {

namespace {
QString FileNameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }
}  // namespace

void TSlideShow::Start(QStringList files, int index, bool loop, bool showName, const QString& copyFolder) {
  files_ = std::move(files);
  index_ = index;
  loop_ = loop;
  showName_ = showName;
  copyFolder_ = copyFolder;
  over_ = false;
  timerOn_ = true;
  items_ = {};
  messageLabel_.clear();
  messageIsError_ = false;
}

QString TSlideShow::StartLabel(const QString& fileName, int catalogueIndex, int catalogueCount) {
  return QStringLiteral("%1 (%2/%3)").arg(platform::DisplayName(fileName)).arg(catalogueIndex + 1).arg(catalogueCount);
}

QString TSlideShow::LabelFor(int index) const {
  return QStringLiteral("%1 (%2/%3)")
      .arg(platform::DisplayName(FileNameOf(files_.at(index))))
      .arg(index + 1)
      .arg(files_.size());
}

void TSlideShow::ClearMessage() {
  messageLabel_.clear();
  messageIsError_ = false;
}

int TSlideShow::ShowNext() {
  const int count = int(files_.size());
  if (index_ < count - 1) {
    // A start past the list (the catalogue counts entries the list may not hold) or a step
    // back past the first file never indexes outside it.
    index_ = std::max(index_ + 1, 0);
    fileNameLabel_ = showName_ ? LabelFor(index_) : QString();
    return index_;
  }
  if (loop_) {
    index_ = -1;
    items_.One = items_.Three = items_.Five = items_.SlideRestart = items_.NextImage = items_.PrevImage = true;
    return -1;
  }
  timerOn_ = false;
  over_ = true;
  if (showName_ && count > 0) {
    fileNameLabel_ = QStringLiteral("%1 (%2/%2)").arg(platform::DisplayName(FileNameOf(files_.last()))).arg(count);
  }
  messageLabel_ = QString::fromLatin1(kSlideOver);
  messageIsError_ = false;
  return -1;
}

void TSlideShow::Shown(int index, const QString& error) {
  if (index < 0 || index >= files_.size()) return;
  if (!error.isEmpty()) {
    messageLabel_ = platform::DisplayName(FileNameOf(files_.at(index))) + QStringLiteral(": ") + error;
    messageIsError_ = true;
  } else if (messageIsError_) {
    ClearMessage();
  }
}

int TSlideShow::Resume() {
  items_.One = items_.Three = items_.Five = items_.SlideRestart = items_.NextImage = items_.PrevImage = true;
  ClearMessage();
  over_ = false;
  timerOn_ = true;
  return -1;
}

int TSlideShow::FromBefore(int count) {
  index_ = std::max(index_ - (count + 1), -1);
  items_.NextImage = items_.PrevImage = true;
  if (count == 1) items_.Three = items_.Five = true;
  if (count == 3) items_.Five = true;
  ClearMessage();
  over_ = false;
  const int shown = ShowNext();
  timerOn_ = true;
  return shown;
}

int TSlideShow::FromFirst() {
  index_ = -1;
  items_.One = items_.Three = items_.Five = items_.NextImage = items_.PrevImage = true;
  ClearMessage();
  over_ = false;
  const int shown = ShowNext();
  timerOn_ = true;
  return shown;
}

int TSlideShow::Next() {
  timerOn_ = false;
  items_.NextImage = items_.PrevImage = true;
  const int shown = ShowNext();
  if (index_ == files_.size() - 1) {
    messageLabel_ = QString::fromLatin1(kSlideOver);
    messageIsError_ = false;
  }
  return shown;
}

int TSlideShow::Previous() {
  if (index_ < 1) return -1;
  timerOn_ = false;
  items_.NextImage = items_.PrevImage = true;
  index_ -= 2;
  return ShowNext();
}

void TSlideShow::MousePress(bool rightButton) {
  if (rightButton) timerOn_ = false;
  if (index_ < 1) {
    items_.One = items_.Three = items_.Five = items_.SlideRestart = items_.PrevImage = false;
  } else if (index_ <= 2) {
    items_.Three = items_.Five = false;
  } else if (index_ <= 4) {
    items_.Five = false;
  }
  if (index_ == files_.size() - 1) items_.NextImage = false;
}

QString TSlideShow::CopySource() const {
  if (copyFolder_.isEmpty() || index_ < 0 || index_ >= files_.size()) return {};
  return files_.at(index_);
}

QString TSlideShow::CopyTarget() const {
  const QString source = CopySource();
  if (source.isEmpty()) return {};
  QString folder = copyFolder_;
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder + QLatin1Char('_') + FileNameOf(source);
}

int TSlideShow::Upcoming() const {
  if (files_.isEmpty()) return -1;
  if (index_ < files_.size() - 1) return std::max(index_ + 1, 0);
  return loop_ ? 0 : -1;
}

}  // namespace view
