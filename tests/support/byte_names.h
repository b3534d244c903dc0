#pragma once
// File names that are not valid UTF-8, as a user's disk may hold them: two that differ only
// in a byte Qt would decode to the same U+FFFD, and one with no valid byte before the dot.
#include <QByteArray>
#include <QString>
#include <fcntl.h>
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

inline bool BytePathExists(const QString& path) { return ::access(platform::PathBytes(path).constData(), F_OK) == 0; }
