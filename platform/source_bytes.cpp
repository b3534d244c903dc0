#include "platform/source_bytes.h"

#include <QBuffer>
#include <QFileDevice>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace platform {

SourceBytes::SourceBytes(SourceBytes&& o) noexcept { *this = std::move(o); }

SourceBytes& SourceBytes::operator=(SourceBytes&& o) noexcept {
  if (this != &o) {
    release();
    error_ = o.error_;
    openError_ = o.openError_;
    owned_ = std::move(o.owned_);
    data_ = std::exchange(o.data_, nullptr);
    size_ = std::exchange(o.size_, 0);
  }
  return *this;
}

SourceBytes::~SourceBytes() { release(); }

void SourceBytes::release() {
  owned_.clear();
  data_ = nullptr;
  size_ = 0;
}

void SourceBytes::readRegular(int fd, int64_t offset, int64_t size, QByteArrayView signature) {
  size = std::max<int64_t>(size, 0);
  const int64_t head = std::min<int64_t>(signature.size(), size);
  const auto lead = ReadAt(fd, offset, head, head);
  if (!lead) {
    error_ = SourceError::Read;
    return;
  }
  owned_ = *lead;
  if (QByteArrayView(owned_) == signature) {
    if (size > kMaxFileBytes) {
      owned_ = QByteArray();
      error_ = SourceError::TooLarge;
      return;
    }
    // The whole file again, into one buffer: appending the rest would copy a large picture
    // once more and hold it twice.
    const auto all = ReadAt(fd, offset, size, size);
    if (!all) {
      owned_ = QByteArray();
      error_ = SourceError::Read;
      return;
    }
    owned_ = std::move(*all);
  }
  data_ = reinterpret_cast<const uint8_t*>(owned_.constData());
  size_ = size_t(owned_.size());
}

SourceBytes SourceBytes::FromFile(const QString& path, QByteArrayView signature) {
  SourceBytes b;
  const RegularFile f = RegularFile::Open(path);
  if (!f) {
    b.error_ = SourceError::Open;
    b.openError_ = f.Error();
  } else {
    b.readRegular(f.Fd(), 0, f.Size(), signature);
  }
  return b;
}

SourceBytes SourceBytes::FromDevice(QIODevice& device, QByteArrayView signature, int64_t cap) {
  SourceBytes b;
  if (auto* buffer = qobject_cast<QBuffer*>(&device)) {
    // Already in memory: shared, not copied.
    const qint64 pos = std::clamp<qint64>(buffer->pos(), 0, buffer->data().size());
    b.owned_ = buffer->data();
    b.data_ = reinterpret_cast<const uint8_t*>(b.owned_.constData()) + pos;
    b.size_ = size_t(b.owned_.size() - pos);
    buffer->seek(buffer->size());
    return b;
  }
  if (auto* file = qobject_cast<QFileDevice*>(&device); file && !file->isSequential() && file->handle() >= 0) {
    struct stat st {};
    if (::fstat(file->handle(), &st) == 0 && S_ISREG(st.st_mode)) {
      const int64_t pos = file->pos();
      b.readRegular(file->handle(), pos, int64_t(st.st_size) - pos, signature);
      file->seek(file->size());
      return b;
    }
  }
  // A pipe or a device: chunks, the signature first.
  auto readUpTo = [&](qsizetype want) {
    while (b.owned_.size() < want) {
      const qsizetype have = b.owned_.size();
      b.owned_.resize(want);
      const qint64 n = device.read(b.owned_.data() + have, want - have);
      b.owned_.resize(have + std::max<qint64>(n, 0));
      if (n <= 0) return false;
    }
    return true;
  };
  readUpTo(signature.size());
  if (QByteArrayView(b.owned_) == signature) {
    constexpr qsizetype kChunk = 1 << 20;
    while (b.owned_.size() <= cap && readUpTo(b.owned_.size() + kChunk)) {
    }
    if (b.owned_.size() > cap) {
      b.owned_ = QByteArray();
      b.error_ = SourceError::TooLarge;
      return b;
    }
  }
  b.data_ = reinterpret_cast<const uint8_t*>(b.owned_.constData());
  b.size_ = size_t(b.owned_.size());
  return b;
}

QString SourceBytes::Why() const {
  switch (error_) {
    case SourceError::None: return QString();
    case SourceError::Open: return QStringLiteral("the file cannot be opened");
    case SourceError::TooLarge: return QStringLiteral("the picture data is too large");
    case SourceError::Read: return QStringLiteral("the file cannot be read");
  }
  return QString();
}

}  // namespace platform
