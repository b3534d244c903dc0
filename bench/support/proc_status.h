#pragma once
// A number of kB from /proc/self/status ("VmRSS:", "VmHWM:"), -1 when not there.
#include <QByteArray>
#include <QFile>

namespace bench {

inline long ProcStatusKb(const char* key) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
  return -1;
}

}  // namespace bench
