#include "platform/profile.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

// A settings file of realistic size: every section of the program, about 90 keys.
QString makeFile(const QTemporaryDir& dir) {
  const QString path = dir.path() + "/qivo2.ini";
  QByteArray text;
  const char* sections[] = {"Main", "History", "View", "Catalog", "Slide", "OtherSoft", "SaveFolder",
                            "ListPath", "Convert", "Color", "JPEG", "PNG", "Rotate", "Media"};
  for (const char* s : sections) {
    text += QByteArray("[") + s + "]\n";
    for (int k = 0; k < 7; ++k) text += "Key" + QByteArray::number(k) + "=/home/user/pictures/folder" + QByteArray::number(k) + "\n";
    text += "\n";
  }
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(text);
  return path;
}

void BM_ReadInteger(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = makeFile(dir);
  for (auto _ : state) benchmark::DoNotOptimize(platform::profile::ReadInteger(path, "Media", "Key6", 0));
}
BENCHMARK(BM_ReadInteger);

// Includes the fsync of the file and its folder, so the figure depends on the disk.
void BM_WriteInteger(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = makeFile(dir);
  int i = 0;
  for (auto _ : state) platform::profile::WriteInteger(path, "Main", "Key3", ++i);
}
BENCHMARK(BM_WriteInteger)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
