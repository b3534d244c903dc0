#pragma once
// The messages between the host and a decode worker (qivo2-decode): one datagram each on a
// SOCK_SEQPACKET pair, at most one descriptor passed along (SCM_RIGHTS). Every field is
// little-endian and read back through the bounded reader; a message that does not parse
// is a broken worker, never trusted.
//
//   host -> worker                           worker -> host
//   kLoad   path                    status slot apiVersion name nFilters filter...
//                                   nDescriptions description... entries
//   kSupports slot name head[2176]         + fd   result denied
//   kInfo     slot flags name offset       + fd   result left top width height xDensity
//                                                 yDensity colorDepth text denied
//   kPicture  slot flags name offset       + fd   result infoSize bitsSize denied  (+ sealed memfd)
//
// flags: kPreview (GetPreview first), kMemory (the descriptor holds the bytes the plug-in
// gets as memory, SPI_SOURCE_MEMORY; otherwise it opens the name, SPI_SOURCE_FILE). entries:
// bit n set when the library has decode::kSPIEntryNames[n].
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "platform/byte_reader.h"

namespace decode::wire {

enum TRequest : uint32_t { kLoad = 1, kSupports = 2, kPicture = 3, kInfo = 4 };
enum TFlags : uint32_t { kPreview = 1, kMemory = 2 };

// A datagram larger than this is refused on both sides.
inline constexpr size_t kMaxMessage = 160 * 1024;

// Load status besides success (0): the library cannot be loaded; else ESPILoadError's code.
inline constexpr int32_t kLoadOpenError = -1;

class TWriter {
 public:
  TWriter& u32(uint32_t v);
  TWriter& i32(int32_t v) { return u32(uint32_t(v)); }
  TWriter& u64(uint64_t v);
  TWriter& bytes(const QByteArray& b);   // length, then the bytes
  TWriter& text(const QString& s) { return bytes(s.toUtf8()); }
  TWriter& raw(const void* p, size_t n);
  const QByteArray& data() const { return data_; }

 private:
  QByteArray data_;
};

// Reads what TWriter wrote; each call fails once the message is used up.
class TReader {
 public:
  explicit TReader(const QByteArray& data) : r_(data.constData(), size_t(data.size())) {}
  bool u32(uint32_t& v) { return r_.u32le(v); }
  bool i32(int32_t& v) { return r_.i32le(v); }
  bool u64(uint64_t& v) { return r_.u64le(v); }
  bool bytes(QByteArray& out, size_t limit = kMaxMessage);
  bool text(QString& out);
  const uint8_t* raw(size_t n) { return r_.take(n); }
  bool atEnd() const { return r_.atEnd(); }

 private:
  platform::ByteReader r_;
};

// Sends one datagram with an optional descriptor (-1 for none). False on any failure.
bool Send(int socket, const QByteArray& message, int fd = -1);
// Receives one datagram; *fd gets a passed descriptor (close-on-exec) or -1. nullopt on end
// of stream, an error or a message that was cut (too long, or more than one descriptor).
std::optional<QByteArray> Receive(int socket, int* fd);

}  // namespace decode::wire
