#include "platform/save_file.h"

#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_bytes.h"

namespace platform {

TSaveFile::TSaveFile(const QString& target) : target_(PathBytes(target)) {}

TSaveFile::~TSaveFile() {
  file_.close();
  if (!temp_.isEmpty()) ::unlink(temp_.constData());
}

bool TSaveFile::Open() {
  if (target_.isEmpty() || !temp_.isEmpty()) return false;
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
    if (fd < 0) return false;
    if (!file_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
      ::close(fd);
      ::unlink(candidate.constData());
      return false;
    }
    fd_ = fd;
    temp_ = candidate;
    return true;
  }
  return false;
}

bool TSaveFile::Commit() {
  if (temp_.isEmpty()) return false;
  bool ok = file_.flush() && file_.error() == QFileDevice::NoError && ::fsync(fd_) == 0;
  file_.close();
  if (!ok || ::rename(temp_.constData(), target_.constData()) != 0) return false;  // the destructor removes it
  temp_.clear();
  return true;
}

}  // namespace platform
