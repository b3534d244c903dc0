#pragma once
// The bytes of a picture source, bounded before they are held. The leading bytes are checked
// against the format's signature first, so a huge file that is not the format is refused
// after them. Then a regular file is read to the size it has (refused past kMaxFileBytes),
// any other device in chunks up to a cap. Files are read, not mapped: a mapped picture cut
// short by another program while it is decoded would end the process with SIGBUS.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/regular_file.h"

class QIODevice;

namespace platform {

// Largest picture read from a device that is not a regular file.
inline constexpr int64_t kMaxStreamBytes = int64_t(256) << 20;
// Largest picture file read whole.
inline constexpr int64_t kMaxFileBytes = int64_t(512) << 20;

enum class SourceError { None, Open, TooLarge, Read };

class SourceBytes {
 public:
  SourceBytes() = default;
  SourceBytes(SourceBytes&& o) noexcept;
  SourceBytes& operator=(SourceBytes&& o) noexcept;
  SourceBytes(const SourceBytes&) = delete;
  SourceBytes& operator=(const SourceBytes&) = delete;
  ~SourceBytes();

  // The whole regular file at path; only its leading bytes when they differ from `signature`.
  static SourceBytes FromFile(const QString& path, QByteArrayView signature = {});
  // From the device's position to its end (the device is left at its end). When the
  // leading bytes differ from `signature`, reading stops and only they are held, so the
  // decoder refuses them with its own words.
  static SourceBytes FromDevice(QIODevice& device, QByteArrayView signature = {}, int64_t cap = kMaxStreamBytes);

  explicit operator bool() const { return error_ == SourceError::None; }
  SourceError Error() const { return error_; }
  FileError OpenError() const { return openError_; }
  std::span<const uint8_t> Span() const { return {data_, size_}; }
  const char* Data() const { return reinterpret_cast<const char*>(data_); }
  size_t Size() const { return size_; }
  // A sentence saying why nothing is held ("" when all is well).
  QString Why() const;

 private:
  void release();
  void readRegular(int fd, int64_t offset, int64_t size, QByteArrayView signature);
  SourceError error_ = SourceError::None;
  FileError openError_ = FileError::None;
  QByteArray owned_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace platform
