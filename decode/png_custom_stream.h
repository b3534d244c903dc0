#pragma once
// Generic read and write streams under the picture codecs. A read stream takes the bytes
// left in a device and hands them out through a bounded reader; a write stream pushes
// bytes to a device and reports a short write.
#include <QByteArray>
#include <QIODevice>
#include <cstddef>
#include <cstdint>

#include "graphics/bitmap.h"
#include "platform/byte_reader.h"

namespace decode {

class TQVCustomReadStream {
 public:
  // Reads everything left in source. On a random-access device Finish() later puts the
  // device's position just past the bytes the codec consumed.
  explicit TQVCustomReadStream(QIODevice& source);
  virtual ~TQVCustomReadStream() = default;
  TQVCustomReadStream(const TQVCustomReadStream&) = delete;
  TQVCustomReadStream& operator=(const TQVCustomReadStream&) = delete;

  platform::ByteReader& Reader() { return reader_; }
  // Leaves the device just after the consumed bytes (when it can seek).
  void Finish();

 private:
  QIODevice& source_;
  qint64 start_ = 0;
  QByteArray bytes_;
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
