#include "decode/spi_graphic.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/path_bytes.h"
#include "platform/regular_file.h"
#include "platform/source_bytes.h"

namespace decode {

const graphics::TGraphicClass& SPIBitmapClass() {
  static const graphics::TGraphicClass cls{QStringLiteral("TSPIBitmap"),
                                           [] { return std::make_unique<TSPIBitmap>(); }};
  return cls;
}

const graphics::TGraphicClass*& DefaultGraphicClass() {
  static const graphics::TGraphicClass* cls = &SPIBitmapClass();
  return cls;
}

// ---- the decoding job ----

void TInSPIAbleData::Clear() {
  info_.reset();
  bits_.reset();
  FreeHandle(PictureInfo.hInfo);
  PictureInfo = {};
  HasPictureInfo = false;
  picture_ = graphics::TBitmap();
  header_ = TDibHeader();
}

void TInSPIAbleData::Progress(TProgressStage stage, int percent, const QString& message) {
  if (OnProgress) OnProgress(Owner, stage, percent, stage == TProgressStage::psEnding, QRect(), message);
}

int TInSPIAbleData::ProgressCallback(int num, int denom, long data) {
  if (auto* job = reinterpret_cast<TInSPIAbleData*>(data))
    job->Progress(TProgressStage::psRunning, MulDiv(num, 97, denom) + 2, QString());
  return 0;
}

void TInSPIAbleData::GetPictureInfo(TSPI& spi, const TSource& src) {
  const auto fn = spi.GetPictureInfo();
  if (!fn) return;
  SpiPictureInfo pi{};
  HasPictureInfo = fn(src.buf, src.len, src.flag, &pi) == 0;
  // A failed call's record may hold anything; only a successful one is kept (and freed).
  if (HasPictureInfo) PictureInfo = pi;
}

void TInSPIAbleData::GetImage(SPI_GetPicture fn, const TSource& src) {
  if (!fn) return;
  void* hinfo = nullptr;
  void* hbits = nullptr;
  if (fn(src.buf, src.len, src.flag, &hinfo, &hbits, &TInSPIAbleData::ProgressCallback,
         reinterpret_cast<long>(this)) != 0)
    return;
  Adopt(hinfo, hbits);
}

void TInSPIAbleData::Adopt(void* hinfo, void* hbits) {
  info_.reset(hinfo);
  bits_.reset(hbits);
  if (!DibHandlesToBitmap(info_.get(), bits_.get(), picture_, &header_)) {
    info_.reset();
    bits_.reset();
  }
}

void TInSPIAbleData::RunRemote(TSPI& spi, long offset, const uint8_t* head, bool preview) {
  TWorkerSource source;
  if (!WorkerSource(source)) return;
  source.Offset = offset;
  // The head as the plug-in would see it here: from the offset, padded with zeros.
  uint8_t shifted[kHeaderBufferSize] = {};
  std::memcpy(shifted, head + offset, kHeaderBufferSize - size_t(offset));
  const auto note = [this](int result) {
    if (!SpiFaultText(result).isEmpty()) fault_ = result;
    return result;
  };
  if (spi.RemoteIsSupported(fileNameBytes_, source.Fd, shifted) == 0) {
    if (spi.SwitchedOff()) note(kSpiSwitchedOff);
    return;
  }
  SpiPictureInfo pi{};
  const int info = spi.RemoteGetPictureInfo(fileNameBytes_, source, pi);
  // A plug-in that died on the picture's information is not asked for the picture.
  if (!SpiFaultText(note(info)).isEmpty()) return;
  HasPictureInfo = info == 0;
  if (HasPictureInfo) PictureInfo = pi;
  THandle hinfo, hbits;
  if (note(spi.RemoteGetPicture(fileNameBytes_, source, preview, hinfo, hbits)) == 0)
    Adopt(hinfo.release(), hbits.release());
}

void TInSPIAbleData::Run() {
  TSPIs* manager = TSPIs::Instance();
  std::vector<long> offsets{0};
  if (manager && manager->MacBinary) offsets.push_back(kMacBinaryOffset);
  Progress(TProgressStage::psStarting, 0, QStringLiteral("Loading Graphic by Susie Plugin"));
  Clear();
  Progress(TProgressStage::psRunning, 1, QStringLiteral("Seeking enabled Susie Plugins"));
  std::vector<TSPI*> candidates;
  if (manager) {
    if (manager->GraphicForcedLoader)
      candidates.push_back(manager->GraphicForcedLoader);
    else
      manager->EnumSPIs({TSPIClass::scInSPI}, ExtractFileExt(FileName), candidates);
  }
  uint8_t head[kHeaderBufferSize] = {};
  ReadHeader(head, sizeof head);
  fileNameBytes_ = platform::PathBytes(FileName);
  fault_ = 0;

  for (TSPI* spi : candidates) {
    bool done = false;
    for (long offset : offsets) {
      Progress(TProgressStage::psRunning, 1,
               QStringLiteral("Loading by [%1]").arg(QFileInfo(spi->FileName()).fileName()));
      TSource src;
      if (!SourceAt(offset, src)) continue;
      if (spi->Sandboxed()) {
        RunRemote(*spi, offset, head, manager && manager->GraphicPreview);
      } else {
        const auto isSupported = spi->IsSupported();
        if (!isSupported || isSupported(fileNameBytes_.constData(), head + offset) == 0) continue;
        GetPictureInfo(*spi, src);
        if (manager && manager->GraphicPreview) {
          GetImage(spi->GetPreview(), src);
          if (Empty()) GetImage(spi->GetPicture(), src);
        } else {
          GetImage(spi->GetPicture(), src);
        }
      }
      if (!Empty()) {
        done = true;
        break;
      }
      Clear();
    }
    if (done) break;
  }
  Progress(TProgressStage::psEnding, 100, QStringLiteral("Loaded Graphic by Susie Plugin"));
}

TInSPIAbleFromFile::TInSPIAbleFromFile(const QString& fileName)
    : TInSPIAbleData(fileName), path_(platform::PathBytes(fileName)) {}

size_t TInSPIAbleFromFile::ReadHeader(uint8_t* buf, size_t n) {
  file_ = platform::RegularFile::Open(FileName);
  platform::RegularFile& f = file_;
  regular_ = bool(f);
  size_ = f.Size();
  const auto head = f.Read(int64_t(n));
  if (!head) return 0;
  std::memcpy(buf, head->constData(), size_t(head->size()));
  return size_t(head->size());
}

bool TInSPIAbleFromFile::SourceAt(long offset, TSource& src) const {
  // Plug-ins open the file by name: only one found to be a regular file is handed on.
  if (!regular_) return false;
  // A file no longer than the offset holds no picture after it.
  if (offset > 0 && size_ <= offset) return false;
  src = {path_.constData(), offset, SPI_SOURCE_FILE};
  return true;
}

bool TInSPIAbleFromFile::WorkerSource(TWorkerSource& src) {
  if (!regular_) return false;
  src = {file_.Fd(), false, 0};
  return true;
}

TInSPIAbleFromStream::TInSPIAbleFromStream(QIODevice& stream, const QString& fileName) : TInSPIAbleData(fileName) {
  // A device past the cap gives no bytes: no plug-in is asked, the picture is not decoded.
  owned_ = platform::SourceBytes::FromDevice(stream);
  memory_ = owned_.Data();
  size_ = qint64(owned_.Size());
}

TInSPIAbleFromStream::~TInSPIAbleFromStream() {
  if (memfd_ >= 0) close(memfd_);
}

bool TInSPIAbleFromStream::WorkerSource(TWorkerSource& src) {
  if (size_ <= 0) return false;
  if (memfd_ < 0) {
    // The worker maps the bytes; a memfd keeps them out of any file.
    const int fd = memfd_create("qivo2-source", MFD_CLOEXEC);
    if (fd < 0) return false;
    const char* p = memory_;
    size_t left = size_t(size_);
    while (left > 0) {
      const ssize_t k = write(fd, p, left);
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) {
        close(fd);
        return false;
      }
      p += k;
      left -= size_t(k);
    }
    memfd_ = fd;
  }
  src = {memfd_, true, 0};
  return true;
}

size_t TInSPIAbleFromStream::ReadHeader(uint8_t* buf, size_t n) {
  const size_t count = std::min(n, size_t(size_));
  if (count) std::memcpy(buf, memory_, count);
  return count;
}

bool TInSPIAbleFromStream::SourceAt(long offset, TSource& src) const {
  // Never hand a plug-in a pointer past the memory or a negative length.
  if (offset > 0 && size_ <= offset) return false;
  src = {memory_ + offset, long(size_ - offset), SPI_SOURCE_MEMORY};
  return true;
}

// ---- TSPIGraphic ----

void TSPIGraphic::Run(std::unique_ptr<TInSPIAbleData> job) {
  job->Owner = this;
  job->OnProgress = [this](graphics::TGraphic* sender, TProgressStage stage, int percent, bool redraw,
                           const QRect& rect, const QString& message) {
    if (OnProgress) OnProgress(sender, stage, percent, redraw, rect, message);
  };
  job->Run();
  const bool empty = job->Empty();
  const int fault = job->Fault();
  job_ = std::move(job);
  if (empty) throw graphics::EInvalidGraphic(fault ? SpiFaultText(fault) : kCouldNotDecode);
}

void TSPIGraphic::LoadFromFile(const QString& fileName) {
  job_.reset();
  Run(std::make_unique<TInSPIAbleFromFile>(fileName));
}

void TSPIGraphic::LoadFromStreamWithName(QIODevice& stream, const QString& fileName) {
  job_.reset();
  Run(std::make_unique<TInSPIAbleFromStream>(stream, fileName));
}

const graphics::TBitmap& TSPIGraphic::Bitmap() const { return Empty() ? empty_ : job_->Picture(); }
graphics::TBitmap& TSPIGraphic::Bitmap() { return Empty() ? empty_ : job_->Picture(); }

const std::vector<graphics::TRGBQuad>& TSPIGraphic::Palette() const { return Bitmap().Palette(); }

void TSPIGraphic::SaveToStream(QIODevice& stream) const {
  if (Empty()) return;
  const TDibHeader& h = job_->Header();
  const uint32_t infoSize = uint32_t(h.infoSize);
  const uint32_t bitsSize = uint32_t(h.bitsSize);
  uint8_t fh[14] = {'B', 'M'};
  const uint32_t fileSize = 14 + infoSize + bitsSize;
  const uint32_t offBits = 14 + infoSize;
  for (int i = 0; i < 4; ++i) {
    fh[2 + i] = uint8_t(fileSize >> (8 * i));
    fh[10 + i] = uint8_t(offBits >> (8 * i));
  }
  stream.write(reinterpret_cast<const char*>(fh), sizeof fh);
  stream.write(static_cast<const char*>(job_->Info()), infoSize);
  stream.write(static_cast<const char*>(job_->Bits()), bitsSize);
}

void TSPIGraphic::Draw(QPainter& canvas, const QRect& rect) const {
  if (Empty()) return;
  canvas.drawImage(rect, Bitmap().AsQImage());
}

// ---- TSPIBitmap ----

TSPIBitmap::TSPIBitmap() {
  OnLoadFromStreamWithName = [this](QIODevice& stream, const QString& fileName) {
    DoLoadFromStreamWithName(stream, fileName);
  };
}

const graphics::TGraphicClass*& TSPIBitmap::PlainBitmapClass() {
  static const graphics::TGraphicClass* cls = nullptr;
  return cls;
}

void TSPIBitmap::LoadFromFile(const QString& fileName) { Load(fileName, nullptr); }

void TSPIBitmap::LoadFromStreamWithName(QIODevice& stream, const QString& fileName) {
  if (OnLoadFromStreamWithName) OnLoadFromStreamWithName(stream, fileName);
}

void TSPIBitmap::Load(const QString& fileName, QIODevice* stream) {
  const graphics::TGraphicClass* plain = PlainBitmapClass();
  if (!plain) plain = graphics::TPictureFormats::Instance().ClassForExtension(QStringLiteral("bmp"));
  if (plain == &SPIBitmapClass()) plain = nullptr;
  const bool isBmp = ExtractFileExt(fileName).toUpper() == QLatin1String(".BMP");
  const bool order[2] = {!isBmp, isBmp};  // true: the plug-in graphic
  const qint64 start = stream ? stream->pos() : 0;
  auto forward = [this](graphics::TGraphic* sender, TProgressStage stage, int percent, bool redraw,
                        const QRect& rect, const QString& message) {
    if (stage != TProgressStage::psEnding && OnProgress) OnProgress(sender, stage, percent, redraw, rect, message);
  };

  std::unique_ptr<graphics::TGraphic> loaded;
  for (bool spi : order) {
    if (!spi && !plain) continue;
    try {
      if (spi) {
        auto g = std::make_unique<TSPIGraphic>();
        g->OnProgress = forward;
        if (stream)
          g->LoadFromStreamWithName(*stream, fileName);
        else
          g->LoadFromFile(fileName);
        loaded = std::move(g);
      } else {
        auto g = plain->create();
        if (stream)
          g->LoadFromStream(*stream);
        else
          g->LoadFromFile(fileName);
        loaded = std::move(g);
      }
      break;
    } catch (const std::exception&) {
      if (stream) stream->seek(start);
    }
  }
  if (loaded) Assign(*loaded);
  if (OnProgress)
    OnProgress(this, TProgressStage::psEnding, 100, true, QRect(0, 0, bitmap_.Width(), bitmap_.Height()),
               QStringLiteral("Loaded Graphic"));
  if (!loaded) throw graphics::EInvalidGraphic(kCouldNotDecode);
}

void TSPIBitmap::Assign(const graphics::TGraphic& source) {
  if (&source == this) return;
  bitmap_ = source.Bitmap();
}

}  // namespace decode
