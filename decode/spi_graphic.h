#pragma once
// Plug-in formats as ordinary graphics. TSPIGraphic decodes through the manager's picture
// import plug-ins (TSPIs); TSPIBitmap is the class the plug-in patterns are registered
// under in graphics::TPictureFormats, so a load by file name of a plug-in format yields a
// plain bitmap.
//
// A plug-in's result is outside data: the BITMAPINFO and bits are checked against each
// other before use (DibToBitmap); a result that fails counts as no result, and the next
// plug-in or offset is tried.
#include <QIODevice>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "decode/spi_host.h"
#include "decode/spi_support.h"
#include "platform/regular_file.h"
#include "platform/source_bytes.h"
#include "graphics/graphic.h"

class QPainter;

namespace decode {

enum class TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(graphics::TGraphic* sender, TProgressStage stage, int percent,
                                          bool redrawNow, const QRect& rect, const QString& message)>;

inline const QString kCouldNotDecode = QStringLiteral("Susie Plugins could not decode");

// The decoding job.
class TInSPIAbleData {
 public:
  virtual ~TInSPIAbleData() { Clear(); }
  TInSPIAbleData(const TInSPIAbleData&) = delete;
  TInSPIAbleData& operator=(const TInSPIAbleData&) = delete;

  const void* Info() const { return info_.get(); }
  const void* Bits() const { return bits_.get(); }
  QString FileName;
  SpiPictureInfo PictureInfo{};
  graphics::TGraphic* Owner = nullptr;
  TProgressEvent OnProgress;
  bool HasPictureInfo = false;

  // Empty when either handle is missing (a result that failed the check is dropped).
  bool Empty() const { return !info_ || !bits_; }
  void Clear();
  // Tries the candidates at offset 0 (and 128 with MacBinary) until one decodes.
  void Run();
  // Why the last sandboxed plug-in gave nothing when its worker failed (SpiFaultText's
  // result code), else 0.
  int Fault() const { return fault_; }

  // The checked picture and what its header says (valid when not empty).
  const graphics::TBitmap& Picture() const { return picture_; }
  graphics::TBitmap& Picture() { return picture_; }
  const TDibHeader& Header() const { return header_; }

 protected:
  explicit TInSPIAbleData(QString fileName) : FileName(std::move(fileName)) {}

  struct TSource {
    const char* buf;
    long len;
    unsigned flag;
  };
  // Fills buf with up to n leading bytes of the source; returns how many.
  virtual size_t ReadHeader(uint8_t* buf, size_t n) = 0;
  // The source at an offset; false when the source is not longer than the offset.
  virtual bool SourceAt(long offset, TSource& src) const = 0;
  // A descriptor of the source for a worker (after ReadHeader); false when there is none.
  virtual bool WorkerSource(TWorkerSource& src) = 0;

 private:
  void Progress(TProgressStage stage, int percent, const QString& message);
  void GetPictureInfo(TSPI& spi, const TSource& src);
  void GetImage(SPI_GetPicture fn, const TSource& src);
  // The plug-in's handles, kept when they make a picture.
  void Adopt(void* hinfo, void* hbits);
  // The candidate's calls in its worker.
  void RunRemote(TSPI& spi, long offset, const uint8_t* head, bool preview);
  static int ProgressCallback(int num, int denom, long data);

  THandle info_;
  THandle bits_;
  graphics::TBitmap picture_;
  TDibHeader header_;
  QByteArray fileNameBytes_;
  int fault_ = 0;
};

class TInSPIAbleFromFile : public TInSPIAbleData {
 public:
  explicit TInSPIAbleFromFile(const QString& fileName);

 protected:
  size_t ReadHeader(uint8_t* buf, size_t n) override;
  bool SourceAt(long offset, TSource& src) const override;
  bool WorkerSource(TWorkerSource& src) override;

 private:
  QByteArray path_;
  platform::RegularFile file_;  // what the workers read
  bool regular_ = false;  // both set by ReadHeader, which runs first
  qint64 size_ = 0;
};

// Memory source: a QBuffer's bytes are used in place, a regular file is mapped, any other
// stream is copied once, up to platform::kMaxStreamBytes. Reads from the stream's current
// position to its end.
class TInSPIAbleFromStream : public TInSPIAbleData {
 public:
  TInSPIAbleFromStream(QIODevice& stream, const QString& fileName);
  ~TInSPIAbleFromStream() override;

 protected:
  size_t ReadHeader(uint8_t* buf, size_t n) override;
  bool SourceAt(long offset, TSource& src) const override;
  bool WorkerSource(TWorkerSource& src) override;

 private:
  platform::SourceBytes owned_;
  int memfd_ = -1;  // the bytes for the workers, made at need
  const char* memory_ = nullptr;
  qint64 size_ = 0;
};

class TSPIGraphic : public graphics::TGraphic {
 public:
  TSPIGraphic() = default;

  void LoadFromFile(const QString& fileName) override;
  void LoadFromStream(QIODevice& stream) override { LoadFromStreamWithName(stream, QString()); }
  void LoadFromStreamWithName(QIODevice& stream, const QString& fileName);
  // Writes a BMP file: file header, BITMAPINFO, bits.
  void SaveToStream(QIODevice& stream) const override;
  void Draw(QPainter& canvas, const QRect& rect) const;

  int Width() const override { return job_ && !job_->Empty() ? job_->Header().width : 0; }
  int Height() const override { return job_ && !job_->Empty() ? job_->Header().height : 0; }  // sign kept
  bool Empty() const override { return !job_ || job_->Empty(); }
  const std::vector<graphics::TRGBQuad>& Palette() const;
  int ColorCount() const { return Empty() ? 0 : job_->Header().colorCount; }
  size_t BitmapInfoSize() const { return Empty() ? 0 : job_->Header().infoSize; }
  size_t BitsSize() const { return Empty() ? 0 : job_->Header().bitsSize; }

  const graphics::TBitmap& Bitmap() const override;
  graphics::TBitmap& Bitmap() override;

  TProgressEvent OnProgress;

 private:
  void Run(std::unique_ptr<TInSPIAbleData> job);

  std::unique_ptr<TInSPIAbleData> job_;
  graphics::TBitmap empty_;
};

class TSPIBitmap : public graphics::TBitmapGraphic {
 public:
  TSPIBitmap();

  void LoadFromFile(const QString& fileName) override;
  void LoadFromStream(QIODevice& stream) override { LoadFromStreamWithName(stream, QString()); }
  void LoadFromStreamWithName(QIODevice& stream, const QString& fileName);
  void Assign(const graphics::TGraphic& source);

  TProgressEvent OnProgress;
  std::function<void(QIODevice& stream, const QString& fileName)> OnLoadFromStreamWithName;

  // The plain bitmap class tried before (".bmp") or after the plug-ins; by default the
  // class registered for "bmp".
  static const graphics::TGraphicClass*& PlainBitmapClass();

 private:
  void Load(const QString& fileName, QIODevice* stream);
  void DoLoadFromStreamWithName(QIODevice& stream, const QString& fileName) { Load(fileName, &stream); }
};

// The class plug-in patterns are registered under ("TSPIBitmap").
const graphics::TGraphicClass& SPIBitmapClass();

}  // namespace decode
