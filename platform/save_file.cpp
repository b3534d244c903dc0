#include "platform/save_file.h"

#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/no_replace.h"
#include "platform/path_bytes.h"

namespace platform {

TSaveFile::TSaveFile(const QString& target, TReplace replace)
    : target_(PathBytes(target)), replace_(replace) {}

TSaveFile::~TSaveFile() {
  file_.close();
  if (!temp_.isEmpty()) ::unlink(temp_.constData());
}

bool TSaveFile::Open() {
  if (target_.isEmpty() || !temp_.isEmpty()) {
    error_ = EINVAL;
    return false;
  }
  const qsizetype slash = target_.lastIndexOf('/');
  const QByteArray folder = target_.left(slash + 1), name = target_.mid(slash + 1);
  // An existing target keeps its permissions; a new one gets the umask's.
  struct stat st {};
  const mode_t mode = ::stat(target_.constData(), &st) == 0 ? (st.st_mode & 07777) : 0666;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QByteArray candidate =
        folder + "." + name + "." + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
    const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      error_ = errno;
      return false;
    }
    if (!file_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
      error_ = EIO;
      ::close(fd);
      ::unlink(candidate.constData());
      return false;
    }
    fd_ = fd;
    temp_ = candidate;
    return true;
  }
  error_ = EEXIST;
  return false;
}

bool TSaveFile::Commit() {
  if (temp_.isEmpty()) {
    error_ = EINVAL;
    return false;
  }
  const bool written = file_.flush() && file_.error() == QFileDevice::NoError;
  const bool synced = written && ::fsync(fd_) == 0;
  if (written && !synced) error_ = errno;
  if (!written) error_ = errno != 0 ? errno : EIO;
  file_.close();
  if (!synced) return false;  // the destructor removes the temporary file
  const int err = replace_ == TReplace::Never
                      ? RenameNoReplace(temp_, target_)
                      : (::rename(temp_.constData(), target_.constData()) == 0 ? 0 : errno);
  if (err != 0) {
    error_ = err;
    return false;
  }
  temp_.clear();
  return true;
}

}  // namespace platform
