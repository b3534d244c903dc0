#pragma once
// zlib under the PNG layer: a row-by-row inflater that never produces more than asked
// for, a bounded one-shot inflate for text chunks, and text encodings of chunk texts.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>
#include <zlib.h>

namespace decode {

class TPNGInflater {
 public:
  // input: the IDAT chunks' data in file order (the views must outlive the inflater).
  explicit TPNGInflater(std::vector<std::span<const uint8_t>> input);
  ~TPNGInflater();
  TPNGInflater(const TPNGInflater&) = delete;
  TPNGInflater& operator=(const TPNGInflater&) = delete;

  // Fills exactly n bytes. Throws EQVPNG: the zlib error for broken data, the read error
  // when the data ends first.
  void Read(uint8_t* out, size_t n);

 private:
  std::vector<std::span<const uint8_t>> input_;
  size_t next_ = 0;
  z_stream z_{};
  bool finished_ = false;
};

// Inflates a whole zlib stream; nothing when it is broken or inflates past limit.
std::optional<QByteArray> PngInflateLimited(std::span<const uint8_t> data, size_t limit);

// Chunk text: UTF-8 when the bytes are valid UTF-8, Latin-1 otherwise.
QString PngTextFromBytes(std::span<const uint8_t> bytes);
// Latin-1 when every character fits, UTF-8 otherwise.
QByteArray PngTextToBytes(const QString& text);

}  // namespace decode
