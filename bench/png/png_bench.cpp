// Decode and encode of a 4000 x 3000 photo-like picture at levels 1 and 9, ours beside
// libpng. Decoding reads the file libpng wrote with its usual adaptive filters.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "decode/png_graphic.h"
#ifdef QIVO2_HAVE_LIBPNG
#include "libpng_codec.h"
#endif

namespace {

constexpr int kW = 4000, kH = 3000;

// Smooth shapes, gradients and a little sensor noise.
const graphics::TBitmap& Photo() {
  static const graphics::TBitmap bitmap = [] {
    graphics::TBitmap b(kW, kH, graphics::TPixelFormat::pf24bit);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> noise(-3, 3);
    for (int y = 0; y < kH; ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < kW; ++x, p += 3) {
        const double u = x / 400.0, v = y / 300.0;
        const double base = 110 + 60 * std::sin(u * 1.3 + std::cos(v * 0.7)) + 30 * std::cos(v * 2.1 - u * 0.4);
        const int clampBase = int(base);
        p[0] = uint8_t(std::clamp(clampBase - 20 + int(10 * std::sin(u * 3)) + noise(rng), 0, 255));
        p[1] = uint8_t(std::clamp(clampBase + int(15 * std::cos(v * 2.5)) + noise(rng), 0, 255));
        p[2] = uint8_t(std::clamp(clampBase + 25 - int(y / 60) + noise(rng), 0, 255));
      }
    }
    return b;
  }();
  return bitmap;
}

std::vector<uint8_t> PhotoRgb() {
  const auto& b = Photo();
  std::vector<uint8_t> rgb(size_t(kW) * kH * 3);
  for (int y = 0; y < kH; ++y) {
    const uint8_t* s = b.ScanLine(y);
    uint8_t* d = rgb.data() + size_t(y) * kW * 3;
    for (int x = 0; x < kW; ++x, s += 3, d += 3) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  }
  return rgb;
}

QByteArray OurEncode(int level) {
  decode::TQVPNG png;
  png.Bitmap() = Photo();
  png.SetCompressionLevel(level);
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  png.SaveToStream(buffer);
  return out;
}

void OurDecode(QByteArray& bytes) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  decode::TQVPNG png;
  png.LoadFromStream(buffer);
  benchmark::DoNotOptimize(png.Bitmap().Bits());
}

void BM_QvpngEncode(benchmark::State& state) {
  Photo();
  size_t bytes = 0;
  for (auto _ : state) bytes = size_t(OurEncode(int(state.range(0))).size());
  state.counters["file_MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_QvpngEncode)->Arg(1)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(2);

#ifdef QIVO2_HAVE_LIBPNG
const std::vector<uint8_t>& LibpngFile(int level) {
  static std::map<int, std::vector<uint8_t>> files;
  auto& f = files[level];
  if (f.empty()) f = pngbench::LibpngEncode(PhotoRgb(), kW, kH, level, true);
  return f;
}

void BM_LibpngEncode(benchmark::State& state) {
  const auto rgb = PhotoRgb();
  const bool filters = state.range(1) != 0;
  size_t bytes = 0;
  for (auto _ : state) bytes = pngbench::LibpngEncode(rgb, kW, kH, int(state.range(0)), filters).size();
  state.counters["file_MB"] = double(bytes) / 1e6;
}
// Second argument: 0 = filter None (what we write), 1 = libpng's adaptive filters.
BENCHMARK(BM_LibpngEncode)->Args({1, 0})->Args({9, 0})->Args({1, 1})->Args({9, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_QvpngDecode(benchmark::State& state) {
  const auto& file = LibpngFile(int(state.range(0)));
  QByteArray bytes(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
  for (auto _ : state) OurDecode(bytes);
  state.counters["file_MB"] = double(file.size()) / 1e6;
}
BENCHMARK(BM_QvpngDecode)->Arg(1)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LibpngDecode(benchmark::State& state) {
  const auto& file = LibpngFile(int(state.range(0)));
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  for (auto _ : state) {
    if (!pngbench::LibpngDecode(file, rgb, w, h)) state.SkipWithError("libpng failed");
    benchmark::DoNotOptimize(rgb.data());
  }
  state.counters["file_MB"] = double(file.size()) / 1e6;
}
BENCHMARK(BM_LibpngDecode)->Arg(1)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(3);

// Our decoder on the files we write ourselves (filter None).
void BM_QvpngDecodeOwnFile(benchmark::State& state) {
  QByteArray bytes = OurEncode(int(state.range(0)));
  for (auto _ : state) OurDecode(bytes);
  state.counters["file_MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_QvpngDecodeOwnFile)->Arg(1)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(3);
#endif

}  // namespace

BENCHMARK_MAIN();
