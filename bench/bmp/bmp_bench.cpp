#include <benchmark/benchmark.h>

#include "graphics/bmp_graphic.h"

using namespace graphics;

namespace {

constexpr int kW = 4000, kH = 3000;

TBitmap picture(TPixelFormat f) {
  TBitmap b(kW, kH, f);
  for (int y = 0; y < kH; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (size_t i = 0; i < b.Stride(); ++i) row[i] = uint8_t(i * 7 + y);
  }
  return b;
}

// An RLE8 file of runs of 100 pixels, as a scanned drawing might have.
QByteArray rle8File() {
  QByteArray px;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; x += 100) px.append(char(100)).append(char((x / 100 + y) & 0xFF));
    px.append('\0').append('\0');
  }
  px.append('\0').append('\1');
  QByteArray f = WriteBMP(TBitmap(1, 1, TPixelFormat::pf8bit));
  const QByteArray header = f.left(14 + 40 + 1024);
  QByteArray out = header + px;
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = char((v >> (8 * i)) & 0xFF);
  };
  put32(18, kW);
  put32(22, kH);
  put32(30, 1);  // BI_RLE8
  put32(34, uint32_t(px.size()));
  return out;
}

void read(benchmark::State& state, const QByteArray& file) {
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size()));
  for (auto _ : state) benchmark::DoNotOptimize(ReadBMP(bytes));
  state.SetBytesProcessed(int64_t(state.iterations()) * file.size());
}

void BM_Read24(benchmark::State& state) { read(state, WriteBMP(picture(TPixelFormat::pf24bit))); }
void BM_Read8(benchmark::State& state) { read(state, WriteBMP(picture(TPixelFormat::pf8bit))); }
void BM_ReadRle8(benchmark::State& state) { read(state, rle8File()); }
void BM_Write24(benchmark::State& state) {
  const TBitmap b = picture(TPixelFormat::pf24bit);
  for (auto _ : state) benchmark::DoNotOptimize(WriteBMP(b));
}

}  // namespace

BENCHMARK(BM_Read24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write24)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
