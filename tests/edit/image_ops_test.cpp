#include "edit/image_ops.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <random>
#include <vector>

#include "edit/resample_detail.h"

using namespace edit;
using graphics::TPixelFormat;

namespace {

using Bgr = std::array<int, 3>;

TBitmap Filled(int w, int h, Bgr c) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int k = 0; k < 3; ++k) b.ScanLine(y)[x * 3 + k] = uint8_t(c[size_t(k)]);
  return b;
}

Bgr At(const TBitmap& b, int x, int y) {
  const uint8_t* p = b.ScanLine(y) + x * 3;
  return {p[0], p[1], p[2]};
}

void Set(TBitmap& b, int x, int y, Bgr c) {
  uint8_t* p = b.ScanLine(y) + x * 3;
  for (int k = 0; k < 3; ++k) p[k] = uint8_t(c[size_t(k)]);
}

TBitmap Noise(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) b.ScanLine(y)[x] = uint8_t(rng());
  return b;
}

// A one-row (or, transposed, one-column) picture whose channels hold the given values.
TBitmap Line(const std::array<std::vector<int>, 3>& channels, bool vertical) {
  const int n = int(channels[0].size());
  TBitmap b(vertical ? 1 : n, vertical ? n : 1);
  for (int i = 0; i < n; ++i)
    Set(b, vertical ? 0 : i, vertical ? i : 0, {channels[0][size_t(i)], channels[1][size_t(i)], channels[2][size_t(i)]});
  return b;
}

}  // namespace

TEST(ResizeBitmap, ExactRowsAndColumns) {
  struct Case {
    const char* name;
    std::array<std::vector<int>, 3> source;
    std::array<std::vector<int>, 3> expected;
  };
  const Case cases[] = {
      // Lagrange through three values; first and last target equal first and last source.
      {"enlarge 3 to 6",
       {{{0, 128, 255}, {0, 255, 0}, {10, 200, 30}}},
       {{{0, 43, 98, 158, 212, 255}, {0, 114, 220, 220, 114, 0}, {10, 94, 173, 178, 107, 30}}}},
      {"enlarge 1 to 3", {{{7}, {8}, {9}}}, {{{7, 7, 7}, {8, 8, 8}, {9, 9, 9}}}},
      // Overshoot clamps instead of wrapping.
      {"enlarge clamps", {{{0, 0, 255, 255}, {255, 255, 0, 0}, {0, 255, 255, 0}}},
       {{{0, 0, 0, 128, 255, 255, 255}, {255, 255, 255, 128, 0, 0, 0}, {0, 128, 255, 255, 255, 128, 0}}}},
      {"shrink 4 to 2", {{{0, 100, 50, 150}, {255, 255, 0, 0}, {1, 2, 3, 4}}}, {{{50, 100}, {255, 0}, {1, 3}}}},  // 1.5 + 0.25 truncates
      // Half of the middle pixel belongs to each target pixel.
      {"shrink 3 to 2", {{{0, 90, 180}, {30, 30, 30}, {255, 0, 255}}}, {{{30, 150}, {30, 30}, {170, 170}}}},
  };
  for (const auto& c : cases) {
    for (bool vertical : {false, true}) {
      TBitmap b = Line(c.source, vertical);
      const int d = int(c.expected[0].size());
      ASSERT_TRUE(ResizeBitmap(b, vertical ? 1 : d, vertical ? d : 1));
      ASSERT_EQ(b.Width() * b.Height(), d);
      for (int i = 0; i < d; ++i) {
        const Bgr want{c.expected[0][size_t(i)], c.expected[1][size_t(i)], c.expected[2][size_t(i)]};
        EXPECT_EQ(At(b, vertical ? 0 : i, vertical ? i : 0), want) << c.name << (vertical ? " vertical " : " ") << i;
      }
    }
  }
}

TEST(ResizeBitmap, UniformColourIsKept) {
  const Bgr colour{10, 200, 255};
  const std::pair<int, int> sizes[] = {{2, 2}, {9, 9}, {1, 1}, {9, 2}, {3, 7}, {4, 4}};
  for (auto [w, h] : sizes) {
    TBitmap b = Filled(4, 4, colour);
    ASSERT_TRUE(ResizeBitmap(b, w, h));
    ASSERT_EQ(b.Width(), w);
    ASSERT_EQ(b.Height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(At(b, x, y), colour) << w << "x" << h << " at " << x << "," << y;
  }
}

TEST(ResizeBitmap, StrongReductionsDoNotOverflow) {
  // 255 × 2^18 × 1000 overflows 32 bits many times over.
  for (auto [w, h] : {std::pair{1000, 1}, {1, 1000}, {700, 300}}) {
    TBitmap b = Filled(w, h, {255, 128, 0});
    ASSERT_TRUE(ResizeBitmap(b, 1, 1));
    const Bgr got = At(b, 0, 0);
    EXPECT_NEAR(got[0], 255, 1) << w << "x" << h;
    EXPECT_NEAR(got[1], 128, 1) << w << "x" << h;
    EXPECT_EQ(got[2], 0) << w << "x" << h;
  }
}

TEST(ResizeBitmap, SameSizeOnlyConvertsAndBadTargetsAreRefused) {
  TBitmap indexed(3, 2, TPixelFormat::pf8bit);
  indexed.Palette()[1] = {1, 2, 3, 0};
  indexed.SetPixelIndex(2, 1, 1);
  TBitmap b = indexed;
  ASSERT_TRUE(ResizeBitmap(b, 3, 2));
  EXPECT_EQ(b, indexed.To24());

  const TBitmap noise = Noise(5, 4, 1);
  for (auto [w, h] : {std::pair{0, 4}, {5, 0}, {-1, -1}}) {
    TBitmap c = noise;
    EXPECT_FALSE(ResizeBitmap(c, w, h));
    EXPECT_EQ(c, noise);
  }
  TBitmap wide = noise;  // the first pass would fit, the second not
  EXPECT_THROW(ResizeBitmap(wide, 300000, 5000), graphics::EImageTooLarge);
  EXPECT_EQ(wide, noise);
  TBitmap empty;
  EXPECT_TRUE(ResizeBitmap(empty, 10, 10));
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(&Resample, &Resample);  // the catalogue's name exists
  TBitmap r = noise;
  ASSERT_TRUE(Resample(r, 2, 9));
  EXPECT_EQ(r.Width(), 2);
}

TEST(ResizeBitmap, ProgressFollowsStepsAndTime) {
  struct Case {
    const char* name;
    int w, h, nw, nh;
    int tick;  // ms the fake clock advances per reading
    std::vector<int> reports;
  };
  const Case cases[] = {
      {"shrink both", 4, 4, 2, 2, 60, {16, 33, 50, 50, 100}},
      {"enlarge both", 2, 3, 3, 5, 60, {25, 50, 50, 62, 75, 87, 100}},
      {"too soon", 4, 4, 2, 2, 10, {}},
      {"one step", 4, 1, 2, 1, 60, {}},
  };
  for (const auto& c : cases) {
    int64_t now = 0;
    const int tick = c.tick;
    const ProgressClock old = SetProgressClockForTesting([&now, tick] { return now += tick; });
    std::vector<int> got;
    TBitmap b = Noise(c.w, c.h, 2);
    ResizeBitmap(b, c.nw, c.nh, [&](int p) { got.push_back(p); });
    SetProgressClockForTesting(old);
    EXPECT_EQ(got, c.reports) << c.name;
  }
}

TEST(ImageOps, PointOperationsOnSinglePixels) {
  struct Case {
    const char* name;
    std::function<void(TBitmap&)> op;
    Bgr in, out;
  };
  const Case cases[] = {
      {"brightness 255", [](TBitmap& b) { AdjustBrightness(b, 255); }, {10, 20, 30}, {255, 255, 255}},
      {"brightness 256 ignored", [](TBitmap& b) { AdjustBrightness(b, 256); }, {10, 20, 30}, {10, 20, 30}},
      {"brightness -255", [](TBitmap& b) { AdjustBrightness(b, -255); }, {10, 20, 255}, {0, 0, 0}},
      {"brightness -40", [](TBitmap& b) { AdjustBrightness(b, -40); }, {10, 50, 255}, {0, 10, 215}},
      {"contrast 100", [](TBitmap& b) { AdjustContrast(b, 100); }, {64, 200, 127}, {0, 255, 126}},  // 126.5 to even
      {"contrast -100", [](TBitmap& b) { AdjustContrast(b, -100); }, {0, 64, 255}, {128, 128, 128}},
      {"contrast 101 ignored", [](TBitmap& b) { AdjustContrast(b, 101); }, {0, 64, 255}, {0, 64, 255}},
      {"gamma 1.1", [](TBitmap& b) { GammaCorrect(b, 1.1); }, {64, 0, 255}, {128, 0, 255}},
      {"gamma 2.2 identity", [](TBitmap& b) { GammaCorrect(b, 2.2); }, {1, 64, 254}, {1, 64, 254}},
      {"gamma 0", [](TBitmap& b) { GammaCorrect(b, 0); }, {0, 1, 200}, {0, 255, 255}},
      {"grayscale red", MakeGrayScale, {0, 0, 255}, {76, 76, 76}},
      {"grayscale green", MakeGrayScale, {0, 255, 0}, {150, 150, 150}},
      {"grayscale blue", MakeGrayScale, {255, 0, 0}, {28, 28, 28}},
      {"negative", MakeNegative, {0, 100, 255}, {255, 155, 0}},
      {"sepia white", MakeSepia, {255, 255, 255}, {255, 255, 255}},
      {"sepia black", MakeSepia, {0, 0, 0}, {0, 0, 0}},
      {"sepia gray", MakeSepia, {128, 128, 128}, {102, 128, 152}},
      {"solarize", Solarize, {100, 127, 128}, {100, 127, 127}},
      {"solarize top", Solarize, {200, 255, 0}, {55, 0, 0}},
      {"red filter", [](TBitmap& b) { ApplyColorFilter(b, kFilterRed.cb, kFilterRed.cr); }, {128, 128, 128},
       {115, 107, 174}},
      {"yellow filter on white", [](TBitmap& b) { ApplyColorFilter(b, kFilterYellow.cb, kFilterYellow.cr); },
       {255, 255, 255}, {189, 255, 255}},
  };
  for (const auto& c : cases) {
    TBitmap b = Filled(3, 2, c.in);
    c.op(b);
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf24bit) << c.name;
    EXPECT_EQ(At(b, 2, 1), c.out) << c.name;
    EXPECT_EQ(At(b, 0, 0), c.out) << c.name;
  }
}

TEST(ImageOps, ToneTablesAtTheirNeutralSettings) {
  TChannelTable identity{};
  for (int i = 0; i < 256; ++i) identity[size_t(i)] = uint8_t(i);
  EXPECT_EQ(GammaTable(2.2), identity);
  EXPECT_EQ(BrightnessTable(0), identity);
  EXPECT_EQ(ContrastTable(0), identity);
  const TChannelTable solarize = SolarizeTable();
  EXPECT_EQ(solarize[127], 127);
  EXPECT_EQ(solarize[128], 127);
  EXPECT_EQ(solarize[255], 0);
  // Below 2.2 brightens, above darkens; the ends stay put.
  for (double g : {1.0, 3.0}) {
    const TChannelTable t = GammaTable(g);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[255], 255);
    EXPECT_EQ(t[100] > 100, g < 2.2) << g;
  }
}

TEST(ImageOps, PaletteBitmapsAreMade24BitFirst) {
  const std::function<void(TBitmap&)> ops[] = {
      MakeNegative, MakeGrayScale, MakeSepia, Solarize, MakeEmboss, MirrorHorizontal, MirrorVertical, TurnLeft,
      TurnRight, TurnHalf, [](TBitmap& b) { ApplyColorFilter(b, 120, 160); },
      [](TBitmap& b) { AdjustBrightness(b, 10); }, [](TBitmap& b) { ApplyChannelTable(b, SolarizeTable()); },
  };
  for (const auto& op : ops) {
    TBitmap b(7, 5, TPixelFormat::pf4bit);
    b.Palette()[3] = {200, 100, 50, 0};
    b.SetPixelIndex(6, 4, 3);
    op(b);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(b.Width() * b.Height(), 35);
    TBitmap empty;
    op(empty);
    EXPECT_TRUE(empty.Empty());
  }
  TBitmap b(2, 1, TPixelFormat::pf8bit);
  b.Palette()[0] = {0, 100, 255, 0};
  MakeNegative(b);
  EXPECT_EQ(At(b, 1, 0), (Bgr{255, 155, 0}));
}

TEST(ImageOps, EmbossIsGrayReliefWithoutWrapping) {
  TBitmap flat = Filled(5, 4, {90, 20, 250});
  MakeEmboss(flat);
  EXPECT_EQ(flat, Filled(5, 4, {128, 128, 128}));

  struct Case {
    Bgr first, rest;
    Bgr atOrigin;
  };
  const Case cases[] = {
      {{0, 0, 0}, {255, 255, 255}, {255, 255, 255}},  // bright below-right of dark: 383 clamps
      {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}},        // -127 clamps
      {{30, 30, 30}, {60, 60, 60}, {158, 158, 158}},
  };
  for (const auto& c : cases) {
    TBitmap b = Filled(2, 2, c.rest);
    Set(b, 0, 0, c.first);
    MakeEmboss(b);
    EXPECT_EQ(At(b, 0, 0), c.atOrigin);
    EXPECT_EQ(At(b, 1, 1), (Bgr{128, 128, 128}));  // last row and column compare with themselves
    EXPECT_EQ(At(b, 1, 0), (Bgr{128, 128, 128}));
  }
}

TEST(ImageOps, TurnsAndMirrorsUndoEachOther) {
  const TBitmap original = Noise(5, 3, 7);  // odd sizes: padded rows, a middle pixel
  struct Case {
    const char* name;
    std::vector<std::function<void(TBitmap&)>> ops;
  };
  const Case cases[] = {
      {"left then right", {TurnLeft, TurnRight}},
      {"right then left", {TurnRight, TurnLeft}},
      {"four rights", {TurnRight, TurnRight, TurnRight, TurnRight}},
      {"mirror horizontal twice", {MirrorHorizontal, MirrorHorizontal}},
      {"mirror vertical twice", {MirrorVertical, MirrorVertical}},
      {"half twice", {TurnHalf, TurnHalf}},
      {"half is two rights", {TurnRight, TurnRight, TurnHalf}},
      {"mirrors are a half turn", {MirrorHorizontal, MirrorVertical, TurnHalf}},
  };
  for (const auto& c : cases) {
    TBitmap b = original;
    for (const auto& op : c.ops) op(b);
    EXPECT_EQ(b, original) << c.name;
  }

  TBitmap b = original;
  TurnRight(b);
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 5);
  EXPECT_EQ(At(b, 2, 0), At(original, 0, 0));  // (x, y) -> (H - 1 - y, x)
  EXPECT_EQ(At(b, 0, 4), At(original, 4, 2));
  b = original;
  TurnLeft(b);
  EXPECT_EQ(At(b, 0, 4), At(original, 0, 0));  // (x, y) -> (y, W - 1 - x)
  EXPECT_EQ(At(b, 2, 0), At(original, 4, 2));
  b = original;
  MirrorHorizontal(b);
  EXPECT_EQ(At(b, 4, 1), At(original, 0, 1));
  EXPECT_EQ(At(b, 2, 1), At(original, 2, 1));

  const TBitmap column = Noise(1, 4, 9);
  b = column;
  MirrorHorizontal(b);
  EXPECT_EQ(b, column);
}

TEST(ImageOps, ReduceTo256ColorsGivesAPaletteOfAtMost236) {
  struct Case {
    const char* name;
    TBitmap picture;
  };
  TBitmap gradient(120, 90);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x) Set(gradient, x, y, {x * 2, y * 2, (x + y) % 256});
  const Case cases[] = {
      {"noise", Noise(64, 48, 3)},
      {"gradient", gradient},
      {"one colour", Filled(17, 9, {40, 90, 200})},
      {"one pixel", Filled(1, 1, {1, 2, 3})},
  };
  for (const auto& c : cases) {
    TBitmap b = c.picture;
    ReduceTo256Colors(b);
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf8bit) << c.name;
    EXPECT_EQ(b.Width(), c.picture.Width()) << c.name;
    EXPECT_EQ(b.Height(), c.picture.Height()) << c.name;
    EXPECT_LE(b.Palette().size(), 236u) << c.name;
    EXPECT_GE(b.Palette().size(), 1u) << c.name;
  }
  TBitmap one = Filled(17, 9, {40, 90, 200});
  ReduceTo256Colors(one);
  const auto c = one.PixelColor(8, 4);
  EXPECT_NEAR(c.blue, 40, 8);
  EXPECT_NEAR(c.green, 90, 8);
  EXPECT_NEAR(c.red, 200, 8);
  TBitmap empty;
  ReduceTo256Colors(empty);
  EXPECT_TRUE(empty.Empty());
}
