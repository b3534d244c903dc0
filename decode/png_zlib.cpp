#include "decode/png_zlib.h"

#include <QStringDecoder>
#include <algorithm>
#include <climits>

#include "decode/png_error.h"

namespace decode {

TPNGInflater::TPNGInflater(std::vector<std::span<const uint8_t>> input) : input_(std::move(input)) {
  if (inflateInit(&z_) != Z_OK) throw EQVPNG(png_msg::kZlib);
}

TPNGInflater::~TPNGInflater() { inflateEnd(&z_); }

void TPNGInflater::Read(uint8_t* out, size_t n) {
  while (n > 0) {
    if (finished_) throw EQVPNG(png_msg::kReadError);
    if (z_.avail_in == 0) {
      while (next_ < input_.size() && input_[next_].empty()) ++next_;
      if (next_ >= input_.size()) throw EQVPNG(png_msg::kReadError);
      z_.next_in = const_cast<Bytef*>(input_[next_].data());
      z_.avail_in = uInt(input_[next_].size());
      ++next_;
    }
    const uInt want = uInt(std::min<size_t>(n, UINT_MAX));
    z_.next_out = out;
    z_.avail_out = want;
    const int rc = inflate(&z_, Z_NO_FLUSH);
    const size_t got = want - z_.avail_out;
    out += got;
    n -= got;
    if (rc == Z_STREAM_END) {
      finished_ = true;
    } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
      throw EQVPNG(png_msg::kZlib);
    }
  }
}

std::optional<QByteArray> PngInflateLimited(std::span<const uint8_t> data, size_t limit) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::nullopt;
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = uInt(std::min<size_t>(data.size(), UINT_MAX));
  QByteArray out;
  char buffer[16384];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    const size_t got = sizeof buffer - z.avail_out;
    if (size_t(out.size()) + got > limit) {
      rc = Z_MEM_ERROR;
      break;
    }
    out.append(buffer, qsizetype(got));
    if (rc == Z_BUF_ERROR) break;  // input ended before the stream did
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END) return std::nullopt;
  return out;
}

QString PngTextFromBytes(std::span<const uint8_t> bytes) {
  const QByteArrayView view(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(view);
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(view);
}

QByteArray PngTextToBytes(const QString& text) {
  for (const QChar c : text)
    if (c.unicode() > 0xFF) return text.toUtf8();
  return text.toLatin1();
}

}  // namespace decode
