#pragma once
// Thumbnail cache files: one file per folder name holding many entries, each a 56-byte
// header, the picture's path as the file's own bytes (platform/path_bytes.h) and the thumbnail
// as JPEG data. All integers are little-endian. An entry is valid while the picture keeps the
// time and size recorded in it.
//
// Every length read from a file is checked against the file's size before anything is
// allocated, so a damaged or hostile file only makes a read fail (or raises EThumbError
// for a file that is not a cache file at all). Rewrites go through a hidden temporary file of
// their own (platform/temp_file.h) that is synced and renamed over the old one: at every
// moment one complete file exists.
//
// Several processes share cache files (two folders of one name share one). Every append
// and rewrite holds an exclusive flock on the cache file from its first read to its last
// write; the lock is never held while a picture is decoded. Readers take no lock and trust
// no entry whose lengths leave the file.
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

class QFile;

namespace catalog {

// A cache file that is not a thumbnail file.
class EThumbError : public std::runtime_error {
 public:
  explicit EThumbError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString Message() const { return QString::fromUtf8(what()); }
};

enum TPathType { iptFree, iptApp, iptFolder, iptWin, iptTemp };
enum TThumbOpenMode { tomRead, tomReadWrite };

inline constexpr uint32_t kThumbMagic = 127;
inline constexpr uint32_t kThumbVersion = 103;
inline constexpr int kThumbAppNameSize = 10;
inline constexpr int kThumbFileHeaderSize = 24;  // magic + 20-byte header
inline constexpr int kThumbEntryHeaderSize = 56;
// Entry flag: a JPEG thumbnail turned as its EXIF orientation says (older entries have 0).
inline constexpr uint32_t kThumbFlagAutoRotated = 1;

// The 20 bytes after the magic.
struct TThumbFileHeader {
  uint32_t Version = kThumbVersion;
  uint8_t Name[kThumbAppNameSize] = {};
  uint16_t Reserved = 0;
  uint32_t Count = 0;
};

// The fixed 56-byte part of an entry.
struct TThumbEntryHeader {
  uint32_t PathLength = 0;
  uint32_t Flags = 0;
  uint32_t DataLength = 0;
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint32_t Padding = 0;
  double CreateTime = 0;
  double FileTime = 0;
  uint32_t FileSize = 0;
  uint32_t SourceWidth = 0;
  uint32_t SourceHeight = 0;
  uint32_t Reserved = 0;
};

struct TThumbIndexRecord {
  int64_t Offset = 0;
  QString Path;
  double FileTime = 0;
  uint32_t FileSize = 0;
  int64_t Next = 0;  // Offset + 56 + N + D
};

// Parses one entry header (56 bytes) and serialises it again; false on short input.
bool ParseThumbEntryHeader(const uint8_t* data, size_t size, TThumbEntryHeader& out);
QByteArray SerializeThumbEntryHeader(const TThumbEntryHeader& h);

// Days since 1899-12-30 00:00 local time (the stored date-time encoding).
double ToThumbDateTime(const QDateTime& t);
// A file's last-write time at 2-second resolution in that encoding, or the current time
// when the file does not exist.
double ThumbFileTime(const QString& path);

class TThumb {
 public:
  TThumb();
  ~TThumb();
  TThumb(const TThumb&) = delete;
  TThumb& operator=(const TThumb&) = delete;

  QString CacheFileName(const QString& picturePath) const;
  // Throws EThumbError when the file exists and is not a cache file.
  bool Open(const QString& picturePath, TThumbOpenMode mode);
  // On success jpeg holds the stored data and Header() the entry's fields.
  bool Read(const QString& picturePath, QByteArray& jpeg);
  // Appends an entry; the caller fills Header().Width/Height/SourceWidth/SourceHeight.
  // Returns false when the file could not be written.
  bool Add(const QString& picturePath, const QByteArray& jpeg);
  bool DeleteEntry(const QString& picturePath);
  // Paths of one folder: every listed entry of the first path's cache file is removed.
  bool DeleteEntries(const QStringList& picturePaths);
  // Sorts and calls DeleteEntries once per run of paths with the same folder.
  void DeleteEntriesGrouped(QStringList picturePaths);
  void Close();
  void ClearIndex();

  QByteArray AppName() const { return appName_; }
  // At most 10 bytes of UTF-8, never cutting a character.
  void SetAppName(const QString& name);

  QString Path;
  QString FileName;
  // Added to the file name's stem, so thumbnails made for another pixel ratio ("@2x") have
  // a file of their own and neither kind is taken for the other.
  QString Variant;
  TPathType PathType = iptFree;
  bool Active() const { return active_; }
  void SetActive(bool on);

  TThumbEntryHeader& Header() { return entry_; }
  const TThumbEntryHeader& Header() const { return entry_; }
  const TThumbFileHeader& FileHeader() const { return header_; }
  const std::vector<TThumbIndexRecord>& Index() const { return index_; }

 private:
  bool openFile(const QString& name, TThumbOpenMode mode);
  bool readHeaderFromFile();
  bool createFile(const QString& name);
  // Opens name afresh and locks it; false when it is missing (tomRead) or cannot be had.
  bool lockFile(const QString& name, TThumbOpenMode mode);
  void unlockFile();
  bool namesOpenFile(const QString& name) const;
  // With the lock held: the header as it is now, or a new file when it is empty or its
  // header was cut short. Throws EThumbError for a file that is not a cache file.
  bool readOrStartLocked(const QString& name);
  void adoptIndex(const QString& name);
  void rememberFileIdentity();
  bool fileIdentityMatches() const;
  int findRecord(const QString& path) const;
  void addRecord(const TThumbIndexRecord& r);
  bool readEntryAt(int64_t offset, int64_t fileSize, TThumbEntryHeader& h, QByteArray& pathBytes);
  bool isStale(const TThumbEntryHeader& h, double fileTime, uint32_t fileSize) const;
  bool deleteMatching(const QString& cacheName, const QStringList& paths);
  void fillNameField(uint8_t* name) const;

  std::unique_ptr<QFile> file_;
  uint32_t magic_ = 0;
  QByteArray appName_;
  TThumbFileHeader header_;
  bool active_ = false;
  TThumbEntryHeader entry_;
  std::vector<TThumbIndexRecord> index_;
  QHash<QString, int> indexByPath_;
  QString indexFile_;
  // Identity of the file when the index was last known to be right.
  int64_t indexMTimeNs_ = 0;
  int64_t indexSize_ = -1;
  uint64_t indexInode_ = 0;
  QString activeName_;
};

}  // namespace catalog
