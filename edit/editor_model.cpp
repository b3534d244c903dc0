#include "edit/editor_model.h"

#include <QFileInfo>

#include "edit/image_ops.h"
#include "graphics/graphic.h"
#include "graphics/image_size.h"
#include "platform/path_bytes.h"

namespace edit {

using graphics::TBitmap;

namespace {
// The setting is single precision and the step is not: the sum is taken wider, then stored.
float Step(float g, long double delta) { return float(static_cast<long double>(g) + delta); }

QString FourDecimals(double v) {
  QString s = QString::number(v, 'f', 4);
  while (s.endsWith(QLatin1Char('0'))) s.chop(1);
  if (s.endsWith(QLatin1Char('.'))) s.chop(1);
  return s;
}
}  // namespace

bool TEditorModel::GammaPlus() {
  if (!(Gamma >= 0.75f)) return false;
  Gamma = Step(Gamma, -0.2L);
  return true;
}

bool TEditorModel::GammaMinus() {
  if (!(Gamma <= 3.0f)) return false;
  Gamma = Step(Gamma, 0.2L);
  return true;
}

bool TEditorModel::BrightPlus() {
  if (Brightness >= 255) return false;
  Brightness += 5;
  return true;
}

bool TEditorModel::BrightMinus() {
  if (Brightness <= -255) return false;
  Brightness -= 5;
  return true;
}

bool TEditorModel::ContrastPlus() {
  if (Contrast >= 100) return false;
  Contrast += 5;
  return true;
}

bool TEditorModel::ContrastMinus() {
  if (Contrast <= -100) return false;
  Contrast -= 5;
  return true;
}

QString TEditorModel::GammaText() const { return QStringLiteral("ガンマ補正： ") + FourDecimals(Gamma); }
QString TEditorModel::BrightnessText() const { return QStringLiteral("明るさ補正： ") + QString::number(Brightness); }
QString TEditorModel::ContrastText() const { return QStringLiteral("コントラスト： ") + QString::number(Contrast); }

void TEditorModel::Apply(TBitmap& bitmap) const {
  if (Gamma != kStartGamma) GammaCorrect(bitmap, Gamma);
  if (Brightness != 0) AdjustBrightness(bitmap, Brightness);
  if (Contrast != 0) AdjustContrast(bitmap, Contrast);
  switch (ColorEffect) {
    case ceNone: break;
    case ceGrayScale: MakeGrayScale(bitmap); break;
    case ceNegative: MakeNegative(bitmap); break;
    case ceSepia: MakeSepia(bitmap); break;
    case ceRedFilter: ApplyColorFilter(bitmap, kFilterRed.cb, kFilterRed.cr); break;
    case ceGreenFilter: ApplyColorFilter(bitmap, kFilterGreen.cb, kFilterGreen.cr); break;
    case ceBlueFilter: ApplyColorFilter(bitmap, kFilterBlue.cb, kFilterBlue.cr); break;
    case ceYellowFilter: ApplyColorFilter(bitmap, kFilterYellow.cb, kFilterYellow.cr); break;
    case ceEmboss: MakeEmboss(bitmap); break;
    case ceSolarization: Solarize(bitmap); break;
  }
  if (FlipH) MirrorHorizontal(bitmap);
  if (FlipV) MirrorVertical(bitmap);
  switch (NetLeftTurns()) {
    case 1: edit::TurnLeft(bitmap); break;
    case 2: TurnHalf(bitmap); break;
    case 3: edit::TurnRight(bitmap); break;
    default: break;
  }
}

QSize EditorTargetSize(int width, int height, TScaleMode mode, int sizeValue) {
  // The same arithmetic as the conversion's percent and fit-within modes.
  return ConvertTargetSize(width, height, mode == smFit ? 4 : 1, sizeValue);
}

void TEditorModel::Render(TBitmap& bitmap, TScaleMode mode, int sizeValue) const {
  if (bitmap.Empty()) throw graphics::EInvalidGraphic(QStringLiteral("the picture is empty"));
  const QSize t = EditorTargetSize(bitmap.Width(), bitmap.Height(), mode, sizeValue);
  if (t.width() < 1 || t.height() < 1 || !graphics::checkedImageBytes(t.width(), t.height(), 24))
    throw graphics::EInvalidGraphic(QStringLiteral("the new size %1 x %2 cannot be made").arg(t.width()).arg(t.height()));
  if (!ResizeBitmap(bitmap, t.width(), t.height()))
    throw graphics::EInvalidGraphic(QStringLiteral("cannot resize to %1 x %2").arg(t.width()).arg(t.height()));
  Apply(bitmap);
}

QString EditorCaption(const QString& path, int width, int height) {
  return QStringLiteral("画像の編集 - ") + platform::DisplayName(QFileInfo(path).fileName()) +
         QStringLiteral(" (%1×%2)").arg(width).arg(height);
}

QString ClipboardCaption(int width, int height) {
  return QStringLiteral("画像を編集　clipbrd.bmp (%1×%2)").arg(width).arg(height);
}

QString SaveExtension(TConvertFormat format, int extSetting) {
  const QString e = FormatExtension(format);
  return extSetting == 1 ? e.toUpper() : e;
}

QString ProposedSaveName(const QString& path, bool fromClipboard, const QString& ext) {
  if (fromClipboard) return QStringLiteral("clipbrd") + ext;
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return QStringLiteral("_") + (dot >= 0 ? name.left(dot) : name) + ext;
}

QString SaveTarget(const QString& chosen, const QString& ext) {
  const QString name = QFileInfo(chosen).fileName();
  return name.contains(QLatin1Char('.')) ? chosen : chosen + ext;
}

QString SaveFilter(TConvertFormat format) {
  switch (format) {
    case cfBMP: return QStringLiteral("BMPファイル(*.bmp)");
    case cfJPEG: return QStringLiteral("JPEGファイル(*.jpg *.jpeg)");
    case cfPNG: return QStringLiteral("PNGファイル(*.png)");
  }
  return QString();
}

TConvertSettings EditorSaveSettings(const TConvertSettings& conversion) {
  TConvertSettings s = conversion;
  s.SizeMode = 0;
  s.SizeValue = 100;
  s.Grayscale = false;
  return s;
}

QByteArray EncodeEditorSave(const TBitmap& shown, TConvertFormat format, const TConvertSettings& conversion) {
  const TConvertSettings s = EditorSaveSettings(conversion);
  if ((format == cfBMP && s.ReduceBMP) || (format == cfPNG && s.ReducePNG)) {
    TBitmap copy = shown.BitsPerPixel() == 24 ? shown : shown.To24();
    ReduceTo256Colors(copy);
    return EncodeConverted(copy, format, s);
  }
  return EncodeConverted(shown, format, s);
}

}  // namespace edit
