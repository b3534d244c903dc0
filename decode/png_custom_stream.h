#pragma once
// Generic read and write streams under the picture codecs. A read stream takes the bytes
// left in a device (mapped for a regular file, bounded otherwise) and hands them out through
// a bounded reader; a write stream pushes bytes to a device and reports a short write.
#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <cstddef>
#include <cstdint>

#include "graphics/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/source_bytes.h"

namespace decode {

class TQVCustomReadStream {
 public:
  // Nothing is read until Reader(). On a random-access device Finish() later puts the
  // device's position just past the bytes the codec consumed.
  explicit TQVCustomReadStream(QIODevice& source) : source_(source) {}
  virtual ~TQVCustomReadStream() = default;
  TQVCustomReadStream(const TQVCustomReadStream&) = delete;
  TQVCustomReadStream& operator=(const TQVCustomReadStream&) = delete;

  // The bytes left in the source, taken on the first call. Leading bytes other than
  // `signature` are all it holds then. Throws graphics::EInvalidGraphic when a device that
  // is no regular file holds more than platform::kMaxStreamBytes.
  platform::ByteReader& Reader(QByteArrayView signature = {});
  // Leaves the device just after the consumed bytes (when it can seek).
  void Finish();

 private:
  QIODevice& source_;
  qint64 start_ = 0;
  platform::SourceBytes bytes_;
  bool taken_ = false;
  platform::ByteReader reader_;
};

class TQVCustomGraphicReadStream : public TQVCustomReadStream {
 public:
  using TQVCustomReadStream::TQVCustomReadStream;
  // Decodes the picture into bitmap; mask receives an 8-bit alpha mask when the picture
  // has one and is emptied otherwise.
  virtual void Read(graphics::TBitmap& bitmap, graphics::TBitmap& mask) = 0;
};

class TQVCustomWriteStream {
 public:
  explicit TQVCustomWriteStream(QIODevice& target) : target_(target) {}
  virtual ~TQVCustomWriteStream() = default;
  TQVCustomWriteStream(const TQVCustomWriteStream&) = delete;
  TQVCustomWriteStream& operator=(const TQVCustomWriteStream&) = delete;

  // False when the device took fewer bytes.
  bool WriteBytes(const void* data, size_t size);

 private:
  QIODevice& target_;
};

class TQVCustomGraphicWriteStream : public TQVCustomWriteStream {
 public:
  using TQVCustomWriteStream::TQVCustomWriteStream;
  // mask may be empty (no alpha).
  virtual void Write(const graphics::TBitmap& bitmap, const graphics::TBitmap& mask) = 0;
};

}  // namespace decode
