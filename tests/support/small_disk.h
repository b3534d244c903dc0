#pragma once
// A small file system of its own, where the test may mount one (root, tmpfs); tests that
// need one skip without it.
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <sys/mount.h>

struct SmallDisk {
  QTemporaryDir dir;
  bool mounted = false;
  explicit SmallDisk(const char* size) {
    const QByteArray opts = QByteArray("size=") + size;
    mounted = dir.isValid() &&
              ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, opts.constData()) == 0;
  }
  ~SmallDisk() {
    if (mounted) ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  QString path() const { return dir.path(); }
};
