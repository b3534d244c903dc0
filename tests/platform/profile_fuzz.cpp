// Any bytes as a settings file: reads never crash, a written key reads back, a second
// identical write leaves the file alone and a deleted key is gone.
#include "platform/profile.h"

#include <QByteArray>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace pp = platform::profile;

namespace {

QString scratchFile() {
  static const QString path = [] {
    // tmpfs where there is one: every write syncs, which a disk makes slow.
    char shm[] = "/dev/shm/qivo2-profile-fuzz-XXXXXX";
    char tmp[] = "/tmp/qivo2-profile-fuzz-XXXXXX";
    const char* dir = access("/dev/shm", W_OK) == 0 ? mkdtemp(shm) : mkdtemp(tmp);
    if (!dir) abort();
    return QString::fromUtf8(dir) + "/f.ini";
  }();
  return path;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = scratchFile();
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  for (const char* section : {"Main", "main", "Catalog", "X"}) {
    pp::ReadString(path, section, "State", "d");
    pp::ReadInteger(path, section, "Color", 7);
    pp::SectionExists(path, section);
  }
  check(pp::WriteString(path, "Main", "FuzzKey", "v=1;x"));
  check(pp::ReadString(path, "main", "fuzzkey", "") == "v=1;x");
  const QByteArray once = fileBytes(path);
  check(pp::WriteString(path, "Main", "FuzzKey", "v=1;x"));
  check(fileBytes(path) == once);
  check(pp::WriteInteger(path, "New Section", "N", -5));
  check(pp::ReadInteger(path, "new section", "n", 0) == -5);
  check(pp::DeleteKey(path, "Main", "FuzzKey"));
  check(pp::ReadString(path, "Main", "FuzzKey", "gone") == "gone");
  check(pp::EraseSection(path, "New Section"));
  check(!pp::SectionExists(path, "new section"));
  return 0;
}
