#include "catalog/thumb_cache.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/app_folder.h"
#include "platform/byte_reader.h"
#include "platform/path_bytes.h"
#include "platform/temp_file.h"

namespace catalog {

namespace {

const QDate kEpoch(1899, 12, 30);

void putU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void putU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void putF64(uint8_t* p, double d) {
  uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  for (int i = 0; i < 8; ++i) p[i] = uint8_t(u >> (8 * i));
}

QByteArray serializeFileHeader(const TThumbFileHeader& h) {
  QByteArray out(kThumbFileHeaderSize, '\0');
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  putU32(p, kThumbMagic);
  putU32(p + 4, h.Version);
  std::memcpy(p + 8, h.Name, kThumbAppNameSize);
  putU16(p + 18, h.Reserved);
  putU32(p + 20, h.Count);
  return out;
}

// magic + 20-byte header; false when short, magicOk false when the magic is wrong.
bool parseFileHeader(const QByteArray& bytes, bool& magicOk, TThumbFileHeader& h) {
  platform::ByteReader r(bytes.constData(), size_t(bytes.size()));
  uint32_t magic = 0;
  magicOk = r.u32le(magic) && magic == kThumbMagic;
  if (!magicOk) return false;
  return r.u32le(h.Version) && r.bytes(h.Name, kThumbAppNameSize) && r.u16le(h.Reserved) && r.u32le(h.Count);
}

struct PictureStamp {
  double time = 0;
  uint32_t size = 0;
};

double dosTimeToDays(time_t mtime) {
  // DOS date-times keep even seconds only.
  const QDateTime local = QDateTime::fromSecsSinceEpoch(mtime).toLocalTime();
  const QTime tm = local.time();
  const int secs = tm.hour() * 3600 + tm.minute() * 60 + (tm.second() & ~1);
  return double(kEpoch.daysTo(local.date())) + double(secs) * 1000.0 / 86400000.0;
}

PictureStamp pictureStamp(const QString& path) {
  PictureStamp s;
  struct stat st;
  if (::stat(platform::PathBytes(path).constData(), &st) != 0) {
    s.time = ToThumbDateTime(QDateTime::currentDateTime());
    return s;
  }
  s.time = dosTimeToDays(st.st_mtim.tv_sec);
  s.size = uint32_t(uint64_t(st.st_size) & 0xFFFFFFFFu);
  return s;
}

// A writer that waits longer than this many replacements of the file in a row gives up.
constexpr int kLockAttempts = 64;

bool syncAndClose(QFile& f) {
  if (!f.flush()) return false;
  const bool ok = ::fsync(f.handle()) == 0;
  f.close();
  return ok;
}

void syncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

QString notThumbnailMessage(const QString& name) {
  return QString("%1\r\n  はサムネイルファイルではありません").arg(name);
}

}  // namespace

bool ParseThumbEntryHeader(const uint8_t* data, size_t size, TThumbEntryHeader& h) {
  platform::ByteReader r(data, size);
  return r.u32le(h.PathLength) && r.u32le(h.Flags) && r.u32le(h.DataLength) && r.u32le(h.Width) &&
         r.u32le(h.Height) && r.u32le(h.Padding) && r.f64le(h.CreateTime) && r.f64le(h.FileTime) &&
         r.u32le(h.FileSize) && r.u32le(h.SourceWidth) && r.u32le(h.SourceHeight) && r.u32le(h.Reserved);
}

QByteArray SerializeThumbEntryHeader(const TThumbEntryHeader& h) {
  QByteArray out(kThumbEntryHeaderSize, '\0');
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  putU32(p, h.PathLength);
  putU32(p + 4, h.Flags);
  putU32(p + 8, h.DataLength);
  putU32(p + 12, h.Width);
  putU32(p + 16, h.Height);
  putU32(p + 20, h.Padding);
  putF64(p + 24, h.CreateTime);
  putF64(p + 32, h.FileTime);
  putU32(p + 40, h.FileSize);
  putU32(p + 44, h.SourceWidth);
  putU32(p + 48, h.SourceHeight);
  putU32(p + 52, h.Reserved);
  return out;
}

double ToThumbDateTime(const QDateTime& t) {
  const QDateTime local = t.toLocalTime();
  const qint64 days = kEpoch.daysTo(local.date());
  return double(days) + double(local.time().msecsSinceStartOfDay()) / 86400000.0;
}

double ThumbFileTime(const QString& path) { return pictureStamp(path).time; }

TThumb::TThumb() = default;
TThumb::~TThumb() {
  active_ = false;
  Close();
}

void TThumb::SetAppName(const QString& name) {
  QByteArray bytes = name.toUtf8();
  if (bytes.size() > kThumbAppNameSize) {
    int n = kThumbAppNameSize;
    // Step back over continuation bytes so no character is cut.
    while (n > 0 && (uint8_t(bytes[n]) & 0xC0) == 0x80) --n;
    bytes.truncate(n);
  }
  appName_ = bytes;
}

void TThumb::fillNameField(uint8_t* name) const {
  std::memset(name, 0, kThumbAppNameSize);
  std::memcpy(name, appName_.constData(), size_t(std::min<qsizetype>(appName_.size(), kThumbAppNameSize)));
}

void TThumb::SetActive(bool on) {
  if (active_ == on) return;
  active_ = on;
  if (!on) Close();
}

QString TThumb::CacheFileName(const QString& picturePath) const {
  auto withSlash = [](QString s) {
    if (!s.endsWith('/')) s += '/';
    return s;
  };
  QString folder;
  switch (PathType) {
    case iptFree: folder = withSlash(Path); break;
    case iptApp: folder = withSlash(platform::programFolder()); break;
    case iptFolder: folder = withSlash(QFileInfo(picturePath).path()); break;
    case iptWin: folder = withSlash(QDir::homePath()); break;
    case iptTemp: {
      QString t = qEnvironmentVariable("TEMP");
      if (t.isEmpty()) t = QDir::tempPath();
      t = t.left(255);
      while (t.size() > 1 && t.endsWith('/')) t.chop(1);
      folder = withSlash(t);
      break;
    }
  }
  // The name is one path component; anything before a "/" is not ours to follow.
  QString name = FileName.mid(FileName.lastIndexOf('/') + 1);
  if (name == "." || name == "..") name.clear();
  if (name.isEmpty()) name = platform::executableBaseName();
  if (QFileInfo(name).suffix().isEmpty()) name += ".dat";
  if (!Variant.isEmpty() && !Variant.contains('/')) {
    const int dot = int(name.lastIndexOf('.'));
    name.insert(dot, Variant);
  }
  return folder + name;
}

void TThumb::Close() {
  if (active_ || !file_) return;
  file_->close();
  file_.reset();
  activeName_.clear();
}

void TThumb::ClearIndex() {
  index_.clear();
  indexByPath_.clear();
}

void TThumb::rememberFileIdentity() {
  struct stat st;
  if (!file_ || ::fstat(file_->handle(), &st) != 0) {
    indexSize_ = -1;
    return;
  }
  indexMTimeNs_ = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  indexSize_ = st.st_size;
  indexInode_ = st.st_ino;
}

bool TThumb::fileIdentityMatches() const {
  struct stat st;
  if (!file_ || indexSize_ < 0 || ::fstat(file_->handle(), &st) != 0) return false;
  return indexMTimeNs_ == int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec && indexSize_ == st.st_size &&
         indexInode_ == st.st_ino;
}

bool TThumb::namesOpenFile(const QString& name) const {
  struct stat open, named;
  return file_ && ::fstat(file_->handle(), &open) == 0 &&
         ::stat(QFile::encodeName(name).constData(), &named) == 0 && open.st_ino == named.st_ino &&
         open.st_dev == named.st_dev;
}

bool TThumb::lockFile(const QString& name, TThumbOpenMode mode) {
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    // Always a fresh descriptor: what a stream read before the lock may be out of date.
    file_.reset();
    // One stat: the file may come and go between two (another writer's rewrite or removal).
    struct stat st {};
    const bool exists = ::stat(QFile::encodeName(name).constData(), &st) == 0;
    if (exists ? !S_ISREG(st.st_mode) : mode == tomRead) return false;
    file_ = std::make_unique<QFile>(name);
    if (!file_->open(mode == tomRead ? QIODevice::ReadOnly : QIODevice::ReadWrite)) break;
    int rc;
    while ((rc = ::flock(file_->handle(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0) break;
    // A rewrite renames a new file over the one we waited on, or removes it.
    if (namesOpenFile(name)) return true;
  }
  file_.reset();
  return false;
}

void TThumb::unlockFile() {
  if (file_ && file_->isOpen()) ::flock(file_->handle(), LOCK_UN);
}

void TThumb::adoptIndex(const QString& name) {
  if (indexFile_ != name || !fileIdentityMatches()) {
    ClearIndex();
    indexFile_ = name;
    rememberFileIdentity();
  }
}

bool TThumb::readOrStartLocked(const QString& name) {
  const qint64 size = file_->size();
  if (size > 0 && file_->seek(0) && readHeaderFromFile()) {
    adoptIndex(name);
    return true;
  }
  if (size > 0 && (magic_ != kThumbMagic || size < 4)) {
    file_.reset();
    throw EThumbError(notThumbnailMessage(name));
  }
  // Empty, or the magic is there but the header was cut short: start it afresh.
  header_ = TThumbFileHeader{};
  fillNameField(header_.Name);
  magic_ = kThumbMagic;
  if (!file_->resize(0) || !file_->seek(0) || file_->write(serializeFileHeader(header_)) != kThumbFileHeaderSize ||
      !file_->flush()) {
    file_.reset();
    return false;
  }
  ClearIndex();
  indexFile_ = name;
  rememberFileIdentity();
  return true;
}

bool TThumb::createFile(const QString& name) {
  if (!lockFile(name, tomReadWrite)) return false;
  const bool ok = readOrStartLocked(name);
  unlockFile();
  return ok;
}

bool TThumb::readHeaderFromFile() {
  const QByteArray head = file_->read(kThumbFileHeaderSize);
  bool magicOk = false;
  TThumbFileHeader h;
  const bool complete = parseFileHeader(head, magicOk, h);
  magic_ = magicOk ? kThumbMagic : 0;
  if (!magicOk) return false;
  if (complete) header_ = h;
  return complete;
}

bool TThumb::openFile(const QString& name, TThumbOpenMode mode) {
  QFileInfo fi(name);
  if (fi.exists() && !fi.isFile()) return false;
  if (fi.exists() && fi.size() > 0) {
    file_ = std::make_unique<QFile>(name);
    const auto flags = mode == tomRead ? QIODevice::ReadOnly : QIODevice::ReadWrite;
    if (!file_->open(flags)) {
      file_.reset();
      return false;
    }
    const qint64 size = file_->size();
    if (!readHeaderFromFile()) {
      if (magic_ != kThumbMagic || size < 4) {
        file_.reset();
        throw EThumbError(notThumbnailMessage(name));
      }
      // The magic is there but the header was cut short: only a writer starts it afresh.
      file_.reset();
      if (mode == tomRead) return false;
      return createFile(name);
    }
    adoptIndex(name);
    return true;
  }
  // Missing, or empty after a crash while it was being created.
  if (mode == tomRead) return false;
  return createFile(name);
}

bool TThumb::Open(const QString& picturePath, TThumbOpenMode mode) {
  const QString name = CacheFileName(picturePath);
  if (active_) {
    if (file_ && activeName_ == name && namesOpenFile(name)) return true;
    if (file_) {
      file_->close();
      file_.reset();
    }
    mode = tomReadWrite;
  } else if (file_) {
    file_.reset();
  }
  if (!openFile(name, mode)) return false;
  if (active_) activeName_ = name;
  return true;
}

int TThumb::findRecord(const QString& path) const {
  const auto it = indexByPath_.constFind(path);
  return it == indexByPath_.constEnd() ? -1 : it.value();
}

void TThumb::addRecord(const TThumbIndexRecord& r) {
  index_.push_back(r);
  if (!indexByPath_.contains(r.Path)) indexByPath_.insert(r.Path, int(index_.size() - 1));
}

bool TThumb::readEntryAt(int64_t offset, int64_t fileSize, TThumbEntryHeader& h, QByteArray& pathBytes) {
  if (offset < kThumbFileHeaderSize || offset > fileSize || fileSize - offset < kThumbEntryHeaderSize) return false;
  if (!file_->seek(offset)) return false;
  uint8_t raw[kThumbEntryHeaderSize];
  if (file_->read(reinterpret_cast<char*>(raw), kThumbEntryHeaderSize) != kThumbEntryHeaderSize) return false;
  if (!ParseThumbEntryHeader(raw, sizeof raw, h)) return false;
  const int64_t left = fileSize - offset - kThumbEntryHeaderSize;
  if (int64_t(h.PathLength) > left || int64_t(h.DataLength) > left - int64_t(h.PathLength)) return false;
  pathBytes = file_->read(h.PathLength);
  return pathBytes.size() == qsizetype(h.PathLength);
}

bool TThumb::isStale(const TThumbEntryHeader& h, double fileTime, uint32_t fileSize) const {
  return h.FileTime != fileTime || h.FileSize != fileSize;
}

bool TThumb::Read(const QString& picturePath, QByteArray& jpeg) {
  jpeg.clear();
  if (!Open(picturePath, tomRead)) return false;
  struct Closer {
    TThumb* t;
    ~Closer() { t->Close(); }
  } closer{this};

  const PictureStamp stamp = pictureStamp(picturePath);
  const QByteArray wanted = platform::PathBytes(picturePath);
  const int64_t fileSize = file_->size();

  int64_t offset = kThumbFileHeaderSize;
  const int rec = findRecord(picturePath);
  const bool fromIndex = rec >= 0;
  if (fromIndex) {
    const TThumbIndexRecord& r = index_[size_t(rec)];
    if (r.FileTime != stamp.time || r.FileSize != stamp.size) {
      Close();
      DeleteEntry(picturePath);
      return false;
    }
    offset = r.Offset;
  } else if (!index_.empty()) {
    if (index_.size() >= header_.Count) return false;
    offset = index_.back().Next;
  }

  TThumbEntryHeader h;
  QByteArray pathBytes;
  for (;;) {
    if (!readEntryAt(offset, fileSize, h, pathBytes)) return false;
    const int64_t next = offset + kThumbEntryHeaderSize + int64_t(h.PathLength) + int64_t(h.DataLength);
    if (pathBytes == wanted) break;
    if (fromIndex) return false;  // the index no longer matches the file
    addRecord({offset, platform::PathFromBytes(pathBytes), h.FileTime, h.FileSize, next});
    offset = next;
  }

  if (isStale(h, stamp.time, stamp.size)) {
    Close();
    DeleteEntry(picturePath);
    return false;
  }
  jpeg = file_->read(h.DataLength);
  if (jpeg.size() != qsizetype(h.DataLength)) {
    jpeg.clear();
    return false;
  }
  entry_ = h;
  if (!fromIndex)
    addRecord({offset, picturePath, h.FileTime, h.FileSize,
               offset + kThumbEntryHeaderSize + int64_t(h.PathLength) + int64_t(h.DataLength)});
  return true;
}

bool TThumb::Add(const QString& picturePath, const QByteArray& jpeg) {
  const QString name = CacheFileName(picturePath);
  struct Closer {
    TThumb* t;
    ~Closer() {
      t->unlockFile();
      t->Close();
    }
  } closer{this};
  // Count update and append are one step under the lock, so another writer never lands on
  // the same offset and no entry is counted twice or lost.
  if (!lockFile(name, tomReadWrite) || !readOrStartLocked(name)) return false;
  if (active_) activeName_ = name;

  const QByteArray pathBytes = platform::PathBytes(picturePath);
  const PictureStamp stamp = pictureStamp(picturePath);

  // Walk what the index has not seen yet, so the index ends up complete and the new entry
  // lands right after the last whole one: a tail cut short by a crash is dropped, never
  // left in front of the new entry where it would hide it.
  const int64_t fileSize = file_->size();
  int64_t offset = index_.empty() ? kThumbFileHeaderSize : index_.back().Next;
  {
    TThumbEntryHeader seen;
    QByteArray seenPath;
    while (readEntryAt(offset, fileSize, seen, seenPath)) {
      const int64_t next = offset + kThumbEntryHeaderSize + int64_t(seen.PathLength) + int64_t(seen.DataLength);
      addRecord({offset, platform::PathFromBytes(seenPath), seen.FileTime, seen.FileSize, next});
      offset = next;
    }
  }
  // Another writer may have stored this very picture while we made its thumbnail.
  if (findRecord(picturePath) >= 0 &&
      std::any_of(index_.begin(), index_.end(),
                  [&](const TThumbIndexRecord& r) { return r.Path == picturePath && r.FileTime == stamp.time; })) {
    return true;
  }
  if (offset != fileSize && !file_->resize(offset)) return false;

  TThumbEntryHeader h = entry_;
  h.PathLength = uint32_t(pathBytes.size());
  h.Flags = entry_.Flags & kThumbFlagAutoRotated;  // the one flag we know
  h.DataLength = uint32_t(jpeg.size());
  h.Padding = 0;
  h.CreateTime = ToThumbDateTime(QDateTime::currentDateTime());
  h.FileTime = stamp.time;
  h.FileSize = stamp.size;
  h.Reserved = 0;

  // The entry goes first and the count after it, so a crash in between leaves an entry
  // that readers still find rather than a count promising one that is not there.
  QByteArray record = SerializeThumbEntryHeader(h);
  record += pathBytes;
  record += jpeg;
  if (!file_->seek(offset) || file_->write(record) != record.size() || !file_->flush()) {
    file_->resize(offset);
    return false;
  }
  header_.Version = kThumbVersion;
  fillNameField(header_.Name);
  header_.Count = uint32_t(index_.size() + 1);
  const QByteArray head = serializeFileHeader(header_);
  if (!file_->seek(4) || file_->write(head.constData() + 4, head.size() - 4) != head.size() - 4 || !file_->flush())
    return false;

  entry_ = h;
  addRecord({offset, picturePath, h.FileTime, h.FileSize, offset + record.size()});
  // The whole file was walked under the lock: the index is complete.
  rememberFileIdentity();
  return true;
}

bool TThumb::DeleteEntry(const QString& picturePath) {
  return deleteMatching(CacheFileName(picturePath), QStringList{picturePath});
}

bool TThumb::DeleteEntries(const QStringList& picturePaths) {
  if (picturePaths.isEmpty()) return false;
  return deleteMatching(CacheFileName(picturePaths.first()), picturePaths);
}

void TThumb::DeleteEntriesGrouped(QStringList picturePaths) {
  picturePaths.sort();
  QStringList run;
  QString runFolder;
  for (const QString& p : picturePaths) {
    const QString folder = QFileInfo(p).path();
    if (!run.isEmpty() && folder != runFolder) {
      DeleteEntries(run);
      run.clear();
    }
    runFolder = folder;
    run << p;
  }
  if (!run.isEmpty()) DeleteEntries(run);
}

bool TThumb::deleteMatching(const QString& cacheName, const QStringList& paths) {
  const bool wasActive = active_;
  active_ = false;
  file_.reset();
  activeName_.clear();
  struct Restore {
    TThumb* t;
    bool on;
    ~Restore() { t->active_ = on; }
  } restore{this, wasActive};

  // The lock is held from the first read to the rename, and closing the old file releases it.
  if (!lockFile(cacheName, tomRead)) return false;
  const int64_t fileSize = file_->size();
  // An empty file is one whose creation was cut short: nothing to delete from.
  if (fileSize == 0) {
    file_.reset();
    return false;
  }
  if (!readHeaderFromFile()) {
    const bool notOurs = magic_ != kThumbMagic;
    file_.reset();
    if (notOurs) throw EThumbError(notThumbnailMessage(cacheName));
    return false;
  }

  QSet<QByteArray> doomed;
  for (const QString& p : paths) doomed.insert(platform::PathBytes(p));

  // Collect what stays first; nothing is written when nothing goes.
  struct Kept {
    int64_t offset;
    TThumbEntryHeader h;
    QByteArray path;
  };
  std::vector<Kept> kept;
  int removed = 0;
  int64_t offset = kThumbFileHeaderSize;
  TThumbEntryHeader h;
  QByteArray pathBytes;
  while (readEntryAt(offset, fileSize, h, pathBytes)) {
    if (doomed.contains(pathBytes))
      ++removed;
    else
      kept.push_back({offset, h, pathBytes});
    offset += kThumbEntryHeaderSize + int64_t(h.PathLength) + int64_t(h.DataLength);
  }
  // A damaged tail is dropped by the rewrite as well.
  const bool damagedTail = offset != fileSize;
  if (removed == 0 && !damagedTail) {
    file_.reset();
    return false;
  }

  if (kept.empty()) {
    QFile::remove(cacheName);
    file_.reset();
    ClearIndex();
    indexFile_.clear();
    indexSize_ = -1;
    return removed > 0;
  }

  // A hidden name of this process made with O_EXCL: however the folders are named, a
  // rewrite never takes over another cache file.
  QByteArray tmpName;
  const int tmpFd = platform::CreateTempFileBeside(QFile::encodeName(cacheName), 0666, tmpName);
  QFile tmp;
  if (tmpFd < 0 || !tmp.open(tmpFd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
    if (tmpFd >= 0) {
      ::close(tmpFd);
      ::unlink(tmpName.constData());
    }
    file_.reset();
    return false;
  }
  TThumbFileHeader out = header_;
  out.Version = kThumbVersion;
  fillNameField(out.Name);
  out.Count = uint32_t(kept.size());
  bool ok = tmp.write(serializeFileHeader(out)) == kThumbFileHeaderSize;
  std::vector<TThumbIndexRecord> newIndex;
  newIndex.reserve(kept.size());
  int64_t outOffset = kThumbFileHeaderSize;
  for (const Kept& k : kept) {
    if (!ok) break;
    const int64_t len = kThumbEntryHeaderSize + int64_t(k.h.PathLength) + int64_t(k.h.DataLength);
    ok = file_->seek(k.offset);
    const QByteArray bytes = ok ? file_->read(len) : QByteArray();
    ok = ok && bytes.size() == len && tmp.write(bytes) == len;
    newIndex.push_back({outOffset, platform::PathFromBytes(k.path), k.h.FileTime, k.h.FileSize, outOffset + len});
    outOffset += len;
  }
  ok = syncAndClose(tmp) && ok;
  if (!ok || ::rename(tmpName.constData(), QFile::encodeName(cacheName).constData()) != 0) {
    ::unlink(tmpName.constData());
    file_.reset();
    return false;
  }
  syncFolder(QFileInfo(cacheName).path());
  file_.reset();  // wakes writers waiting on the old file; they see the rename

  header_ = out;
  ClearIndex();
  for (const auto& r : newIndex) addRecord(r);
  indexFile_ = cacheName;
  file_ = std::make_unique<QFile>(cacheName);
  if (file_->open(QIODevice::ReadOnly)) rememberFileIdentity();
  file_.reset();
  return removed > 0;
}

}  // namespace catalog
