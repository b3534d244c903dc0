#pragma once
// Decode workers (qivo2-decode) a process started that still run, found in /proc by the
// "--parent PID" they are started with.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <sys/types.h>

namespace testsupport {

inline int WorkersOf(pid_t parent) {
  int count = 0;
  // The arguments are NUL-separated: the mark holds the NUL between them.
  const QByteArray mark = QByteArray("--parent\0", 9) + QByteArray::number(parent) + '\0';
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    QFile f("/proc/" + entry + "/cmdline");
    if (f.open(QIODevice::ReadOnly) && f.readAll().contains(mark)) ++count;
  }
  return count;
}

}  // namespace testsupport
