// The one bounded reader for bytes from outside (files, plug-in results, caches), part of the
// plug-in SDK so that plug-ins and the program read outside bytes the same way.
// Every read checks what is left; a failed read returns false and consumes nothing.
#ifndef QIVO2_SPI_BYTE_READER_H
#define QIVO2_SPI_BYTE_READER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace spi_util {

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const void* data, size_t size) : p_(static_cast<const uint8_t*>(data)), size_(size) {}
  explicit ByteReader(std::span<const uint8_t> s) : ByteReader(s.data(), s.size()) {}

  size_t size() const { return size_; }
  size_t position() const { return pos_; }
  size_t left() const { return size_ - pos_; }
  bool atEnd() const { return pos_ >= size_; }
  const uint8_t* current() const { return p_ + pos_; }
  const uint8_t* data() const { return p_; }

  bool seek(size_t pos) {
    if (pos > size_) return false;
    pos_ = pos;
    return true;
  }
  bool skip(size_t n) {
    if (n > left()) return false;
    pos_ += n;
    return true;
  }
  // A view of the next n bytes, consumed; nullptr when fewer are left.
  const uint8_t* take(size_t n) {
    if (n > left()) return nullptr;
    const uint8_t* r = p_ + pos_;
    pos_ += n;
    return r;
  }
  bool bytes(void* out, size_t n) {
    const uint8_t* r = take(n);
    if (!r) return false;
    if (n) std::memcpy(out, r, n);
    return true;
  }
  // A sub-reader over the next n bytes, consumed.
  bool sub(size_t n, ByteReader& out) {
    const uint8_t* r = take(n);
    if (!r) return false;
    out = ByteReader(r, n);
    return true;
  }

  bool u8(uint8_t& v) { return bytes(&v, 1); }
  bool u16le(uint16_t& v) { return le(v); }
  bool u32le(uint32_t& v) { return le(v); }
  bool u64le(uint64_t& v) { return le(v); }
  bool i32le(int32_t& v) {
    uint32_t u;
    if (!le(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool u16be(uint16_t& v) { return be(v); }
  bool u32be(uint32_t& v) { return be(v); }
  bool f64le(double& v) {
    uint64_t u;
    if (!le(u)) return false;
    std::memcpy(&v, &u, sizeof v);
    return true;
  }

 private:
  template <class T>
  bool le(T& v) {
    const uint8_t* r = take(sizeof(T));
    if (!r) return false;
    T x = 0;
    for (size_t i = 0; i < sizeof(T); ++i) x |= T(r[i]) << (8 * i);
    v = x;
    return true;
  }
  template <class T>
  bool be(T& v) {
    const uint8_t* r = take(sizeof(T));
    if (!r) return false;
    T x = 0;
    for (size_t i = 0; i < sizeof(T); ++i) x = T(x << 8) | r[i];
    v = x;
    return true;
  }

  const uint8_t* p_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
};

}  // namespace spi_util

#endif
