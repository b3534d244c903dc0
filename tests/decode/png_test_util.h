#pragma once
// Helpers of the PNG tests: building files chunk by chunk, loading and saving in memory.
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <string>
#include <zlib.h>

#include "decode/png_graphic.h"

namespace pngtest {

inline QString dataPath(const QString& name) { return QStringLiteral(QIVO2_TEST_DATA "/png/") + name; }

inline QByteArray be32(uint32_t v) {
  QByteArray b;
  for (int s = 24; s >= 0; s -= 8) b.append(char((v >> s) & 0xFF));
  return b;
}

inline QByteArray signature() { return QByteArray("\x89PNG\r\n\x1a\n", 8); }

inline QByteArray chunk(const char* type, const QByteArray& data) {
  QByteArray body = QByteArray(type, 4) + data;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()));
  return be32(uint32_t(data.size())) + body + be32(uint32_t(crc));
}

inline QByteArray ihdr(uint32_t w, uint32_t h, int depth, int colorType, int compression = 0, int filter = 0,
                       int interlace = 0) {
  QByteArray d = be32(w) + be32(h);
  d.append(char(depth)).append(char(colorType)).append(char(compression)).append(char(filter)).append(char(interlace));
  return chunk("IHDR", d);
}

inline QByteArray deflate(const QByteArray& raw, int level = 9) {
  uLongf size = compressBound(uLong(raw.size()));
  QByteArray out(qsizetype(size), '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
            uLong(raw.size()), level);
  out.resize(qsizetype(size));
  return out;
}

inline QByteArray iend() { return chunk("IEND", QByteArray()); }

inline void loadBytes(decode::TQVPNG& png, const QByteArray& bytes) {
  QByteArray copy = bytes;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  png.LoadFromStream(buffer);
}

inline QByteArray saveBytes(const decode::TQVPNG& png) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  png.SaveToStream(buffer);
  return out;
}

inline QByteArray readFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  return f.readAll();
}

// The message a load raises, or "" when it succeeds.
inline std::string loadError(const QByteArray& bytes) {
  decode::TQVPNG png;
  try {
    loadBytes(png, bytes);
  } catch (const decode::EQVPNG& e) {
    return e.what();
  }
  return "";
}

}  // namespace pngtest
