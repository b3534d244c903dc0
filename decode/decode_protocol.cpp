#include "decode/decode_protocol.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace decode::wire {

TWriter& TWriter::u32(uint32_t v) {
  for (int i = 0; i < 4; ++i) data_.append(char((v >> (8 * i)) & 0xFF));
  return *this;
}

TWriter& TWriter::u64(uint64_t v) {
  for (int i = 0; i < 8; ++i) data_.append(char((v >> (8 * i)) & 0xFF));
  return *this;
}

TWriter& TWriter::bytes(const QByteArray& b) {
  u32(uint32_t(b.size()));
  data_.append(b);
  return *this;
}

TWriter& TWriter::raw(const void* p, size_t n) {
  data_.append(static_cast<const char*>(p), qsizetype(n));
  return *this;
}

bool TReader::bytes(QByteArray& out, size_t limit) {
  uint32_t n;
  if (!r_.u32le(n) || n > limit) return false;
  const uint8_t* p = r_.take(n);
  if (!p) return false;
  out = QByteArray(reinterpret_cast<const char*>(p), qsizetype(n));
  return true;
}

bool TReader::text(QString& out) {
  QByteArray b;
  if (!bytes(b)) return false;
  out = QString::fromUtf8(b);
  return true;
}

bool Send(int socket, const QByteArray& message, int fd) {
  if (size_t(message.size()) > kMaxMessage) return false;
  iovec iov{const_cast<char*>(message.constData()), size_t(message.size())};
  msghdr msg{};
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  if (fd >= 0) {
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &fd, sizeof(int));
  }
  for (;;) {
    const ssize_t n = sendmsg(socket, &msg, MSG_NOSIGNAL);
    if (n == message.size()) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

std::optional<QByteArray> Receive(int socket, int* fd) {
  *fd = -1;
  QByteArray buf(qsizetype(kMaxMessage), Qt::Uninitialized);
  iovec iov{buf.data(), size_t(buf.size())};
  msghdr msg{};
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  ssize_t n;
  do {
    n = recvmsg(socket, &msg, MSG_CMSG_CLOEXEC);
  } while (n < 0 && errno == EINTR);
  int passed = -1;
  bool extra = false;
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
    const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (size_t i = 0; i < count; ++i) {
      int f;
      std::memcpy(&f, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
      if (passed < 0 && !extra) {
        passed = f;
      } else {
        extra = true;
        close(f);
      }
    }
  }
  if (n <= 0 || extra || (msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
    if (passed >= 0) close(passed);
    return std::nullopt;
  }
  buf.truncate(qsizetype(n));
  *fd = passed;
  return buf;
}

}  // namespace decode::wire
