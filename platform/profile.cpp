#include "platform/profile.h"

#include "platform/byte_reader.h"
#include "platform/temp_file.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::profile {

namespace {

// A settings file is small; anything larger is not ours and is left alone.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

struct Line {
  QByteArray text;  // without its line ending
  QByteArray eol;   // "\n", "\r\n" or empty for a last line without one
};

struct Doc {
  QByteArray bom;  // a UTF-8 byte-order mark before the first line, kept as it was
  QList<Line> lines;
  QByteArray eol = "\n";  // the ending given to lines we add
};

enum class LoadResult { Ok, Missing, Unreadable };

// Only a regular file is read (a FIFO or device named like the settings file must not
// block or flood us), and at most kMaxFileSize bytes of it.
LoadResult loadBytes(const QString& file, QByteArray& out) {
  const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? LoadResult::Missing : LoadResult::Unreadable;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) {
    ::close(fd);
    return LoadResult::Unreadable;
  }
  out.resize(qsizetype(st.st_size) + 1);
  qsizetype got = 0;
  while (got < out.size()) {
    const ssize_t n = ::read(fd, out.data() + got, size_t(out.size() - got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += n;
  }
  ::close(fd);
  // A file that grew while being read past the limit is not ours to parse.
  if (got > kMaxFileSize) return LoadResult::Unreadable;
  out.truncate(got);
  return LoadResult::Ok;
}

Doc parse(const QByteArray& bytes) {
  Doc doc;
  ByteReader r(bytes.constData(), size_t(bytes.size()));
  if (bytes.startsWith("\xEF\xBB\xBF")) doc.bom = QByteArray(reinterpret_cast<const char*>(r.take(3)), 3);
  bool eolChosen = false;
  while (!r.atEnd()) {
    const void* nl = std::memchr(r.current(), '\n', r.left());
    const size_t len = nl ? size_t(static_cast<const uint8_t*>(nl) - r.current()) + 1 : r.left();
    const char* p = reinterpret_cast<const char*>(r.take(len));
    Line line;
    size_t textLen = len;
    if (nl) {
      --textLen;
      if (textLen > 0 && p[textLen - 1] == '\r') --textLen;
      line.eol = QByteArray(p + textLen, qsizetype(len - textLen));
      if (!eolChosen) {
        doc.eol = line.eol;
        eolChosen = true;
      }
    }
    line.text = QByteArray(p, qsizetype(textLen));
    doc.lines.append(line);
  }
  return doc;
}

QByteArray serialize(const Doc& doc) {
  QByteArray out = doc.bom;
  for (const Line& l : doc.lines) out += l.text + l.eol;
  return out;
}

bool sameName(const QByteArray& raw, const QString& name) {
  return QString::fromUtf8(raw.trimmed()).compare(name, Qt::CaseInsensitive) == 0;
}

// The section name of a "[name]" line, or false for any other line.
bool sectionOf(const QByteArray& text, QByteArray& name) {
  const QByteArray t = text.trimmed();
  if (!t.startsWith('[')) return false;
  const qsizetype close = t.indexOf(']');
  if (close < 0) return false;
  name = t.mid(1, close - 1);
  return true;
}

bool isComment(const QByteArray& t) { return t.startsWith(';') || t.startsWith('#'); }

// Key and value of a "key=value" line (both trimmed), or false.
bool keyOf(const QByteArray& text, QByteArray& key, QByteArray* value = nullptr) {
  const QByteArray t = text.trimmed();
  if (t.isEmpty() || isComment(t) || t.startsWith('[')) return false;
  const qsizetype eq = t.indexOf('=');
  if (eq <= 0) return false;
  key = t.left(eq).trimmed();
  if (key.isEmpty()) return false;
  if (value) *value = t.mid(eq + 1).trimmed();
  return true;
}

// Index of the first line holding `key` inside any section named `section`, or -1.
qsizetype findKey(const Doc& doc, const QString& section, const QString& key) {
  bool inSection = false;
  QByteArray name, k;
  for (qsizetype i = 0; i < doc.lines.size(); ++i) {
    const QByteArray& text = doc.lines[i].text;
    if (sectionOf(text, name)) {
      inSection = sameName(name, section);
      continue;
    }
    if (inSection && keyOf(text, k) && sameName(k, key)) return i;
  }
  return -1;
}

// [first, end) of the first section named `section` (first = its header line), or false.
bool findSection(const Doc& doc, const QString& section, qsizetype& first, qsizetype& end) {
  QByteArray name;
  first = -1;
  for (qsizetype i = 0; i < doc.lines.size(); ++i) {
    if (!sectionOf(doc.lines[i].text, name)) continue;
    if (first >= 0) {
      end = i;
      return true;
    }
    if (sameName(name, section)) first = i;
  }
  end = doc.lines.size();
  return first >= 0;
}

bool validSection(const QString& s) {
  const QString t = s.trimmed();
  return !t.isEmpty() && !t.contains(']') && !t.contains('\n') && !t.contains('\r');
}

bool validKey(const QString& k) {
  const QString t = k.trimmed();
  return !t.isEmpty() && !t.contains('=') && !t.contains('\n') && !t.contains('\r') &&
         !t.startsWith('[') && !t.startsWith(';') && !t.startsWith('#');
}

// A line break inside a value would start a new line of the file: such values are flattened.
QByteArray flatValue(const QString& v) {
  QString s = v;
  s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  return s.toUtf8();
}

void ensureEnded(Doc& doc, qsizetype index) {
  if (index >= 0 && index < doc.lines.size() && doc.lines[index].eol.isEmpty())
    doc.lines[index].eol = doc.eol;
}

class DirLock {
 public:
  explicit DirLock(const QString& dir) {
    fd_ = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~DirLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

bool writeAll(int fd, const QByteArray& data) {
  const char* p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= n;
  }
  return true;
}

// Replaces `target` by `data`: a temporary file in the same folder, synced, then renamed over.
bool replaceFile(const QString& target, const QByteArray& data, int dirFd, mode_t mode) {
  QByteArray tmpl;
  const int fd = CreateTempFileBeside(QFile::encodeName(QFileInfo(target).absoluteFilePath()), 0600, tmpl);
  if (fd < 0) return false;
  (void)::fchmod(fd, mode);  // a failed chmod still leaves a usable file
  bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmpl.constData(), QFile::encodeName(target).constData()) == 0;
  if (!ok) {
    ::unlink(tmpl.constData());
    return false;
  }
  if (dirFd >= 0) ::fsync(dirFd);
  return true;
}

// Reads the file, lets `change` edit it and writes the result when it changed. Writers of one
// folder are serialised so that two processes never lose each other's keys.
template <class Fn>
bool modify(const QString& file, Fn change) {
  if (file.isEmpty()) return false;
  QString target = QFileInfo(file).absoluteFilePath();
  const QFileInfo link(target);
  if (link.isSymLink()) {
    const QString resolved = link.canonicalFilePath();
    if (!resolved.isEmpty()) target = resolved;
  }
  const QString dir = QFileInfo(target).absolutePath();
  if (!QFileInfo(dir).isDir()) return false;
  DirLock lock(dir);

  QByteArray bytes;
  const LoadResult lr = loadBytes(target, bytes);
  if (lr == LoadResult::Unreadable) return false;
  mode_t mode = 0644;
  if (lr == LoadResult::Ok) {
    struct stat st {};
    if (::stat(QFile::encodeName(target).constData(), &st) == 0) mode = st.st_mode & 07777;
    // A file the user made read-only stays untouched, as it would be in place.
    if (::access(QFile::encodeName(target).constData(), W_OK) != 0) return false;
  }
  Doc doc = parse(bytes);
  if (!change(doc)) return true;  // nothing to change
  return replaceFile(target, serialize(doc), lock.fd(), mode);
}

bool loadDoc(const QString& file, Doc& doc) {
  QByteArray bytes;
  if (file.isEmpty() || loadBytes(file, bytes) != LoadResult::Ok) return false;
  doc = parse(bytes);
  return true;
}

// Integers as the settings file has always held them: decimal with an optional sign, or
// hexadecimal with "$" or "0x"; anything else (or out of range) is the default.
bool parseInt(const QByteArray& raw, int& out) {
  QByteArray t = raw.trimmed();
  if (t.isEmpty()) return false;
  bool ok = false;
  if (t.startsWith('$') || t.startsWith("0x") || t.startsWith("0X")) {
    const QByteArray digits = t.mid(t.startsWith('$') ? 1 : 2);
    if (digits.isEmpty() || digits.size() > 8 || digits.startsWith('-') || digits.startsWith('+'))
      return false;
    const uint v = digits.toUInt(&ok, 16);
    if (!ok) return false;
    out = int(v);
    return true;
  }
  const int v = t.toInt(&ok, 10);
  if (!ok) return false;
  out = v;
  return true;
}

}  // namespace

QString ReadString(const QString& file, const QString& section, const QString& key,
                   const QString& def) {
  Doc doc;
  if (!loadDoc(file, doc)) return def;
  const qsizetype i = findKey(doc, section.trimmed(), key.trimmed());
  if (i < 0) return def;
  QByteArray k, v;
  keyOf(doc.lines[i].text, k, &v);
  return QString::fromUtf8(v);
}

int ReadInteger(const QString& file, const QString& section, const QString& key, int def) {
  Doc doc;
  if (!loadDoc(file, doc)) return def;
  const qsizetype i = findKey(doc, section.trimmed(), key.trimmed());
  if (i < 0) return def;
  QByteArray k, v;
  keyOf(doc.lines[i].text, k, &v);
  int out = def;
  return parseInt(v, out) ? out : def;
}

bool WriteString(const QString& file, const QString& section, const QString& key,
                 const QString& value) {
  if (!validSection(section) || !validKey(key)) return false;
  const QString sec = section.trimmed(), name = key.trimmed();
  const QByteArray val = flatValue(value);
  return modify(file, [&](Doc& doc) {
    const qsizetype i = findKey(doc, sec, name);
    if (i >= 0) {
      QByteArray k;
      keyOf(doc.lines[i].text, k);
      const QByteArray text = k + '=' + val;
      if (doc.lines[i].text == text) return false;
      doc.lines[i].text = text;
      return true;
    }
    const Line line{name.toUtf8() + '=' + val, doc.eol};
    qsizetype first = -1, end = -1;
    if (findSection(doc, sec, first, end)) {
      qsizetype at = first;  // after the section's last key (its header when it has none)
      QByteArray k;
      for (qsizetype j = first + 1; j < end; ++j)
        if (keyOf(doc.lines[j].text, k)) at = j;
      ensureEnded(doc, at);
      doc.lines.insert(at + 1, line);
      return true;
    }
    ensureEnded(doc, doc.lines.size() - 1);
    if (!doc.lines.isEmpty() && !doc.lines.last().text.trimmed().isEmpty())
      doc.lines.append(Line{QByteArray(), doc.eol});
    doc.lines.append(Line{'[' + sec.toUtf8() + ']', doc.eol});
    doc.lines.append(line);
    return true;
  });
}

bool WriteInteger(const QString& file, const QString& section, const QString& key, int value) {
  return WriteString(file, section, key, QString::number(value));
}

bool DeleteKey(const QString& file, const QString& section, const QString& key) {
  if (!QFileInfo::exists(file)) return true;
  const QString sec = section.trimmed(), name = key.trimmed();
  return modify(file, [&](Doc& doc) {
    bool changed = false;
    // Every copy goes, so that a duplicate further down does not come back to life.
    for (qsizetype i; (i = findKey(doc, sec, name)) >= 0; changed = true) doc.lines.removeAt(i);
    return changed;
  });
}

bool EraseSection(const QString& file, const QString& section) {
  if (!QFileInfo::exists(file)) return true;
  const QString sec = section.trimmed();
  return modify(file, [&](Doc& doc) {
    // Duplicates go too, so that the section is really gone.
    bool changed = false;
    for (qsizetype first = -1, end = -1; findSection(doc, sec, first, end); changed = true)
      doc.lines.remove(first, end - first);
    return changed;
  });
}

bool SectionExists(const QString& file, const QString& section) {
  Doc doc;
  if (!loadDoc(file, doc)) return false;
  qsizetype first = -1, end = -1;
  return findSection(doc, section.trimmed(), first, end);
}

}  // namespace platform::profile
