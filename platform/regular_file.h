#pragma once
// The one way outside files are opened for reading. Only a regular file is handed on: the
// open never waits for the other end of a FIFO or a device, and a socket, directory or
// dangling link is refused before anything reads from it.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

class QFile;

namespace platform {

enum class FileError { None, NotFound, NotRegular, NoPermission, Other };

// An open descriptor of a regular file, closed with the object.
class RegularFile {
 public:
  static RegularFile Open(const QString& path);
  RegularFile() = default;
  RegularFile(RegularFile&& o) noexcept;
  RegularFile& operator=(RegularFile&& o) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  explicit operator bool() const { return fd_ >= 0; }
  FileError Error() const { return error_; }
  // The system's errno of a failed open (ELOOP, EACCES, ...); 0 when the system gave none
  // (a file that opened but is no regular file).
  int Errno() const { return errno_; }
  // Why the open failed, in the system's words ("" after a good open).
  QString FailureText() const;
  int Fd() const { return fd_; }
  // Size and modification time when it was opened.
  int64_t Size() const { return size_; }
  int64_t MtimeSec() const { return mtimeSec_; }
  // A name of this very file that stays valid while it is open (for APIs that take a path).
  QByteArray FdPath() const;
  // Lets `file` read through the descriptor, which this object still closes: keep it alive
  // while `file` is used. (Closing it here, not inside Qt, keeps every open and close of our
  // descriptors in code the thread sanitizer sees, so a reused number is no false race.)
  bool LendTo(QFile& file) const;
  // Up to `limit` bytes from the current position; nullopt on a read error.
  std::optional<QByteArray> Read(int64_t limit);

 private:
  void close();
  int fd_ = -1;
  FileError error_ = FileError::Other;
  int errno_ = 0;
  int64_t size_ = 0;
  int64_t mtimeSec_ = 0;
};

// Up to `limit` bytes of an open descriptor from `offset` (its position is not used);
// `sizeHint` is what the file is expected to hold there. nullopt on a read error.
std::optional<QByteArray> ReadAt(int fd, int64_t offset, int64_t limit, int64_t sizeHint);

// Whether the path names a regular file (links followed), found without blocking.
FileError CheckRegularFile(const QString& path);

// The whole file when it is a regular file of at most `limit` bytes; with `cut` a larger
// file gives its first `limit` bytes.
struct FileBytes {
  QByteArray bytes;
  FileError error = FileError::None;
  explicit operator bool() const { return error == FileError::None; }
};
FileBytes ReadRegularFile(const QString& path, int64_t limit, bool cut = false);

}  // namespace platform
