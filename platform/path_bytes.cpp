#include "platform/path_bytes.h"

#include <sys/stat.h>

namespace platform {

namespace {

constexpr char16_t kEscapeFirst = 0xDC80;
constexpr char16_t kEscapeLast = 0xDCFF;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at s[i] (overlong forms, surrogates and values beyond
// U+10FFFF are not valid), or 0.
size_t validSequence(std::string_view s, size_t i, char32_t& cp) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char c = at(0);
  size_t n;
  char32_t min;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    n = 2, min = 0x80, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, min = 0x800, cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, min = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() - i < n) return 0;
  for (size_t k = 1; k < n; ++k) {
    if (!isContinuation(at(k))) return 0;
    cp = (cp << 6) | (at(k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

void appendUtf8(QByteArray& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

}  // namespace

QByteArray PathBytes(const QString& path) {
  QByteArray out;
  out.reserve(path.size());
  const qsizetype n = path.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t u = path.at(i).unicode();
    if (u >= kEscapeFirst && u <= kEscapeLast) {
      out += char(u - kEscapeFirst + 0x80);
    } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
      appendUtf8(out, QChar::surrogateToUcs4(u, path.at(i + 1).unicode()));
      ++i;
    } else if (QChar::isSurrogate(u)) {
      appendUtf8(out, 0xFFFD);  // no bytes of any name decode to this
    } else {
      appendUtf8(out, u);
    }
  }
  return out;
}

QString PathFromBytes(std::string_view bytes) {
  QString out;
  out.reserve(qsizetype(bytes.size()));
  for (size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    const size_t n = validSequence(bytes, i, cp);
    if (n == 0) {
      out += QChar(char16_t(kEscapeFirst + (static_cast<unsigned char>(bytes[i]) - 0x80)));
      ++i;
      continue;
    }
    if (cp < 0x10000) {
      out += QChar(char16_t(cp));
    } else {
      out += QChar(QChar::highSurrogate(cp));
      out += QChar(QChar::lowSurrogate(cp));
    }
    i += n;
  }
  return out;
}

QString DisplayName(const QString& path) {
  QString out = path;
  for (QChar& c : out)
    if (c.unicode() >= kEscapeFirst && c.unicode() <= kEscapeLast) c = QChar(QChar::ReplacementCharacter);
  return out;
}

QUrl FileUrl(const QString& path) {
  return QUrl::fromEncoded("file://" + PathBytes(path).toPercentEncoding("/"), QUrl::StrictMode);
}

QString PathOfFileUrl(const QUrl& url) {
  if (!url.isValid() || url.scheme() != QLatin1String("file")) return QString();
  const QString host = url.host();
  if (!host.isEmpty() && host != QLatin1String("localhost")) return QString();
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (!bytes.startsWith('/') || bytes.contains('\0')) return QString();
  return PathFromBytes(bytes);
}

bool IsTextPath(const QString& path) {
  for (QChar c : path)
    if (c.unicode() >= kEscapeFirst && c.unicode() <= kEscapeLast) return false;
  return true;
}

PathKind KindOfPath(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || ::stat(PathBytes(path).constData(), &st) != 0) return PathKind::Missing;
  if (S_ISREG(st.st_mode)) return PathKind::File;
  if (S_ISDIR(st.st_mode)) return PathKind::Folder;
  return PathKind::Other;
}

bool PathTaken(const QString& path) {
  struct stat st {};
  return !path.isEmpty() && ::lstat(PathBytes(path).constData(), &st) == 0;
}

}  // namespace platform
