#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "graphics/jpeg_image.h"

namespace {

using namespace graphics;

// A 4000 × 3000 photo-like JPEG (smooth areas, edges and fine texture), made once.
const QByteArray& Photo() {
  static const QByteArray data = [] {
    TBitmap b(4000, 3000);
    for (int y = 0; y < 3000; ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < 4000; ++x, p += 3) {
        const double fx = x / 4000.0, fy = y / 3000.0;
        const int texture = ((x * 7 + y * 13) % 17) - 8;
        p[0] = uint8_t(std::clamp(127 + int(100 * std::sin(fx * 11 + fy * 5)) + texture, 0, 255));
        p[1] = uint8_t(std::clamp(127 + int(100 * std::cos(fy * 9 - fx * 3)) + texture, 0, 255));
        p[2] = uint8_t(((x / 200 + y / 150) & 1) ? 220 : 40);
      }
    }
    TJPEGImage jpeg;
    jpeg.Assign(std::move(b));
    jpeg.SetCompressionQuality(90);
    return jpeg.SaveToMemory();
  }();
  return data;
}

void BM_Decode(benchmark::State& state) {
  const QByteArray& data = Photo();
  const auto scale = TJPEGScale(state.range(0));
  const auto performance = TJPEGPerformance(state.range(1));
  for (auto _ : state) {
    TJPEGImage jpeg;
    jpeg.SetScale(scale);
    jpeg.SetPerformance(performance);
    jpeg.LoadFromMemory(data);
    benchmark::DoNotOptimize(jpeg.Bitmap().Bits());
  }
  state.SetLabel(QStringLiteral("1/%1 %2")
                     .arg(1 << state.range(0))
                     .arg(performance == jpBestSpeed ? "fast" : "accurate")
                     .toStdString());
}

void BM_HeaderOnly(benchmark::State& state) {
  const QByteArray& data = Photo();
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadJpegInfo(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())));
}

void BM_Encode(benchmark::State& state) {
  TJPEGImage source;
  source.LoadFromMemory(Photo());
  for (auto _ : state) benchmark::DoNotOptimize(source.SaveToMemory());
}

}  // namespace

BENCHMARK(BM_Decode)->ArgsProduct({{jsFullSize, jsHalf, jsQuarter, jsEighth}, {jpBestQuality, jpBestSpeed}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
