#include "platform/regular_file.h"

#include <QFile>

#include "platform/fileop.h"
#include "platform/path_bytes.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

FileError errorOf(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
      return FileError::NotFound;
    case EACCES:
    case EPERM:
      return FileError::NoPermission;
    case ENXIO:  // a socket, or a device without its driver
    case ENODEV:
    case EISDIR:
      return FileError::NotRegular;
    default:
      return FileError::Other;
  }
}

}  // namespace

RegularFile RegularFile::Open(const QString& path) {
  RegularFile f;
  if (path.isEmpty()) {
    f.error_ = FileError::NotFound;
    f.errno_ = ENOENT;
    return f;
  }
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer.
  int fd;
  do fd = ::open(PathBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    f.errno_ = errno;
    f.error_ = errorOf(f.errno_);
    return f;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    f.errno_ = S_ISREG(st.st_mode) ? errno : 0;
    f.error_ = S_ISREG(st.st_mode) ? FileError::Other : FileError::NotRegular;
    ::close(fd);
    return f;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    f.errno_ = errno;
    f.error_ = FileError::Other;
    ::close(fd);
    return f;
  }
  f.fd_ = fd;
  f.error_ = FileError::None;
  f.size_ = int64_t(st.st_size);
  f.mtimeSec_ = int64_t(st.st_mtim.tv_sec);
  return f;
}

RegularFile::RegularFile(RegularFile&& o) noexcept
    : fd_(o.fd_), error_(o.error_), errno_(o.errno_), size_(o.size_), mtimeSec_(o.mtimeSec_) {
  o.fd_ = -1;
}

RegularFile& RegularFile::operator=(RegularFile&& o) noexcept {
  if (this != &o) {
    close();
    fd_ = o.fd_;
    error_ = o.error_;
    errno_ = o.errno_;
    size_ = o.size_;
    mtimeSec_ = o.mtimeSec_;
    o.fd_ = -1;
  }
  return *this;
}

RegularFile::~RegularFile() { close(); }

QString RegularFile::FailureText() const {
  if (fd_ >= 0) return QString();
  if (errno_ != 0) return ErrorText(errno_);
  return error_ == FileError::NotRegular ? QStringLiteral("not a regular file (a FIFO, socket, device or folder)")
                                         : QStringLiteral("cannot be read");
}

void RegularFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

QByteArray RegularFile::FdPath() const { return fd_ < 0 ? QByteArray() : "/proc/self/fd/" + QByteArray::number(fd_); }

bool RegularFile::LendTo(QFile& file) const {
  return fd_ >= 0 && file.open(fd_, QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
}

std::optional<QByteArray> ReadAt(int fd, int64_t offset, int64_t limit, int64_t sizeHint) {
  if (fd < 0 || offset < 0 || limit < 0) return std::nullopt;
  QByteArray out;
  // The size is a hint only: the file may shrink or grow meanwhile.
  out.resize(qsizetype(std::min(limit, std::max<int64_t>(sizeHint, 0))));
  qsizetype got = 0;
  for (;;) {
    if (got == out.size()) {
      if (got >= limit) break;
      out.resize(qsizetype(std::min<int64_t>(limit, int64_t(got) + 64 * 1024)));
    }
    const ssize_t n = ::pread(fd, out.data() + got, size_t(out.size() - got), off_t(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += n;
  }
  out.truncate(got);
  return out;
}

std::optional<QByteArray> RegularFile::Read(int64_t limit) {
  if (fd_ < 0) return std::nullopt;
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  if (at < 0) return std::nullopt;
  auto out = ReadAt(fd_, at, limit, size_ - at);
  if (out) ::lseek(fd_, at + off_t(out->size()), SEEK_SET);
  return out;
}

FileError CheckRegularFile(const QString& path) { return RegularFile::Open(path).Error(); }

FileBytes ReadRegularFile(const QString& path, int64_t limit, bool cut) {
  FileBytes r;
  RegularFile f = RegularFile::Open(path);
  if (!f) {
    r.error = f.Error();
    return r;
  }
  // A file too large by its size is refused before any of it is read.
  if (!cut && f.Size() > limit) {
    r.error = FileError::Other;
    return r;
  }
  // One byte past the limit tells a file that is too large from one that fits exactly.
  const auto bytes = f.Read(cut ? limit : limit + 1);
  if (!bytes || (!cut && bytes->size() > limit)) {
    r.error = FileError::Other;
    return r;
  }
  r.bytes = *bytes;
  return r;
}

}  // namespace platform
