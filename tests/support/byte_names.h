#pragma once
// File names that are not valid UTF-8, as a user's disk may hold them: two that differ only
// in a byte Qt would decode to the same U+FFFD, and one with no valid byte before the dot.
#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>
#include <vector>

#include "platform/path_bytes.h"

inline const std::vector<QByteArray>& ByteNames() {
  static const std::vector<QByteArray> names{QByteArray("caf\xe9.jpg"), QByteArray("caf\xe8.jpg"),
                                             QByteArray("\xff\xfe.jpg")};
  return names;
}

// A path under `folder` whose last component is `name`'s bytes.
inline QString BytePath(const QString& folder, const QByteArray& name) {
  return platform::PathFromBytes(platform::PathBytes(folder) + "/" + name);
}

// Writes `content` to the file named by the path's bytes; false when it cannot.
inline bool WriteBytePath(const QString& path, const QByteArray& content) {
  const int fd = ::open(platform::PathBytes(path).constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
  return ::close(fd) == 0 && ok;
}

// The names in `folder` as bytes, sorted, without "." and "..".
inline QList<QByteArray> ByteNamesIn(const QByteArray& folder) {
  QList<QByteArray> names;
  DIR* d = ::opendir(folder.constData());
  if (!d) return names;
  while (const dirent* e = ::readdir(d))
    if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0) names << QByteArray(e->d_name);
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

inline bool BytePathExists(const QString& path) { return ::access(platform::PathBytes(path).constData(), F_OK) == 0; }

// Files named by the path's bytes under `folder` (not its sub-folders); Qt's QDir skips them.
inline int CountBytePaths(const QString& folder) {
  DIR* d = ::opendir(platform::PathBytes(folder).constData());
  if (!d) return -1;
  int n = 0;
  while (const dirent* e = ::readdir(d))
    if (e->d_type == DT_REG) ++n;
  ::closedir(d);
  return n;
}

// Removes a folder tree whatever its names hold when it goes out of scope: QTemporaryDir
// cannot remove names that are not UTF-8. Declare it after the folder it cleans.
class ByteNameCleanup {
 public:
  explicit ByteNameCleanup(const QString& folder) : folder_(platform::PathBytes(folder)) {}
  ~ByteNameCleanup() {
    ::nftw(folder_.constData(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 16,
           FTW_DEPTH | FTW_PHYS);
  }
  ByteNameCleanup(const ByteNameCleanup&) = delete;
  ByteNameCleanup& operator=(const ByteNameCleanup&) = delete;

 private:
  QByteArray folder_;
};
