#pragma once
// The image utility: picture-kind test by extension, decoding of every supported kind into
// a 24-bit bitmap, scaling into the thumbnail box and the thumbnail cache round trip.
//
// One instance belongs to one thread: each thumbnail job makes its own from a copy of the
// settings (TImgSettings), and so does every full-size load.
// DetectType and IsText are pure functions of the path and the settings.
//
// Stand-ins on Linux: icon pictures are a plain page glyph on BKColor (the desktop icon
// theme may not be touched off the GUI thread; the catalogue draws real icons itself for
// entries without a thumbnail). HTML and e-mail files are laid out with QTextDocument.
// Metafiles (EMF/WMF) are drawn at their own size on BKColor, then scaled like any picture.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

#include "catalog/image_type.h"
#include "graphics/bitmap.h"
#include "graphics/jpeg_image.h"

namespace catalog {

class TThumb;

enum class TGetType { igtNormal, igtPreview, igtStretch, igtFit };

// The custom handler: claims files as iitCustom and decodes them.
class TImgCustom {
 public:
  virtual ~TImgCustom() = default;
  virtual bool CanLoad(const QString& path) const = 0;
  // False when it declines; the destination then holds nothing useful.
  virtual bool Load(const QString& path, graphics::TBitmap& dest) = 0;
};

// What the utility asks of the catalogue's plug-in list (the hook for iitSusie).
class TImgPlugins {
 public:
  virtual ~TImgPlugins() = default;
  // -1 when no plug-in supports the file.
  virtual int IndexOfSupporting(const QString& path) const = 0;
  // 0 on success (bitmap holds the picture), else the plug-in's error code.
  virtual int GetBitmap(const QString& path, graphics::TBitmap& bitmap) = 0;
};

// The settings a utility decodes by: copied into a worker's own utility when its job
// starts, so the worker never reads the settings object of the user-interface thread.
struct TImgSettings {
  int Quality = 90;
  graphics::TJPEGPerformance Performance = graphics::jpBestSpeed;
  bool SusiePriority = false;
  bool AutoThumb = false;
  QFont Font;
  QString TextExt;
  TGetType GetType = TGetType::igtPreview;
  QColor BKColor = QColor(255, 255, 255);
  int AviFramePos = 20;
  bool AutoRotate = true;
};

// Whether a picture's embedded thumbnail (EXIF IFD1, a plug-in's preview) may stand in for
// the picture in a thumbnail box; all sizes as shown (after the orientation). It must fill
// the box on both sides, be no larger than the picture, and have the picture's shape: the
// sides of a reduction rounded to whole pixels, |ew * h - eh * w| <= max(w, h) (within about
// a pixel of the embedded side). A letterboxed or stale one fails that.
bool EmbeddedThumbnailFits(QSize embedded, QSize picture, QSize box);

class TImgUtil {
 public:
  TImgUtil();

  TImgSettings Settings() const;
  // Takes every setting of s (OnChange is not raised).
  void Apply(const TImgSettings& s);

  TThumb* Thumbnail = nullptr;
  // Held around every use of Thumbnail when several workers share it (reads and appends
  // are short; decoding and encoding run outside it).
  std::mutex* ThumbnailLock = nullptr;
  // Set (under ThumbnailLock) when the caller gave up waiting for this load: Thumbnail may
  // be gone by then and is not touched any more.
  const std::atomic<bool>* Abandoned = nullptr;
  // None until the plug-in host provides one: plug-in kinds are then not recognised.
  TImgPlugins* SPlugin = nullptr;
  int Quality() const { return quality_; }
  void SetQuality(int q);  // 1..100
  graphics::TJPEGPerformance Performance = graphics::jpBestSpeed;
  graphics::TBitmap Bitmap;
  TImageType ImageType = TImageType::iitNone;
  bool SusiePriority = false;
  int IconCount = 0;
  int IconIndex = -1;
  bool AutoThumb = false;
  QFont Font;
  QString TextExt() const { return textExt_; }
  void SetTextExt(const QString& ext);
  const QString& TextMask() const { return textMask_; }
  TGetType GetType = TGetType::igtPreview;
  int SourceWidth = 0, SourceHeight = 0;
  QColor BKColor = QColor(255, 255, 255);
  TImgCustom* Custom = nullptr;
  int AviFramePos = 20;
  std::function<void()> OnChange;
  // igtNormal only: the decoder's DCT reduction for a width x height JPEG (the preview
  // pane's quick reduction); full size when unset.
  std::function<graphics::TJPEGScale(int width, int height)> NormalJpegScale;
  // JPEG files are turned and mirrored as their EXIF orientation says ([View] AutoRotate);
  // SourceWidth/SourceHeight are then the turned size.
  bool AutoRotate = true;
  // Why the last Load gave no picture (empty after a decode).
  QString LastError;
  // What the last Load did with the cache file; with ctNotWritten, CacheError says why.
  enum TCacheUse { ctNone, ctRead, ctWritten, ctNotWritten };
  TCacheUse CacheUse = ctNone;
  QString CacheError;

  // status (optional): 0 when recognised, 3 when not.
  TImageType DetectType(const QString& path, int* status = nullptr) const;
  bool IsText(const QString& path) const;
  // 0 success (thumbnail or icon picture); 1 no such file or folder; other values: the
  // decode failed and Bitmap holds the icon picture.
  int Load(const QString& path, int boxWidth, int iconIndex, int boxHeight);

  static QRect FitRect(int w, int h, int boxWidth, int boxHeight);
  // The DCT reduction for a w x h JPEG going into the box: the largest of 1/8, 1/4, 1/2
  // that still leaves at least the box.
  static graphics::TJPEGScale JpegScaleFor(int w, int h, int boxWidth, int boxHeight);
  static void Resample(graphics::TBitmap& bitmap, int newWidth, int newHeight);
  // Scales Bitmap into the box by GetType (nothing for igtNormal).
  void ScaleBitmap(int boxWidth, int boxHeight);

  // Decodes run (cache hits excluded), for tests that must see the cache used.
  static int DecoderCalls() { return decoderCalls_.load(); }

 private:
  using Decoder = int (TImgUtil::*)(const QString& path, int boxWidth, int boxHeight);
  static Decoder decoderFor(TImageType t);
  int decodeBmp(const QString& path, int w, int h);
  int decodeJpeg(const QString& path, int w, int h);
  int decodeMetafile(const QString& path, int w, int h);
  int decodeHtml(const QString& path, int w, int h);
  int decodeText(const QString& path, int w, int h);
  int decodeAvi(const QString& path, int w, int h);
  int decodeCustom(const QString& path, int w, int h);
  int decodeSusie(const QString& path, int w, int h);
  // A thumbnail from the JPEG's EXIF thumbnail when it fits; false (Bitmap empty) otherwise.
  bool loadEmbeddedJpeg(const QString& path, int boxWidth, int boxHeight);
  void jpegFromMemory(const QByteArray& data, int boxWidth, int boxHeight, int orientation = 1);
  bool abandoned() const { return Abandoned && *Abandoned; }
  bool loadFromCache(const QString& path, int boxWidth, int boxHeight);
  void writeToCache(const QString& path);
  void makeIconPicture(const QString& path, int iconIndex);

  int quality_ = 90;
  QString textExt_;
  QString textMask_;
  static std::atomic<int> decoderCalls_;
};

}  // namespace catalog
