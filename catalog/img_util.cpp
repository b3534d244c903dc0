#include "catalog/img_util.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTextDocument>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <optional>
#include <span>

#include "catalog/avi_frame.h"
#include "catalog/thumb_cache.h"
#include "decode/spi_plugin_list.h"
#include "edit/exif_orientation.h"
#include "edit/resample.h"
#include "graphics/bmp_graphic.h"
#include "graphics/builtin_formats.h"
#include "graphics/graphic.h"
#include "graphics/image_size.h"
#include "graphics/metafile_graphic.h"
#include "platform/byte_reader.h"
#include "platform/path_bytes.h"
#include "platform/regular_file.h"
#include "platform/source_bytes.h"

namespace catalog {

using graphics::TBitmap;

std::atomic<int> TImgUtil::decoderCalls_{0};

namespace {

// HTML and e-mail files beyond this are shown by their beginning only.
constexpr qint64 kMaxDocumentBytes = qint64(1) << 20;
constexpr int kTextBlock = 1024;
constexpr int kHtmlWidth = 640;
constexpr int kIconSize = 32;
// A JPEG's head holding its EXIF segment (at most 64 KiB) and the frame header after it.
constexpr qint64 kJpegHeadBytes = qint64(128) << 10;

std::optional<QByteArray> readFile(const QString& path, qint64 limit, bool cut = false) {
  platform::FileBytes file = platform::ReadRegularFile(path, limit, cut);
  if (!file) return std::nullopt;
  return std::move(file.bytes);
}

TBitmap filledBitmap(int w, int h, const QColor& c) {
  TBitmap b(w, h);
  const uint8_t px[3] = {uint8_t(c.blue()), uint8_t(c.green()), uint8_t(c.red())};
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < w; ++x) std::copy(px, px + 3, row + 3 * x);
  }
  return b;
}

// Paints on a bitmap through a QImage sharing its memory.
template <class Fn>
void paintOn(TBitmap& b, Fn&& fn) {
  QImage img(b.Bits(), b.Width(), b.Height(), qsizetype(b.Stride()), QImage::Format_BGR888);
  QPainter p(&img);
  fn(p);
}

QString lowerSuffix(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const int dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : name.mid(dot).toLower();
}

// The kinds of the built-in picture formats. PNG has none of its own: the custom handler
// claims it, or else the plug-ins may.
std::optional<TImageType> builtinKind(const QString& ext) {
  using enum graphics::TBuiltinFormat;
  using enum TImageType;
  const auto format = graphics::BuiltinFormatOf(ext);
  if (!format) return std::nullopt;
  switch (*format) {
    case bfBmp: return iitBmp;
    case bfJpeg: return iitJpeg;
    case bfIcon: return iitIco;
    case bfCursor: return iitCur;
    case bfAnimatedCursor: return iitAni;
    case bfEmf: return iitEmf;
    case bfWmf: return iitWmf;
    case bfPng: return std::nullopt;
  }
  return std::nullopt;
}

// Kinds that are no pictures but get a thumbnail or an icon of their own.
const QHash<QString, TImageType>& otherKindTable() {
  using enum TImageType;
  static const QHash<QString, TImageType> t{
      {".exe", iitExe}, {".dll", iitDll}, {".html", iitHtml}, {".htm", iitHtml},
      {".eml", iitEml}, {".txt", iitTxt}, {".avi", iitAvi},
  };
  return t;
}

// An e-mail as plain text: its headers, then the first text part of its body.
QString emailAsText(const QByteArray& raw) {
  QString text = QString::fromUtf8(raw);
  text.replace("\r\n", "\n");
  const int split = text.indexOf("\n\n");
  const QString head = split < 0 ? text : text.left(split);
  QString body = split < 0 ? QString() : text.mid(split + 2);
  const QRegularExpression boundaryRe("boundary=\"?([^\";\\n]+)\"?", QRegularExpression::CaseInsensitiveOption);
  const auto m = boundaryRe.match(head);
  if (m.hasMatch()) {
    const QString marker = "--" + m.captured(1);
    for (const QString& part : body.split(marker)) {
      const int ps = part.indexOf("\n\n");
      if (ps < 0) continue;
      if (part.left(ps).contains("text/plain", Qt::CaseInsensitive) || !part.left(ps).contains("Content-Type")) {
        body = part.mid(ps + 2);
        break;
      }
    }
  }
  return head + "\n\n" + body;
}

// The system's reason why `name` cannot be written, found by trying: the cache file
// reports only that it failed.
QString whyNotWritable(const QString& name) {
  const QByteArray n = QFile::encodeName(name);
  int fd = ::open(n.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  bool created = false;
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(n.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    created = fd >= 0;
  }
  const int err = errno;
  if (fd < 0) return QString::fromLocal8Bit(std::strerror(err));
  ::close(fd);
  if (created) ::unlink(n.constData());
  return QStringLiteral("writing failed");
}

QString failureText(TImageType type, int result) {
  if (type == TImageType::iitSusie && !decode::SpiFaultText(result).isEmpty()) return decode::SpiFaultText(result);
  if (type == TImageType::iitSusie)
    return result == decode::kSpiNoSupport ? QStringLiteral("no Susie plug-in reads this file")
                                           : QStringLiteral("the Susie plug-in could not decode it (code %1)").arg(result);
  return QStringLiteral("the file cannot be read");
}

}  // namespace

bool EmbeddedThumbnailFits(QSize e, QSize picture, QSize box) {
  if (e.width() < box.width() || e.height() < box.height()) return false;
  if (e.width() > picture.width() || e.height() > picture.height()) return false;
  const int64_t cross = int64_t(e.width()) * picture.height() - int64_t(e.height()) * picture.width();
  return std::abs(cross) <= std::max(picture.width(), picture.height());
}

TImgUtil::TImgUtil() { Font.setPointSize(12); }

TImgSettings TImgUtil::Settings() const {
  TImgSettings s;
  s.Quality = quality_;
  s.Performance = Performance;
  s.SusiePriority = SusiePriority;
  s.AutoThumb = AutoThumb;
  s.Font = Font;
  s.TextExt = textExt_;
  s.GetType = GetType;
  s.BKColor = BKColor;
  s.AviFramePos = AviFramePos;
  s.AutoRotate = AutoRotate;
  return s;
}

void TImgUtil::Apply(const TImgSettings& s) {
  const auto onChange = std::move(OnChange);
  OnChange = nullptr;
  SetQuality(s.Quality);
  Performance = s.Performance;
  SusiePriority = s.SusiePriority;
  AutoThumb = s.AutoThumb;
  Font = s.Font;
  SetTextExt(s.TextExt);
  GetType = s.GetType;
  BKColor = s.BKColor;
  AviFramePos = s.AviFramePos;
  AutoRotate = s.AutoRotate;
  OnChange = onChange;
}

void TImgUtil::SetQuality(int q) {
  q = std::clamp(q, 1, 100);
  if (q == quality_) return;
  quality_ = q;
  if (OnChange) OnChange();
}

void TImgUtil::SetTextExt(const QString& ext) {
  textExt_ = ext;
  QString mask = ext.toLower();
  if (!mask.startsWith(';')) mask.prepend(';');
  if (!mask.endsWith(';')) mask.append(';');
  mask.remove('*');
  textMask_ = mask;
  if (OnChange) OnChange();
}

bool TImgUtil::IsText(const QString& path) const {
  if (textMask_.isEmpty() || textExt_.isEmpty()) return false;
  const QString ext = lowerSuffix(path);
  if (ext.isEmpty() || ext == ".") return false;
  return textMask_.contains(ext);
}

TImageType TImgUtil::DetectType(const QString& path, int* status) const {
  using enum TImageType;
  auto answer = [status](TImageType t) {
    if (status) *status = t == iitNone ? 3 : 0;
    return t;
  };
  if (Custom && Custom->CanLoad(path)) return answer(iitCustom);
  const QString ext = lowerSuffix(path);
  if (ext.isEmpty()) return answer(path == "/" || platform::KindOfPath(path) == platform::PathKind::Folder ? iitDir : iitNone);
  if (const auto kind = builtinKind(ext)) return answer(*kind);
  const auto& table = otherKindTable();
  const auto it = table.constFind(ext);
  if (it != table.constEnd()) return answer(*it);
  if (IsText(path)) return answer(iitTxt);
  if (SPlugin && SPlugin->IndexOfSupporting(path) != -1) return answer(iitSusie);
  return answer(iitNone);
}

QRect TImgUtil::FitRect(int w, int h, int W, int H) {
  if (w <= W && h <= H) return QRect(0, 0, w, h);
  if (w < 1 || h < 1) return QRect(0, 0, W, H);
  const double ratio = double(w) / double(h);
  int nw, nh;
  if (h < w) {
    nw = W;
    nh = int(W / ratio);
    if (nh > H) {
      nh = H;
      nw = int(H * ratio);
    }
  } else {
    nh = H;
    nw = int(H * ratio);
    if (nw > W) {
      nw = W;
      nh = int(W / ratio);
    }
  }
  // A thin strip would truncate to no pixels at all.
  return QRect(0, 0, std::max(nw, 1), std::max(nh, 1));
}

graphics::TJPEGScale TImgUtil::JpegScaleFor(int w, int h, int W, int H) {
  auto fits = [&](int d) { return h / d >= H && W <= w / d; };
  return fits(8) ? graphics::jsEighth : fits(4) ? graphics::jsQuarter : fits(2) ? graphics::jsHalf : graphics::jsFullSize;
}

void TImgUtil::Resample(TBitmap& bitmap, int newWidth, int newHeight) {
  edit::Resample(bitmap, newWidth, newHeight);
}

void TImgUtil::ScaleBitmap(int W, int H) {
  const int w = Bitmap.Width(), h = Bitmap.Height();
  switch (GetType) {
    case TGetType::igtNormal: return;
    case TGetType::igtStretch:
      if (w < W && h < H && w > 0 && h > 0) {
        const double ratio = double(w) / double(h);
        int nw, nh;
        if (w > h) {
          nh = int(W / ratio);
          if (nh > H) {
            nh = H;
            nw = int(H * ratio);
          } else {
            nw = W;
          }
        } else {
          nh = H;
          nw = int(H * ratio);
        }
        Resample(Bitmap, nw, nh);
        return;
      }
      [[fallthrough]];
    case TGetType::igtPreview: {
      const QRect r = FitRect(w, h, W, H);
      if (r.width() != w || r.height() != h) Resample(Bitmap, r.width(), r.height());
      Bitmap.ConvertTo24();
      return;
    }
    case TGetType::igtFit: Resample(Bitmap, W, H); return;
  }
}

TImgUtil::Decoder TImgUtil::decoderFor(TImageType t) {
  using enum TImageType;
  switch (t) {
    case iitBmp: return &TImgUtil::decodeBmp;
    case iitJpeg: return &TImgUtil::decodeJpeg;
    case iitEmf:
    case iitWmf: return &TImgUtil::decodeMetafile;
    case iitHtml:
    case iitEml: return &TImgUtil::decodeHtml;
    case iitTxt: return &TImgUtil::decodeText;
    case iitAvi: return &TImgUtil::decodeAvi;
    case iitCustom: return &TImgUtil::decodeCustom;
    case iitSusie: return &TImgUtil::decodeSusie;
    default: return nullptr;
  }
}

int TImgUtil::Load(const QString& path, int boxWidth, int iconIndex, int boxHeight) {
  ImageType = TImageType::iitNone;
  IconIndex = -1;
  IconCount = 0;
  Bitmap = TBitmap();
  LastError.clear();
  CacheUse = ctNone;
  CacheError.clear();
  const platform::PathKind kind = platform::KindOfPath(path);
  if (kind != platform::PathKind::File && kind != platform::PathKind::Folder) {
    LastError = graphics::EFileOpen(platform::RegularFile::Open(path)).Message();
    return 1;
  }

  int status = 3;
  ImageType = DetectType(path, &status);
  const Decoder decoder = status == 0 && !IsIconKind(ImageType) ? decoderFor(ImageType) : nullptr;
  if (!decoder) {
    makeIconPicture(path, iconIndex);
    return 0;
  }
  const bool useCache = GetType != TGetType::igtNormal && AutoThumb && Thumbnail;
  if (useCache && loadFromCache(path, boxWidth, boxHeight)) {
    CacheUse = ctRead;
    return 0;
  }

  int result;
  ++decoderCalls_;
  try {
    result = (this->*decoder)(path, boxWidth, boxHeight);
  } catch (const std::exception& e) {
    LastError = QString::fromUtf8(e.what());
    result = -1;
  } catch (...) {
    result = -1;
  }
  if (result != 0) {
    if (LastError.isEmpty()) LastError = failureText(ImageType, result);
    makeIconPicture(path, iconIndex);
    return result;
  }
  if (useCache) writeToCache(path);
  return 0;
}

bool TImgUtil::loadFromCache(const QString& path, int boxWidth, int boxHeight) {
  QByteArray jpeg;
  try {
    TThumbEntryHeader h;
    {
      std::unique_lock<std::mutex> hold;
      if (ThumbnailLock) hold = std::unique_lock<std::mutex>(*ThumbnailLock);
      if (abandoned() || !Thumbnail->Read(path, jpeg)) return false;
      h = Thumbnail->Header();
    }
    // A JPEG thumbnail made with the other AutoRotate setting shows the picture the other way.
    if (ImageType == TImageType::iitJpeg && ((h.Flags & kThumbFlagAutoRotated) != 0) != AutoRotate) return false;
    jpegFromMemory(jpeg, boxWidth, boxHeight);
    SourceWidth = int(std::min<uint32_t>(h.SourceWidth, INT32_MAX));
    SourceHeight = int(std::min<uint32_t>(h.SourceHeight, INT32_MAX));
    return !Bitmap.Empty();
  } catch (...) {
    // A cache file that is not ours or a damaged entry: decode the picture instead.
    Bitmap = TBitmap();
    return false;
  }
}

void TImgUtil::writeToCache(const QString& path) {
  if (Bitmap.Empty()) return;
  try {
    graphics::TJPEGImage jpeg;
    jpeg.SetCompressionQuality(quality_);
    jpeg.Assign(Bitmap);
    const QByteArray data = jpeg.SaveToMemory();
    std::unique_lock<std::mutex> hold;
    if (ThumbnailLock) hold = std::unique_lock<std::mutex>(*ThumbnailLock);
    if (abandoned()) return;
    TThumbEntryHeader& h = Thumbnail->Header();
    h.Flags = ImageType == TImageType::iitJpeg && AutoRotate ? kThumbFlagAutoRotated : 0;
    h.Width = uint32_t(Bitmap.Width());
    h.Height = uint32_t(Bitmap.Height());
    h.SourceWidth = uint32_t(std::max(SourceWidth, 0));
    h.SourceHeight = uint32_t(std::max(SourceHeight, 0));
    h.Reserved = 0;
    if (Thumbnail->Add(path, data)) {
      CacheUse = ctWritten;
      return;
    }
    CacheError = whyNotWritable(Thumbnail->CacheFileName(path));
  } catch (const EThumbError&) {
    CacheError = QStringLiteral("it is not a thumbnail cache file");
  } catch (const std::exception& e) {
    CacheError = QString::fromUtf8(e.what());
  }
  // The thumbnail is made; only its cache copy is lost.
  CacheUse = ctNotWritten;
}

void TImgUtil::makeIconPicture(const QString& path, int iconIndex) {
  if (ImageType == TImageType::iitExe || ImageType == TImageType::iitDll) IconCount = 0;
  Bitmap = filledBitmap(kIconSize, kIconSize, BKColor);
  const bool folder = platform::KindOfPath(path) == platform::PathKind::Folder;
  paintOn(Bitmap, [&](QPainter& p) {
    p.setPen(QColor(96, 96, 96));
    p.setBrush(folder ? QColor(240, 200, 100) : QColor(250, 250, 250));
    if (folder)
      p.drawRect(3, 8, 26, 19);
    else
      p.drawRect(7, 3, 18, 26);
  });
  SourceWidth = kIconSize;
  SourceHeight = kIconSize;
  IconIndex = iconIndex;
}

int TImgUtil::decodeBmp(const QString& path, int W, int H) {
  // The signature first: a huge file that is no BMP is never read whole.
  const auto data = platform::SourceBytes::FromFile(path, "BM");
  if (!data) return -1;
  Bitmap = graphics::ReadBMP(data.Span());
  Bitmap.ConvertTo24();
  SourceWidth = Bitmap.Width();
  SourceHeight = Bitmap.Height();
  ScaleBitmap(W, H);
  return 0;
}

void TImgUtil::jpegFromMemory(const QByteArray& data, int W, int H, int orientation) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
  const auto info = graphics::ReadJpegInfo(bytes, size_t(data.size()));
  if (!info) throw graphics::EInvalidGraphic(QStringLiteral("Not a JPEG file"));
  graphics::TJPEGImage jpeg;
  jpeg.SetPerformance(Performance);
  // Sizes as shown: a picture stored sideways is fitted and reduced by its turned size.
  const bool swap = edit::SwapsSides(orientation);
  const int w = swap ? info->Height : info->Width, h = swap ? info->Width : info->Height;
  SourceWidth = w;
  SourceHeight = h;
  const bool exact = w == W && h == H;
  if (GetType != TGetType::igtNormal && !exact) jpeg.SetScale(JpegScaleFor(w, h, W, H));
  if (GetType == TGetType::igtNormal && NormalJpegScale) jpeg.SetScale(NormalJpegScale(w, h));
  jpeg.LoadFromMemory(bytes, size_t(data.size()));
  Bitmap = std::move(jpeg.Bitmap());
  Bitmap.ConvertTo24();
  edit::ApplyOrientation(Bitmap, orientation);
  if (!exact) ScaleBitmap(W, H);
}

bool TImgUtil::loadEmbeddedJpeg(const QString& path, int W, int H) {
  const platform::FileBytes head = platform::ReadRegularFile(path, kJpegHeadBytes, true);
  if (!head) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(head.bytes.constData());
  const size_t size = size_t(head.bytes.size());
  const edit::TJpegExif exif = edit::ReadJpegExif(bytes, size);
  if (exif.Thumbnail.empty()) return false;
  const auto main = graphics::ReadJpegInfo(bytes, size);
  const auto small = graphics::ReadJpegInfo(exif.Thumbnail.data(), exif.Thumbnail.size());
  if (!main || !small) return false;
  const int orientation = AutoRotate ? exif.Orientation : 1;
  const bool swap = edit::SwapsSides(orientation);
  const QSize picture = swap ? QSize(main->Height, main->Width) : QSize(main->Width, main->Height);
  const QSize embedded = swap ? QSize(small->Height, small->Width) : QSize(small->Width, small->Height);
  if (!EmbeddedThumbnailFits(embedded, picture, QSize(W, H))) return false;
  try {
    jpegFromMemory(QByteArray::fromRawData(reinterpret_cast<const char*>(exif.Thumbnail.data()),
                                           qsizetype(exif.Thumbnail.size())),
                   W, H, orientation);
  } catch (const graphics::EInvalidGraphic&) {
    // A damaged thumbnail: the picture itself is decoded instead.
    Bitmap = TBitmap();
    return false;
  }
  SourceWidth = picture.width();
  SourceHeight = picture.height();
  return !Bitmap.Empty();
}

int TImgUtil::decodeJpeg(const QString& path, int W, int H) {
  if (GetType != TGetType::igtNormal && loadEmbeddedJpeg(path, W, H)) return 0;
  const auto data = platform::SourceBytes::FromFile(path, "\xFF\xD8");
  if (!data) return -1;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.Data());
  const int orientation = AutoRotate ? edit::JpegOrientation(bytes, data.Size()) : 1;
  jpegFromMemory(QByteArray::fromRawData(data.Data(), qsizetype(data.Size())), W, H, orientation);
  return 0;
}

int TImgUtil::decodeMetafile(const QString& path, int W, int H) {
  const auto data = readFile(path, graphics::kMaxMetafileBytes);
  if (!data) return -1;
  Bitmap = graphics::RenderMetafile(*data, QSize(), BKColor);
  SourceWidth = Bitmap.Width();
  SourceHeight = Bitmap.Height();
  ScaleBitmap(W, H);
  return 0;
}

int TImgUtil::decodeHtml(const QString& path, int W, int H) {
  if (W < 1 || H < 1) return -1;
  const auto data = readFile(path, kMaxDocumentBytes, true);
  if (!data) return -1;
  const int height = int(double(kHtmlWidth) / W * H);
  if (!graphics::checkedImageBytes(kHtmlWidth, height, 24)) return -1;
  Bitmap = filledBitmap(kHtmlWidth, height, BKColor);
  QTextDocument doc;
  doc.setDefaultFont(Font);
  doc.setTextWidth(kHtmlWidth);
  if (ImageType == TImageType::iitEml)
    doc.setPlainText(emailAsText(*data));
  else
    doc.setHtml(QString::fromUtf8(*data));
  paintOn(Bitmap, [&](QPainter& p) {
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = QRectF(0, 0, kHtmlWidth, height);
    ctx.palette.setColor(QPalette::Text, Qt::black);
    doc.documentLayout()->draw(&p, ctx);
  });
  SourceWidth = Bitmap.Width();
  SourceHeight = Bitmap.Height();
  if (GetType != TGetType::igtNormal) Resample(Bitmap, W, H);
  return 0;
}

int TImgUtil::decodeText(const QString& path, int W, int H) {
  const platform::RegularFile file = platform::RegularFile::Open(path);
  QFile f;
  if (!file.LendTo(f)) return 1;
  const int bw = 2 * W, bh = 2 * H;
  if (!graphics::checkedImageBytes(bw, bh, 24)) return -1;
  Bitmap = filledBitmap(bw, bh, BKColor);
  QImage probe(1, 1, QImage::Format_BGR888);
  const int lineHeight = QFontMetrics(Font, &probe).height();
  if (lineHeight <= 0) return 1;
  const int lines = bh / lineHeight + 1;
  const int columns = bw / 2;

  QByteArray text, line;
  int lineCount = 0;
  bool done = false;
  char block[kTextBlock];
  while (!done) {
    const qint64 n = f.read(block, kTextBlock);
    if (n <= 0) break;
    platform::ByteReader r(block, size_t(n));
    uint8_t c;
    while (r.u8(c)) {
      if (c == 0) break;  // the rest of this block is not text
      if (c == '\r') continue;
      if (c == '\n') {
        text += line;
        line.clear();
        if (++lineCount >= lines) {
          done = true;
          break;
        }
        text += "\r\n";
        continue;
      }
      if (line.size() < columns + 1) line += char(c);
    }
  }
  if (!done) text += line;

  paintOn(Bitmap, [&](QPainter& p) {
    p.setFont(Font);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, bw, bh), Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(text).replace("\r\n", "\n"));
  });
  SourceWidth = bw;
  SourceHeight = bh;
  ScaleBitmap(W, H);
  return 0;
}

int TImgUtil::decodeAvi(const QString& path, int W, int H) {
  if (!ReadVideoFrame(path, AviFramePos, Bitmap)) return -1;
  SourceWidth = Bitmap.Width();
  SourceHeight = Bitmap.Height();
  ScaleBitmap(W, H);
  return 0;
}

int TImgUtil::decodeCustom(const QString& path, int W, int H) {
  if (!Custom || !Custom->Load(path, Bitmap) || Bitmap.Empty()) return -1;
  Bitmap.ConvertTo24();
  SourceWidth = Bitmap.Width();
  SourceHeight = Bitmap.Height();
  ScaleBitmap(W, H);
  return 0;
}

int TImgUtil::decodeSusie(const QString& path, int W, int H) {
  if (!SPlugin) return -1;
  const int rc = SPlugin->GetBitmap(path, Bitmap);
  if (rc != 0) return rc;
  Bitmap.ConvertTo24();
  SourceWidth = Bitmap.Width();
  SourceHeight = Bitmap.Height();
  ScaleBitmap(W, H);
  return 0;
}

}  // namespace catalog
