#include "decode/png_custom_stream.h"

namespace decode {

TQVCustomReadStream::TQVCustomReadStream(QIODevice& source) : source_(source) {
  start_ = source.isSequential() ? 0 : source.pos();
  bytes_ = source.readAll();
  reader_ = platform::ByteReader(bytes_.constData(), size_t(bytes_.size()));
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
