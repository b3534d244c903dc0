#include <benchmark/benchmark.h>

#include <cmath>

#include "edit/image_ops.h"

namespace {

using graphics::TBitmap;

// Smooth shapes with some fine detail, like a photo.
TBitmap Photo(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const double fx = double(x) / w, fy = double(y) / h;
      p[0] = uint8_t(127 + 120 * std::sin(fx * 9 + fy * 3));
      p[1] = uint8_t(127 + 120 * std::cos(fy * 7 - fx * 2));
      p[2] = uint8_t((x ^ y) & 0xFF);
    }
  }
  return b;
}

void Resize(benchmark::State& state, int w, int h, int nw, int nh) {
  const TBitmap source = Photo(w, h);
  for (auto _ : state) {
    state.PauseTiming();
    TBitmap b = source;
    state.ResumeTiming();
    edit::ResizeBitmap(b, nw, nh);
    benchmark::DoNotOptimize(b.Bits());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(w) * h);
}

void BM_Shrink4000x3000To100x75(benchmark::State& s) { Resize(s, 4000, 3000, 100, 75); }
void BM_Enlarge100x75To800x600(benchmark::State& s) { Resize(s, 100, 75, 800, 600); }

void BM_TurnRight4000x3000(benchmark::State& state) {
  TBitmap b = Photo(4000, 3000);
  for (auto _ : state) {
    edit::TurnRight(b);
    benchmark::DoNotOptimize(b.Bits());
  }
}

void BM_Gamma4000x3000(benchmark::State& state) {
  TBitmap b = Photo(4000, 3000);
  for (auto _ : state) {
    edit::GammaCorrect(b, 1.8);
    benchmark::DoNotOptimize(b.Bits());
  }
}

}  // namespace

BENCHMARK(BM_Shrink4000x3000To100x75)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Enlarge100x75To800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnRight4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gamma4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
