#include "platform/single_instance.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

QString lockPath(const QString& name) {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + "/" + name;
  return QStringLiteral("/tmp/%1-%2").arg(name).arg(getuid());
}

}  // namespace

TSingleInstance::TSingleInstance(const QString& name) : path_(lockPath(name)) {}

TSingleInstance::~TSingleInstance() { Release(); }

bool TSingleInstance::TryAcquire() {
  if (fd_ >= 0) return true;
  // O_NOFOLLOW: a link planted in /tmp cannot point the lock at another file.
  const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return true;
  int r;
  while ((r = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (r != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return !held;
  }
  fd_ = fd;
  return true;
}

void TSingleInstance::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing drops the lock; the file stays for the next start
  fd_ = -1;
}

}  // namespace platform
