// The editor's settings, its fixed pipeline and its save-name rules, without a window.
#include "edit/editor_model.h"

#include <gtest/gtest.h>

#include "edit/image_ops.h"
#include "graphics/graphic.h"

using namespace edit;
using graphics::TBitmap;

namespace {

// A picture where every pixel differs, so any wrong turn or mirror shows.
TBitmap Numbered(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = uint8_t(x);
      p[1] = uint8_t(y);
      p[2] = uint8_t(x * 7 + y * 3);
    }
  return b;
}

bool Same(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (memcmp(a.ScanLine(y), b.ScanLine(y), size_t(3 * a.Width())) != 0) return false;
  return true;
}

TBitmap Rendered(const TEditorModel& m, TBitmap b = Numbered(5, 3)) {
  m.Apply(b);
  return b;
}

}  // namespace

TEST(EditorModel, GammaStepsStopWhereSinglePrecisionSaysSo) {
  TEditorModel m;
  EXPECT_EQ(m.GammaText(), QStringLiteral("ガンマ補正： 2.2"));
  QStringList seen;
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(m.GammaPlus()) << i;
    seen << m.GammaText().mid(7);
  }
  EXPECT_EQ(seen.join(' '), QStringLiteral("2 1.8 1.6 1.4 1.2 1 0.8 0.6"));
  EXPECT_FALSE(m.GammaPlus());  // a ninth press changes nothing
  EXPECT_EQ(m.GammaText(), QStringLiteral("ガンマ補正： 0.6"));

  TEditorModel d;
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(d.GammaMinus()) << i;
  EXPECT_EQ(d.GammaText(), QStringLiteral("ガンマ補正： 3"));
  EXPECT_GT(d.Gamma, 3.0f);  // just above 3, so no fifth step
  EXPECT_FALSE(d.GammaMinus());
}

TEST(EditorModel, BrightnessAndContrastStopAtTheirLimits) {
  struct Case {
    bool (TEditorModel::*step)();
    int TEditorModel::*field;
    int presses, limit;
    const char* text;
  };
  const Case cases[] = {
      {&TEditorModel::BrightPlus, &TEditorModel::Brightness, 51, 255, "明るさ補正： 255"},
      {&TEditorModel::BrightMinus, &TEditorModel::Brightness, 51, -255, "明るさ補正： -255"},
      {&TEditorModel::ContrastPlus, &TEditorModel::Contrast, 20, 100, "コントラスト： 100"},
      {&TEditorModel::ContrastMinus, &TEditorModel::Contrast, 20, -100, "コントラスト： -100"},
  };
  for (const Case& c : cases) {
    TEditorModel m;
    for (int i = 0; i < c.presses; ++i) EXPECT_TRUE((m.*c.step)());
    EXPECT_EQ(m.*c.field, c.limit);
    EXPECT_FALSE((m.*c.step)());
    EXPECT_EQ(m.*c.field, c.limit);
    const QString text = c.field == &TEditorModel::Brightness ? m.BrightnessText() : m.ContrastText();
    EXPECT_EQ(text, QString::fromUtf8(c.text));
  }
}

TEST(EditorModel, TurnsAndFlipsFollowTheFixedOrder) {
  const TBitmap original = Numbered(5, 3);
  TEditorModel leftRight;
  leftRight.TurnLeft();
  leftRight.TurnRight();
  EXPECT_TRUE(Same(Rendered(leftRight), original));

  TEditorModel threeLeft, oneRight;
  for (int i = 0; i < 3; ++i) threeLeft.TurnLeft();
  oneRight.TurnRight();
  EXPECT_TRUE(Same(Rendered(threeLeft), Rendered(oneRight)));
  EXPECT_EQ(Rendered(oneRight).Width(), 3);

  TEditorModel twoLeft;
  twoLeft.TurnLeft();
  twoLeft.TurnLeft();
  TBitmap half = original;
  TurnHalf(half);
  EXPECT_TRUE(Same(Rendered(twoLeft), half));
  TBitmap mirrored = original;
  MirrorVertical(mirrored);
  EXPECT_FALSE(Same(Rendered(twoLeft), mirrored));  // a half turn, not a mirror

  TEditorModel turnThenFlip, flipThenTurn;
  turnThenFlip.TurnLeft();
  turnThenFlip.FlipHorizontal();
  flipThenTurn.FlipHorizontal();
  flipThenTurn.TurnLeft();
  EXPECT_TRUE(Same(Rendered(turnThenFlip), Rendered(flipThenTurn)));
  TBitmap flipFirst = original;  // flips always before the turn
  MirrorHorizontal(flipFirst);
  TurnLeft(flipFirst);
  EXPECT_TRUE(Same(Rendered(turnThenFlip), flipFirst));

  TEditorModel wraps;
  for (int i = 0; i < 4; ++i) wraps.TurnLeft();
  EXPECT_EQ(wraps.LeftTurns, 0);
}

TEST(EditorModel, ResetAndTheOneEffect) {
  TEditorModel m;
  m.SetEffect(ceSepia);
  m.SetEffect(ceNegative);  // replaces, never stacks
  TBitmap negative = Numbered(5, 3);
  MakeNegative(negative);
  EXPECT_TRUE(Same(Rendered(m), negative));
  m.GammaPlus();
  m.BrightPlus();
  m.FlipVertical();
  m.Reset();
  EXPECT_EQ(m.Gamma, TEditorModel::kStartGamma);
  EXPECT_EQ(m.ColorEffect, ceNone);
  EXPECT_TRUE(Same(Rendered(m), Numbered(5, 3)));
}

TEST(EditorModel, ScaleModesTruncate) {
  struct Case {
    int w, h;
    TScaleMode mode;
    int value;
    QSize want;
  };
  const Case cases[] = {
      {640, 480, smFit, 100, {100, 75}},  {480, 640, smFit, 100, {75, 100}},
      {333, 333, smPercent, 50, {166, 166}}, {100, 50, smFit, 400, {400, 200}},  // fit also enlarges
      {64, 48, smPercent, 100, {64, 48}},
  };
  for (const Case& c : cases) EXPECT_EQ(EditorTargetSize(c.w, c.h, c.mode, c.value), c.want) << c.w << "x" << c.h;
  TEditorModel m;
  TBitmap b = Numbered(640, 480);
  m.Render(b, smFit, 100);
  EXPECT_EQ(QSize(b.Width(), b.Height()), QSize(100, 75));
  TBitmap tiny = Numbered(2000, 1);
  EXPECT_THROW(m.Render(tiny, smFit, 100), graphics::EInvalidGraphic);  // 100 × 0 is no picture
}

TEST(EditorModel, SaveNamesAndExtensions) {
  EXPECT_EQ(SaveExtension(cfJPEG, 0), QStringLiteral(".jpg"));
  EXPECT_EQ(SaveExtension(cfPNG, 1), QStringLiteral(".PNG"));
  EXPECT_EQ(ProposedSaveName("/p/photo.jpg", false, ".jpg"), QStringLiteral("_photo.jpg"));
  EXPECT_EQ(ProposedSaveName("/p/a.b.bmp", false, ".png"), QStringLiteral("_a.b.png"));
  EXPECT_EQ(ProposedSaveName("/home/clipbrd.bmp", true, ".png"), QStringLiteral("clipbrd.png"));
  EXPECT_EQ(SaveTarget("/o/result", ".jpg"), QStringLiteral("/o/result.jpg"));
  EXPECT_EQ(SaveTarget("/o/result.txt", ".jpg"), QStringLiteral("/o/result.txt"));
  EXPECT_EQ(SaveTarget("/o.d/result", ".jpg"), QStringLiteral("/o.d/result.jpg"));  // a dot in the folder is not an extension
  EXPECT_EQ(EditorCaption("/p/photo.jpg", 640, 480), QStringLiteral("画像の編集 - photo.jpg (640×480)"));
  EXPECT_EQ(ClipboardCaption(3, 2), QStringLiteral("画像を編集　clipbrd.bmp (3×2)"));
}

TEST(EditorModel, SavesAreNeverGrayscale) {
  TConvertSettings s;
  s.Grayscale = true;
  s.SizeMode = 1;
  s.SizeValue = 50;
  const TBitmap b = Numbered(16, 8);
  TConvertSettings plain = s;
  plain.Grayscale = false;
  plain.SizeMode = 0;
  EXPECT_EQ(EncodeEditorSave(b, cfJPEG, s), EncodeConverted(b, cfJPEG, plain));
}
