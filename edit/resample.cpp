#include "edit/resample.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "edit/resample_detail.h"
#include "graphics/image_size.h"

namespace edit {
namespace {

using graphics::TBitmap;

constexpr uint32_t kUnit = 262144;        // 2^18, coverage of one source pixel
constexpr uint64_t kHalfUnit = 131072;    // 2^17
constexpr int kWeightShift = 20;          // enlarge weights in 2^-20
constexpr int32_t kWeightHalf = 524288;   // 2^19
constexpr int32_t kWeightMax = 267386880; // 255 × 2^20

ProgressClock& Clock() {
  static ProgressClock clock = [] {
    return int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count());
  };
  return clock;
}

// Reports (step × 100) div (2 × (n − 1)) plus the pass's base, at most every 50 ms,
// never 0.
class PassProgress {
 public:
  PassProgress(const TProgressProc& proc, int base, int steps)
      : proc_(proc && steps > 1 ? &proc : nullptr), base_(base), steps_(steps), last_(proc_ ? Clock()() : 0) {}

  void Step(int i) {
    if (!proc_) return;
    const int value = base_ + int((int64_t(i) * 100) / (2 * int64_t(steps_ - 1)));
    if (value == 0) return;
    const int64_t now = Clock()();
    if (now - last_ < 50) return;
    last_ = now;
    (*proc_)(value);
  }

 private:
  const TProgressProc* proc_;
  int base_;
  int steps_;
  int64_t last_;
};

// Where each target pixel's area starts in the source, in whole pixels and 2^-18 parts.
struct ShrinkPlan {
  std::vector<int> start;       // D + 1 entries
  std::vector<uint32_t> part;   // D + 1 entries
  uint64_t scale = 0;           // about 2^22 × D / S
};

ShrinkPlan PlanShrink(int s, int d) {
  ShrinkPlan plan;
  plan.scale = uint64_t(std::trunc(4194304.0L * (1.0L / ((long double)s / (long double)d)) + 0.5L));
  plan.start.resize(size_t(d) + 1);
  plan.part.resize(size_t(d) + 1);
  for (int i = 0; i <= d; ++i) {
    const long double q = (long double)(int64_t(s) * i) / (long double)d;
    const long double whole = std::trunc(q);
    plan.start[size_t(i)] = int(whole);
    plan.part[size_t(i)] = uint32_t(std::trunc((q - whole) * 262144.0L + 0.5L));
  }
  return plan;
}

uint8_t ShrinkResult(uint64_t sum, uint64_t scale) {
  return uint8_t(std::min<uint64_t>((sum * scale) >> 40, 255));
}

// 64-bit sums: the 32-bit ones overflow past reductions of about 64×.
void ShrinkRow(const uint8_t* src, uint8_t* dst, const ShrinkPlan& plan, int d) {
  for (int x = 0; x < d; ++x) {
    const int s = plan.start[size_t(x)];
    const int e = plan.start[size_t(x) + 1];
    const uint32_t fs = plan.part[size_t(x)];
    const uint32_t fe = plan.part[size_t(x) + 1];
    for (int c = 0; c < 3; ++c) {
      uint64_t sum = kHalfUnit;
      if (kUnit - fs != 0) sum += uint64_t(src[s * 3 + c]) * (kUnit - fs);
      for (int j = s + 1; j < e; ++j) sum += uint64_t(src[j * 3 + c]) * kUnit;
      if (fe != 0) sum += uint64_t(src[e * 3 + c]) * fe;
      dst[x * 3 + c] = ShrinkResult(sum, plan.scale);
    }
  }
}

void ShrinkWidth(const TBitmap& src, TBitmap& dst, const TProgressProc& progress) {
  const int d = dst.Width();
  const ShrinkPlan plan = PlanShrink(src.Width(), d);
  PassProgress report(progress, 0, src.Height());
  for (int y = 0; y < src.Height(); ++y) {
    ShrinkRow(src.ScanLine(y), dst.ScanLine(y), plan, d);
    report.Step(y);
  }
}

void ShrinkHeight(const TBitmap& src, TBitmap& dst, const TProgressProc& progress) {
  const int d = dst.Height();
  const size_t n = size_t(src.Width()) * 3;
  const ShrinkPlan plan = PlanShrink(src.Height(), d);
  std::vector<uint64_t> sum(n);
  auto add = [&](int row, uint64_t weight) {
    const uint8_t* p = src.ScanLine(row);
    for (size_t k = 0; k < n; ++k) sum[k] += p[k] * weight;
  };
  PassProgress report(progress, 50, d);
  for (int y = 0; y < d; ++y) {
    const int s = plan.start[size_t(y)];
    const int e = plan.start[size_t(y) + 1];
    const uint32_t fs = plan.part[size_t(y)];
    const uint32_t fe = plan.part[size_t(y) + 1];
    std::fill(sum.begin(), sum.end(), kHalfUnit);
    if (kUnit - fs != 0) add(s, kUnit - fs);
    for (int j = s + 1; j < e; ++j) add(j, kUnit);
    if (fe != 0) add(e, fe);
    uint8_t* out = dst.ScanLine(y);
    for (size_t k = 0; k < n; ++k) out[k] = ShrinkResult(sum[k], plan.scale);
    report.Step(y);
  }
}

// Four source indexes (clamped to the edges) and weights for each target pixel.
struct Taps {
  int index[4];
  int32_t weight[4];
};

int32_t Weight(long double l) { return int32_t(std::trunc(l * 1048576.0L + 0.5L)); }

std::vector<Taps> PlanEnlarge(int s, int d) {
  const long double sixth = 1.0L / 6.0L;
  std::vector<Taps> taps(static_cast<size_t>(d));
  for (int x = 0; x < d; ++x) {
    const long double p = (long double)(int64_t(s - 1) * x) / (long double)(d - 1);
    const long double whole = std::trunc(p);
    const int i0 = int(whole) - 1;
    const long double t = (p - whole) + 1.0L;
    Taps& tp = taps[size_t(x)];
    tp.weight[0] = Weight((t - 1) * (t - 2) * (t - 3) * -sixth);
    tp.weight[1] = Weight(t * (t - 2) * (t - 3) * 0.5L);
    tp.weight[2] = Weight(t * (t - 1) * (t - 3) * -0.5L);
    tp.weight[3] = Weight(t * (t - 1) * (t - 2) * sixth);
    for (int k = 0; k < 4; ++k) tp.index[k] = std::clamp(i0 + k, 0, s - 1);
  }
  return taps;
}

uint8_t EnlargeResult(int32_t acc) {
  if (acc < 0) return 0;
  if (acc > kWeightMax) return 255;
  return uint8_t(acc >> kWeightShift);
}

void EnlargeWidth(const TBitmap& src, TBitmap& dst, const TProgressProc& progress) {
  const int d = dst.Width();
  const std::vector<Taps> taps = PlanEnlarge(src.Width(), d);
  PassProgress report(progress, 0, src.Height());
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* in = src.ScanLine(y);
    uint8_t* out = dst.ScanLine(y);
    for (int x = 0; x < d; ++x) {
      const Taps& tp = taps[size_t(x)];
      for (int c = 0; c < 3; ++c) {
        int32_t acc = kWeightHalf;
        for (int k = 0; k < 4; ++k) acc += int32_t(in[tp.index[k] * 3 + c]) * tp.weight[k];
        out[x * 3 + c] = EnlargeResult(acc);
      }
    }
    report.Step(y);
  }
}

void EnlargeHeight(const TBitmap& src, TBitmap& dst, const TProgressProc& progress) {
  const int d = dst.Height();
  const size_t n = size_t(src.Width()) * 3;
  const std::vector<Taps> taps = PlanEnlarge(src.Height(), d);
  PassProgress report(progress, 50, d);
  for (int y = 0; y < d; ++y) {
    const Taps& tp = taps[size_t(y)];
    const uint8_t* r0 = src.ScanLine(tp.index[0]);
    const uint8_t* r1 = src.ScanLine(tp.index[1]);
    const uint8_t* r2 = src.ScanLine(tp.index[2]);
    const uint8_t* r3 = src.ScanLine(tp.index[3]);
    uint8_t* out = dst.ScanLine(y);
    for (size_t k = 0; k < n; ++k) {
      const int32_t acc = kWeightHalf + int32_t(r0[k]) * tp.weight[0] + int32_t(r1[k]) * tp.weight[1] +
                          int32_t(r2[k]) * tp.weight[2] + int32_t(r3[k]) * tp.weight[3];
      out[k] = EnlargeResult(acc);
    }
    report.Step(y);
  }
}

using Pass = void (*)(const TBitmap&, TBitmap&, const TProgressProc&);

// One pass into a work bitmap of the new size, which then replaces the bitmap.
void RunPass(TBitmap& bitmap, int width, int height, Pass pass, const TProgressProc& progress) {
  TBitmap work(width, height);
  work.Transparent = bitmap.Transparent;
  work.TransparentColor = bitmap.TransparentColor;
  pass(bitmap, work, progress);
  bitmap = std::move(work);
}

}  // namespace

ProgressClock SetProgressClockForTesting(ProgressClock clock) {
  ProgressClock old = Clock();
  Clock() = std::move(clock);
  return old;
}

bool ResizeBitmap(TBitmap& bitmap, int newWidth, int newHeight, const TProgressProc& progress) {
  if (bitmap.Empty()) return true;
  if (newWidth < 1 || newHeight < 1) return false;
  // Both work sizes are checked first so a failure leaves the bitmap as it was.
  if (!graphics::checkedImageBytes(newWidth, bitmap.Height(), 24) ||
      !graphics::checkedImageBytes(newWidth, newHeight, 24))
    throw graphics::EImageTooLarge("Resized picture too large");
  bitmap.ConvertTo24();
  if (newWidth != bitmap.Width())
    RunPass(bitmap, newWidth, bitmap.Height(), newWidth <= bitmap.Width() ? ShrinkWidth : EnlargeWidth, progress);
  if (newHeight != bitmap.Height())
    RunPass(bitmap, bitmap.Width(), newHeight, newHeight <= bitmap.Height() ? ShrinkHeight : EnlargeHeight,
            progress);
  return true;
}

}  // namespace edit
