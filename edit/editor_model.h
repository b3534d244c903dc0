#pragma once
// The image editor's settings and the fixed pipeline that renders them. The editor never
// keeps an edited picture: each command changes one setting, and the whole picture is
// rendered again from the file, so the order of the user's commands never matters (flips
// always act before the turn, the colour effect after the tone corrections).
#include <QSize>
#include <QString>

#include "edit/conversion.h"
#include "graphics/bitmap.h"

namespace edit {

enum TColorEffect {
  ceNone,
  ceGrayScale,
  ceNegative,
  ceSepia,
  ceRedFilter,
  ceGreenFilter,
  ceBlueFilter,
  ceYellowFilter,
  ceEmboss,
  ceSolarization,
};

enum TScaleMode { smPercent, smFit };

class TEditorModel {
 public:
  static constexpr float kStartGamma = 2.2f;

  float Gamma = kStartGamma;  // single precision on purpose: it decides where the steps stop
  int Brightness = 0;         // -255..255, steps of 5
  int Contrast = 0;           // -100..100, steps of 5
  int FlipH = 0, FlipV = 0;   // 0 or 1
  int LeftTurns = 0, RightTurns = 0;  // 0..3
  TColorEffect ColorEffect = ceNone;

  // Each returns whether the setting changed (the editor renders either way).
  bool GammaPlus();   // brighter: -0.2 while Gamma >= 0.75
  bool GammaMinus();  // darker: +0.2 while Gamma <= 3.0
  bool BrightPlus();
  bool BrightMinus();
  bool ContrastPlus();
  bool ContrastMinus();
  void TurnLeft() { LeftTurns = (LeftTurns + 1) % 4; }
  void TurnRight() { RightTurns = (RightTurns + 1) % 4; }
  void FlipHorizontal() { FlipH ^= 1; }
  void FlipVertical() { FlipV ^= 1; }
  void SetEffect(TColorEffect e) { ColorEffect = e; }
  void Reset() { *this = TEditorModel(); }

  // The status panels: "ガンマ補正： 1.8", "明るさ補正： -5", "コントラスト： 10".
  QString GammaText() const;
  QString BrightnessText() const;
  QString ContrastText() const;

  // Quarter turns left, net (0..3).
  int NetLeftTurns() const { return ((LeftTurns - RightTurns) % 4 + 4) % 4; }

  // The pipeline after the size: gamma, brightness, contrast, colour effect, flips, turn.
  void Apply(graphics::TBitmap& bitmap) const;
  // The whole rendering of a freshly loaded picture: size (by the scale mode), then Apply.
  // Throws graphics::EInvalidGraphic when the size comes out empty or too large.
  void Render(graphics::TBitmap& bitmap, TScaleMode mode, int sizeValue) const;
};

// Size of a W × H picture in the editor's scale modes (percent p, or longer side S).
QSize EditorTargetSize(int width, int height, TScaleMode mode, int sizeValue);

// "画像の編集 - photo.jpg (640×480)".
QString EditorCaption(const QString& path, int width, int height);
// "画像を編集　clipbrd.bmp (640×480)": a clipboard picture as first shown.
QString ClipboardCaption(int width, int height);

// The extension the saves propose: upper case when [Convert] Ext = 1.
QString SaveExtension(TConvertFormat format, int extSetting);
// "_" + name with its extension replaced; a clipboard picture proposes "clipbrd" + ext.
QString ProposedSaveName(const QString& path, bool fromClipboard, const QString& ext);
// The chosen name with ext appended when it has no extension at all.
QString SaveTarget(const QString& chosen, const QString& ext);
// The filter of the save dialog, Qt's way ("BMPファイル(*.bmp)").
QString SaveFilter(TConvertFormat format);
// What the editor's saves read: the conversion settings without size change or grayscale.
TConvertSettings EditorSaveSettings(const TConvertSettings& conversion);
// The file an editor save writes for the shown picture: reduced to 256 colours first when
// the format's setting says so, never grayscale. Throws graphics::EInvalidGraphic.
QByteArray EncodeEditorSave(const graphics::TBitmap& shown, TConvertFormat format, const TConvertSettings& conversion);

}  // namespace edit
