// Time per thumbnail with the main window's settings (box 100 x 80, igtPreview,
// jpBestSpeed, cache on): cold (no cache file) and warm (cache present).
// Photos: the folder in QIVO2_BENCH_PHOTOS (default: the JPEG wallpapers of
// /usr/share/backgrounds), JPEG files of 3 to 16 megapixels only.
#include <benchmark/benchmark.h>

#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "catalog/img_util.h"
#include "catalog/thumb_cache.h"
#include "graphics/jpeg_image.h"

using namespace catalog;

namespace {

QStringList photos() {
  static const QStringList list = [] {
    QString root = qEnvironmentVariable("QIVO2_BENCH_PHOTOS");
    if (root.isEmpty()) root = "/usr/share/backgrounds";
    QStringList out;
    QDirIterator it(root, {"*.jpg", "*.jpeg", "*.JPG"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString p = it.next();
      const auto info = graphics::ReadJpegInfoFromFile(p);
      const qint64 pixels = info ? qint64(info->Width) * info->Height : 0;
      if (pixels >= 3'000'000 && pixels <= 16'000'000) out << p;
    }
    out.sort();
    return out;
  }();
  return list;
}

struct Fixture {
  QTemporaryDir dir;
  TThumb thumb;
  TImgUtil util;
  Fixture() {
    thumb.Path = dir.path();
    thumb.FileName = "bench";
    util.Thumbnail = &thumb;
    util.AutoThumb = true;
    util.GetType = TGetType::igtPreview;
    util.Performance = graphics::jpBestSpeed;
  }
  void all(benchmark::State& state) {
    for (const QString& p : photos())
      if (util.Load(p, 100, 0, 80) != 0) state.SkipWithError("a photo failed to load");
  }
};

void BM_ThumbnailCold(benchmark::State& state) {
  if (photos().isEmpty()) return state.SkipWithError("no photos of 3 to 16 megapixels");
  Fixture f;
  for (auto _ : state) {
    state.PauseTiming();
    QFile::remove(f.thumb.CacheFileName(photos().first()));
    f.thumb.ClearIndex();
    state.ResumeTiming();
    f.all(state);
  }
  state.SetItemsProcessed(state.iterations() * photos().size());
  state.counters["ms_per_photo"] =
      benchmark::Counter(double(photos().size()) / 1000.0, benchmark::Counter::kIsIterationInvariantRate |
                                                              benchmark::Counter::kInvert);
  state.counters["photos"] = double(photos().size());
}

void BM_ThumbnailWarm(benchmark::State& state) {
  if (photos().isEmpty()) return state.SkipWithError("no photos of 3 to 16 megapixels");
  Fixture f;
  f.all(state);  // fills the cache
  const int before = TImgUtil::DecoderCalls();
  for (auto _ : state) f.all(state);
  if (TImgUtil::DecoderCalls() != before) state.SkipWithError("warm run decoded pictures");
  state.SetItemsProcessed(state.iterations() * photos().size());
  state.counters["ms_per_photo"] =
      benchmark::Counter(double(photos().size()) / 1000.0, benchmark::Counter::kIsIterationInvariantRate |
                                                              benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_ThumbnailCold)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ThumbnailWarm)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
