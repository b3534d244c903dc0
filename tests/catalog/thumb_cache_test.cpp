#include "catalog/thumb_cache.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <csignal>
#include <map>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/byte_names.h"
#include "platform/app_folder.h"
#include "platform/temp_file.h"

using namespace catalog;

namespace {

class ThumbCache : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    qputenv("QIVO2_HOME", dir.filePath("home").toUtf8());
    QDir().mkpath(dir.filePath("Cache"));
    QDir().mkpath(dir.filePath("pics"));
    thumb.Path = dir.filePath("Cache");
    thumb.FileName = "pics";
  }
  QString pic(const QString& name, const QByteArray& content = "picture bytes") {
    const QString p = dir.filePath("pics/" + name);
    QFile f(p);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return p;
  }
  QString cacheFile() const { return dir.filePath("Cache/pics.dat"); }
  void add(const QString& path, const QByteArray& jpeg, uint32_t w = 90, uint32_t h = 60) {
    thumb.Header().Width = w;
    thumb.Header().Height = h;
    thumb.Header().SourceWidth = w * 10;
    thumb.Header().SourceHeight = h * 10;
    ASSERT_TRUE(thumb.Add(path, jpeg));
  }
  QByteArray fileBytes() const {
    QFile f(cacheFile());
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }
  void writeCache(const QByteArray& bytes) {
    QFile f(cacheFile());
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
  }
  QTemporaryDir dir;
  TThumb thumb;
};

uint32_t u32(const QByteArray& b, qsizetype at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
  return v;
}
double f64(const QByteArray& b, qsizetype at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
  double d;
  std::memcpy(&d, &v, 8);
  return d;
}

// The entries of a well-formed cache file in file order, or nothing when a length leaves
// the file or the count disagrees.
std::optional<std::vector<std::pair<QByteArray, QByteArray>>> entriesOf(const QByteArray& f) {
  if (f.size() < 24 || u32(f, 0) != 127) return std::nullopt;
  std::vector<std::pair<QByteArray, QByteArray>> out;
  qsizetype at = 24;
  while (at < f.size()) {
    if (f.size() - at < 56) return std::nullopt;
    const qsizetype n = qsizetype(u32(f, at)), d = qsizetype(u32(f, at + 8));
    if (n + d > f.size() - at - 56) return std::nullopt;
    out.emplace_back(f.mid(at + 56, n), f.mid(at + 56 + n, d));
    at += 56 + n + d;
  }
  if (out.size() != u32(f, 20)) return std::nullopt;
  return out;
}

}  // namespace

TEST_F(ThumbCache, CacheFileNames) {
  const QString exe = platform::executableBaseName();
  struct Case {
    TPathType type;
    QString path, fileName, picture, expected, variant = {};
  } cases[] = {
      {iptFree, "/c/Cache", "Photos", "/x/Photos/a.jpg", "/c/Cache/Photos.dat"},
      {iptFree, "/c/Cache/", "my.photos", "/x/my.photos/a.jpg", "/c/Cache/my.photos"},
      {iptFree, "/c/Cache", "", "/a.jpg", "/c/Cache/" + exe + ".dat"},
      {iptFree, "/c/Cache", "..", "/a.jpg", "/c/Cache/" + exe + ".dat"},
      {iptFree, "/c/Cache", "a/b", "/a.jpg", "/c/Cache/b.dat"},
      {iptFolder, "", "thumbs", "/x/y/a.jpg", "/x/y/thumbs.dat"},
      {iptApp, "", "Photos", "/x/a.jpg", platform::programFolder() + "/Photos.dat"},
      // Thumbnails for another pixel ratio: a file of their own.
      {iptFree, "/c/Cache", "Photos", "/x/a.jpg", "/c/Cache/Photos@2x.dat", "@2x"},
      {iptFree, "/c/Cache", "my.photos", "/x/a.jpg", "/c/Cache/my@2x.photos", "@2x"},
      {iptFree, "/c/Cache", "", "/a.jpg", "/c/Cache/" + exe + "@1.5x.dat", "@1.5x"},
      {iptFree, "/c/Cache", "Photos", "/x/a.jpg", "/c/Cache/Photos.dat", "/../x"},
  };
  for (const Case& c : cases) {
    thumb.Variant = c.variant;
    thumb.PathType = c.type;
    thumb.Path = c.path;
    thumb.FileName = c.fileName;
    EXPECT_EQ(thumb.CacheFileName(c.picture), c.expected) << c.fileName.toStdString();
  }
}

TEST_F(ThumbCache, AddThenReadGivesDataAndHeader) {
  const QString a = pic("a.jpg"), b = pic("b.jpg", "longer picture bytes");
  add(a, "JPEG-A", 94, 70);
  add(b, "JPEG-BB", 47, 94);
  TThumb other;  // a fresh reader builds its index by scanning
  other.Path = thumb.Path;
  other.FileName = thumb.FileName;
  for (TThumb* t : {&thumb, &other}) {
    QByteArray data;
    ASSERT_TRUE(t->Read(b, data));
    EXPECT_EQ(data, "JPEG-BB");
    EXPECT_EQ(t->Header().Width, 47u);
    EXPECT_EQ(t->Header().SourceHeight, 940u);
    ASSERT_TRUE(t->Read(a, data));
    EXPECT_EQ(data, "JPEG-A");
    EXPECT_FALSE(t->Read(pic("c.jpg"), data));
    // Paths compare exactly.
    EXPECT_FALSE(t->Read(dir.filePath("pics/A.jpg"), data));
  }
}

TEST_F(ThumbCache, WrittenFileMatchesLayoutByteForByte) {
  const QString a = pic("a.jpg", QByteArray(1234, 'x'));
  thumb.SetAppName("QIVO2");
  const double before = ToThumbDateTime(QDateTime::currentDateTime());
  add(a, "\xFF\xD8jpegdata\xFF\xD9", 94, 70);
  const QByteArray f = fileBytes();
  const QByteArray path = a.toUtf8();
  ASSERT_EQ(f.size(), 24 + 56 + path.size() + 12);
  EXPECT_EQ(f.left(4), QByteArray("\x7F\0\0\0", 4));
  EXPECT_EQ(u32(f, 4), 103u);
  EXPECT_EQ(f.mid(8, 10), QByteArray("QIVO2\0\0\0\0\0", 10));
  EXPECT_EQ(f.mid(18, 2), QByteArray("\0\0", 2));
  EXPECT_EQ(u32(f, 20), 1u);
  const int e = 24;
  EXPECT_EQ(u32(f, e + 0), uint32_t(path.size()));
  EXPECT_EQ(u32(f, e + 4), 0u);
  EXPECT_EQ(u32(f, e + 8), 12u);
  EXPECT_EQ(u32(f, e + 12), 94u);
  EXPECT_EQ(u32(f, e + 16), 70u);
  const double created = f64(f, e + 24);
  EXPECT_GE(created, before - 1e-6);
  EXPECT_LT(created - before, 1.0 / 24);
  // The picture time: local time, even seconds, days since 1899-12-30.
  const QDateTime m = QFileInfo(a).lastModified().toLocalTime();
  const double days = QDate(1899, 12, 30).daysTo(m.date()) +
                      (m.time().hour() * 3600 + m.time().minute() * 60 + (m.time().second() & ~1)) / 86400.0;
  EXPECT_DOUBLE_EQ(f64(f, e + 32), days);
  EXPECT_EQ(u32(f, e + 40), 1234u);
  EXPECT_EQ(u32(f, e + 44), 940u);
  EXPECT_EQ(u32(f, e + 48), 700u);
  EXPECT_EQ(u32(f, e + 52), 0u);
  EXPECT_EQ(f.mid(e + 56, path.size()), path);
  EXPECT_EQ(f.mid(e + 56 + path.size()), QByteArray("\xFF\xD8jpegdata\xFF\xD9"));
}

TEST_F(ThumbCache, NamesThatAreNotUtf8AreRecordedByTheirOwnBytes) {
  const ByteNameCleanup cleanup(dir.path());
  QStringList paths;
  for (const QByteArray& name : ByteNames()) {
    paths << BytePath(dir.filePath("pics"), name);
    ASSERT_TRUE(WriteBytePath(paths.back(), name));
    add(paths.back(), "JPEG " + name);
  }
  const QByteArray f = fileBytes();
  for (const QByteArray& name : ByteNames())
    EXPECT_TRUE(f.contains(platform::PathBytes(dir.filePath("pics")) + "/" + name + "JPEG " + name))
        << name.toHex().constData();
  TThumb fresh;
  fresh.Path = thumb.Path;
  fresh.FileName = thumb.FileName;
  for (TThumb* t : {&thumb, &fresh}) {
    for (qsizetype i = 0; i < paths.size(); ++i) {
      QByteArray data;
      ASSERT_TRUE(t->Read(paths[i], data)) << i;  // found and not stale
      EXPECT_EQ(data, "JPEG " + ByteNames()[size_t(i)]);
    }
    QByteArray data;
    EXPECT_FALSE(t->Read(platform::DisplayName(paths[0]), data));  // what the screen shows is no path
  }
  EXPECT_TRUE(thumb.DeleteEntry(paths[0]));
  QByteArray data;
  EXPECT_FALSE(thumb.Read(paths[0], data));
  EXPECT_TRUE(thumb.Read(paths[1], data));  // its look-alike stays
  EXPECT_TRUE(thumb.DeleteEntries({paths[1], paths[2]}));
  EXPECT_FALSE(QFile::exists(cacheFile()));
}

TEST_F(ThumbCache, AppNameFieldHasNoTerminatorWhenFull) {
  struct Case {
    QString name;
    QByteArray field;
  } cases[] = {
      {"ABCDEFGHIJ", "ABCDEFGHIJ"},
      {"ABCDEFGHIJKLM", "ABCDEFGHIJ"},
      {"", QByteArray(10, '\0')},
      // Four 3-byte characters: the fourth would not fit whole.
      {QString::fromUtf8("あいうえ"), QByteArray("あいう") + QByteArray(1, '\0')},
  };
  for (const Case& c : cases) {
    QFile::remove(cacheFile());
    thumb.SetAppName(c.name);
    add(pic("a.jpg"), "J");
    EXPECT_EQ(fileBytes().mid(8, 10), c.field) << c.name.toStdString();
  }
}

TEST_F(ThumbCache, TouchedPictureMakesEntryStale) {
  const QString a = pic("a.jpg"), b = pic("b.jpg");
  add(a, "OLD");
  add(b, "B");
  QByteArray data;
  ASSERT_TRUE(thumb.Read(a, data));
  QFile f(a);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
  f.close();
  EXPECT_FALSE(thumb.Read(a, data));
  EXPECT_EQ(u32(fileBytes(), 20), 1u);  // the old entry is gone
  add(a, "NEW");
  ASSERT_TRUE(thumb.Read(a, data));
  EXPECT_EQ(data, "NEW");
  ASSERT_TRUE(thumb.Read(b, data));
  EXPECT_EQ(data, "B");
}

TEST_F(ThumbCache, SameTimeDifferentSizeIsStale) {
  const QString a = pic("a.jpg", "12345");
  const QDateTime t = QFileInfo(a).lastModified();
  add(a, "OLD");
  {
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Append));
    f.write("678");
    f.setFileTime(t, QFileDevice::FileModificationTime);
  }
  QByteArray data;
  EXPECT_FALSE(thumb.Read(a, data));
  EXPECT_FALSE(QFile::exists(cacheFile()));
}

TEST_F(ThumbCache, DeletingOnlyEntryRemovesFile) {
  const QString a = pic("a.jpg");
  add(a, "J");
  EXPECT_FALSE(thumb.DeleteEntry(pic("none.jpg")));
  EXPECT_EQ(u32(fileBytes(), 20), 1u);
  EXPECT_TRUE(thumb.DeleteEntry(a));
  EXPECT_FALSE(QFile::exists(cacheFile()));
  EXPECT_FALSE(QFile::exists(dir.filePath("Cache/pics.~tmp")));
  EXPECT_FALSE(thumb.DeleteEntry(a));
}

TEST_F(ThumbCache, DeleteEntriesKeepsTheRest) {
  QStringList all;
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
    all << pic(n);
    add(all.back(), QByteArray(n));
  }
  QByteArray data;
  ASSERT_TRUE(thumb.Read(all[3], data));  // index complete before the rewrite
  EXPECT_TRUE(thumb.DeleteEntries({all[0], all[2]}));
  EXPECT_EQ(u32(fileBytes(), 20), 2u);
  EXPECT_FALSE(QFile::exists(dir.filePath("Cache/pics.~tmp")));
  TThumb fresh;
  fresh.Path = thumb.Path;
  fresh.FileName = thumb.FileName;
  for (TThumb* t : {&thumb, &fresh}) {
    EXPECT_FALSE(t->Read(all[0], data));
    ASSERT_TRUE(t->Read(all[3], data));
    EXPECT_EQ(data, "d.jpg");
    ASSERT_TRUE(t->Read(all[1], data));
    EXPECT_EQ(data, "b.jpg");
  }
  thumb.DeleteEntriesGrouped({all[3], all[1]});
  EXPECT_FALSE(QFile::exists(cacheFile()));
}

TEST_F(ThumbCache, IndexNoticesChangesByAnotherWriter) {
  const QString a = pic("a.jpg"), b = pic("b.jpg"), c = pic("c.jpg");
  add(a, "A");
  add(b, "B");
  add(c, "C");
  QByteArray data;
  ASSERT_TRUE(thumb.Read(c, data));
  TThumb other;
  other.Path = thumb.Path;
  other.FileName = thumb.FileName;
  ASSERT_TRUE(other.DeleteEntry(a));  // moves every later entry
  ASSERT_TRUE(thumb.Read(c, data));
  EXPECT_EQ(data, "C");
  ASSERT_TRUE(thumb.Read(b, data));
  EXPECT_EQ(data, "B");
}

TEST_F(ThumbCache, ActiveModeKeepsFileOpen) {
  thumb.SetActive(true);
  const QString a = pic("a.jpg"), b = pic("b.jpg");
  add(a, "A");
  add(b, "B");
  QByteArray data;
  ASSERT_TRUE(thumb.Read(a, data));
  EXPECT_TRUE(thumb.DeleteEntry(a));
  EXPECT_TRUE(thumb.Active());
  ASSERT_TRUE(thumb.Read(b, data));
  EXPECT_EQ(data, "B");
  thumb.SetActive(false);
}

// Builds a cache file with one well-formed entry and lets a case damage it.
TEST_F(ThumbCache, DamagedFilesNeverCrash) {
  const QString a = pic("a.jpg");
  add(a, "GOODJPEG");
  const QByteArray good = fileBytes();
  auto withU32 = [&](qsizetype at, uint32_t v) {
    QByteArray b = good;
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
    return b;
  };
  struct Case {
    const char* name;
    QByteArray bytes;
    bool throws;
  } cases[] = {
      {"truncated entry", good.left(good.size() - 3), false},
      {"truncated entry header", good.left(24 + 30), false},
      {"header only", good.left(24), false},
      {"short header", good.left(10), false},
      {"N larger than file", withU32(24, 0xFFFFFFF0u), false},
      {"D larger than file", withU32(24 + 8, 0x7FFFFFFFu), false},
      {"N and D overflow together", [&] {
         QByteArray b = withU32(24, 0x80000000u);
         b[24 + 8 + 3] = char(0x80);
         return b;
       }(), false},
      {"count huge", withU32(20, 0xFFFFFFFFu), false},
      {"wrong magic", withU32(0, 0x12345678u), true},
      {"three bytes", QByteArray("\x7F\0\0", 3), true},
      {"empty", QByteArray(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeCache(c.bytes);
    TThumb t;
    t.Path = thumb.Path;
    t.FileName = thumb.FileName;
    QByteArray data;
    if (c.throws) {
      EXPECT_THROW(t.Read(a, data), EThumbError);
      EXPECT_THROW(t.DeleteEntry(a), EThumbError);
      EXPECT_EQ(fileBytes(), c.bytes);  // left alone
      continue;
    }
    EXPECT_FALSE(t.Read(a, data) && data != "GOODJPEG");
    t.DeleteEntry(pic("other.jpg"));
    // A writer can always go on after the damage.
    t.Header().Width = 1;
    // pic() writes the picture again: a second call could give it a newer time.
    const QString z = pic("z.jpg");
    EXPECT_TRUE(t.Add(z, "Z"));
    ASSERT_TRUE(t.Read(z, data));
    EXPECT_EQ(data, "Z");
  }
}

TEST_F(ThumbCache, WrongMagicMessageNamesTheFile) {
  writeCache("not a cache file at all");
  try {
    QByteArray data;
    thumb.Read(pic("a.jpg"), data);
    FAIL();
  } catch (const EThumbError& e) {
    EXPECT_EQ(e.Message(), cacheFile() + "\r\n  はサムネイルファイルではありません");
  }
}

// A writer killed at any moment of a rewrite leaves the complete old or new file.
TEST_F(ThumbCache, KilledRewriteLeavesACompleteFile) {
  QStringList paths;
  for (int i = 0; i < 40; ++i) paths << pic(QString("p%1.jpg").arg(i));
  auto wellFormed = [&](const QByteArray& f) {
    const auto entries = entriesOf(f);
    return entries && !entries->empty();
  };
  for (int round = 0; round < 16; ++round) {
    QFile::remove(cacheFile());
    for (const QString& p : paths) add(p, QByteArray(64000, char('a' + round)));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TThumb t;
      t.Path = thumb.Path;
      t.FileName = thumb.FileName;
      for (int i = 0; i + 1 < paths.size(); ++i) t.DeleteEntry(paths[i]);
      _exit(0);
    }
    usleep(useconds_t(500 + round * 1000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(wellFormed(fileBytes())) << "round " << round;
  }
}

// Folders "x" and "x.~tmp" have the cache files x.dat and x.~tmp; rewriting the first
// must not go through the second.
TEST_F(ThumbCache, RewriteOfOneFolderLeavesTheTmpNamedFolderAlone) {
  TThumb tmpFolder;
  tmpFolder.Path = thumb.Path;
  tmpFolder.FileName = "x.~tmp";
  thumb.FileName = "x";
  const QString a = pic("a.jpg"), b = pic("b.jpg"), c = pic("c.jpg");
  tmpFolder.Header().Width = 1;
  ASSERT_TRUE(tmpFolder.Add(a, "A of x.~tmp"));
  add(b, "B");
  add(c, "C");
  ASSERT_TRUE(thumb.DeleteEntry(b));
  QByteArray data;
  ASSERT_TRUE(tmpFolder.Read(a, data));
  EXPECT_EQ(data, "A of x.~tmp");
  ASSERT_TRUE(thumb.Read(c, data));
  EXPECT_EQ(data, "C");
  EXPECT_FALSE(thumb.Read(b, data));
  // Nothing left behind, hidden or not.
  EXPECT_EQ(QDir(thumb.Path).entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList({"x.dat", "x.~tmp"}));
}

// A rewrite killed midway leaves its temporary file; the next rewrite removes it, but never
// one of a process that still runs.
TEST_F(ThumbCache, RewriteRemovesTemporaryFilesOfEndedRewrites) {
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  waitpid(ended, nullptr, 0);
  const QString a = pic("a.jpg"), b = pic("b.jpg");
  add(a, "A");
  add(b, "B");
  const QString folder = QFileInfo(cacheFile()).path() + "/";
  const QString stale = folder + platform::TempFileName(ended);
  const QString living = folder + platform::TempFileName(getppid());
  for (const QString& name : {stale, living}) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  ASSERT_TRUE(thumb.DeleteEntry(a));
  EXPECT_FALSE(QFile::exists(stale));
  EXPECT_TRUE(QFile::exists(living));
  QByteArray data;
  ASSERT_TRUE(thumb.Read(b, data));
  EXPECT_EQ(data, "B");
}

// Writers in other processes append to one cache file while another process rewrites it,
// as two qivo2-thumbs on one folder, or two folders of one name, do.
class RacingCacheWriters : public ThumbCache {
 protected:
  static constexpr int kWriters = 3, kOwn = 25, kShared = 6, kSeeded = 8;
  // Distinct bytes per picture, of varied lengths, so a record holding another's bytes shows.
  static QByteArray payload(const QString& path) {
    const QByteArray key = path.toUtf8();
    QByteArray out;
    const int len = 100 + int(qChecksum(key) % 5000);
    while (out.size() < len) out += key + '|';
    return out.left(len);
  }
  QStringList own(int writer) {
    QStringList out;
    for (int i = 0; i < kOwn; ++i) out << pic(QString("w%1_%2.jpg").arg(writer).arg(i));
    return out;
  }
  // Runs fn in a child process that starts when the parent closes the gate; returns its pid.
  template <class Fn>
  pid_t spawn(const int (&gate)[2], Fn fn) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      char byte;
      while (read(gate[0], &byte, 1) > 0) {
      }
      TThumb t;
      t.Path = thumb.Path;
      t.FileName = thumb.FileName;
      t.Header().Width = 1;
      _exit(fn(t) ? 0 : 1);
    }
    return pid;
  }
};

TEST_F(RacingCacheWriters, EveryEntryKeepsItsOwnBytesOnce) {
  QStringList shared, seeded;
  for (int i = 0; i < kShared; ++i) shared << pic(QString("shared%1.jpg").arg(i));
  for (int i = 0; i < kSeeded; ++i) seeded << pic(QString("seeded%1.jpg").arg(i));
  std::vector<QStringList> owned;
  for (int w = 0; w < kWriters; ++w) owned.push_back(own(w));
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    QFile::remove(cacheFile());
    for (const QString& p : seeded) add(p, payload(p));
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w)
      children.push_back(spawn(gate, [&, w](TThumb& t) {
        bool ok = true;
        for (int i = 0; i < kOwn; ++i) {
          ok = t.Add(owned[size_t(w)][i], payload(owned[size_t(w)][i])) && ok;
          if (i % 4 == 0) ok = t.Add(shared[(i / 4 + w) % kShared], payload(shared[(i / 4 + w) % kShared])) && ok;
        }
        return ok;
      }));
    children.push_back(spawn(gate, [&](TThumb& t) {
      bool ok = true;
      for (const QString& p : seeded) ok = t.DeleteEntry(p) && ok;
      return ok;
    }));
    close(gate[0]);
    close(gate[1]);
    for (pid_t c : children) {
      int status = -1;
      waitpid(c, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const auto entries = entriesOf(fileBytes());
    ASSERT_TRUE(entries) << "lengths or count do not match the file";
    std::map<QByteArray, int> seen;
    for (const auto& [path, data] : *entries) {
      ++seen[path];
      EXPECT_EQ(data, payload(QString::fromUtf8(path))) << path.constData();
    }
    QStringList expected = shared;
    for (const QStringList& o : owned) expected += o;
    EXPECT_EQ(seen.size(), size_t(expected.size()));
    for (const QString& p : expected) EXPECT_EQ(seen[p.toUtf8()], 1) << p.toStdString();
    for (const QString& p : seeded) EXPECT_EQ(seen.count(p.toUtf8()), 0u) << p.toStdString();
    TThumb reader;
    reader.Path = thumb.Path;
    reader.FileName = thumb.FileName;
    for (const QString& p : expected) {
      QByteArray data;
      EXPECT_TRUE(reader.Read(p, data) && data == payload(p)) << p.toStdString();
    }
    EXPECT_EQ(QDir(thumb.Path).entryList(QDir::Files | QDir::Hidden), QStringList({"pics.dat"}));
  }
}
