#include "platform/save_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/no_replace.h"
#include "platform/path_bytes.h"
#include "platform/temp_file.h"

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
  // An existing target keeps its permissions; a new one gets the umask's.
  struct stat st {};
  const mode_t mode = ::stat(target_.constData(), &st) == 0 ? (st.st_mode & 07777) : 0666;
  QByteArray candidate;
  const int fd = CreateTempFileBeside(target_, mode, candidate);
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
