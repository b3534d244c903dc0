#include "decode/png_custom_stream.h"

#include "graphics/graphic.h"

namespace decode {

platform::ByteReader& TQVCustomReadStream::Reader(QByteArrayView signature) {
  if (!taken_) {
    taken_ = true;
    start_ = source_.isSequential() ? 0 : source_.pos();
    bytes_ = platform::SourceBytes::FromDevice(source_, signature);
    if (!bytes_) throw graphics::EInvalidGraphic(bytes_.Why());
    reader_ = platform::ByteReader(bytes_.Data(), bytes_.Size());
  }
  return reader_;
}

void TQVCustomReadStream::Finish() {
  if (!source_.isSequential()) source_.seek(start_ + qint64(reader_.position()));
}

bool TQVCustomWriteStream::WriteBytes(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const qint64 n = target_.write(p, qint64(size));
    if (n <= 0) return false;
    p += n;
    size -= size_t(n);
  }
  return true;
}

}  // namespace decode
