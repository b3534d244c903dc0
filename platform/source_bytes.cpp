#include "platform/source_bytes.h"

#include <QBuffer>
#include <QFileDevice>

#include <algorithm>
#include <utility>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SourceBytes::SourceBytes(SourceBytes&& o) noexcept { *this = std::move(o); }

SourceBytes& SourceBytes::operator=(SourceBytes&& o) noexcept {
  if (this != &o) {
    release();
    error_ = o.error_;
    openError_ = o.openError_;
    map_ = std::exchange(o.map_, nullptr);
    mapLength_ = std::exchange(o.mapLength_, 0);
    owned_ = std::move(o.owned_);
    data_ = std::exchange(o.data_, nullptr);
    size_ = std::exchange(o.size_, 0);
  }
  return *this;
}

SourceBytes::~SourceBytes() { release(); }

void SourceBytes::release() {
  if (map_) ::munmap(map_, mapLength_);
  map_ = nullptr;
  mapLength_ = 0;
  owned_.clear();
  data_ = nullptr;
  size_ = 0;
}

bool SourceBytes::map(int fd, int64_t offset, int64_t size) {
  if (size <= 0) return true;
  const int64_t page = ::sysconf(_SC_PAGESIZE);
  const int64_t start = offset - offset % page;
  const size_t length = size_t(size + (offset - start));
  void* p = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, off_t(start));
  if (p == MAP_FAILED) return false;
  map_ = p;
  mapLength_ = length;
  data_ = static_cast<const uint8_t*>(p) + (offset - start);
  size_ = size_t(size);
  return true;
}

SourceBytes SourceBytes::MapFile(const QString& path) {
  SourceBytes b;
  const RegularFile f = RegularFile::Open(path);
  if (!f) {
    b.error_ = SourceError::Open;
    b.openError_ = f.Error();
  } else if (!b.map(f.Fd(), 0, f.Size())) {
    b.error_ = SourceError::Read;
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
      if (!b.map(file->handle(), pos, int64_t(st.st_size) - pos)) b.error_ = SourceError::Read;
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
    case SourceError::TooLarge:
      return QStringLiteral("the picture data passes %1 MB").arg(kMaxStreamBytes >> 20);
    case SourceError::Read: return QStringLiteral("the file cannot be read");
  }
  return QString();
}

}  // namespace platform
