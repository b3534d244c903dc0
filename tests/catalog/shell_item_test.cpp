#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <set>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/byte_names.h"
#include "catalog/shell_item.h"

using namespace catalog;
namespace sh = platform::shell;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

void touch(const QString& path, int bytes = 0) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(QByteArray(bytes, 'x'));
}

// A control stand-in: one folder, and a record of what the entries asked it to do.
class FakeOwner : public TPanelItemsOwner {
 public:
  explicit FakeOwner(const QString& path) {
    id.reset(sh::IdListFromPath(QFile::encodeName(path)));
    folder = sh::TShellFolder::Bind(id.get());
  }
  FolderPtr PanelFolder() const override { return folder; }
  sh::PCIDL PanelFolderId() const override { return id.get(); }
  bool PanelFileMode() const override { return fileMode; }
  TDispImage PanelDispImage() const override { return TDispImage{}; }
  TImageType PanelDetectType(const QString& path) const override {
    return path.endsWith(".jpg") ? TImageType::iitJpeg : TImageType::iitNone;
  }
  void PanelNavigateId(sh::PCIDL abs) override { navigatedId = QFile::decodeName(sh::IdListToPath(abs)); }
  void PanelNavigatePath(const QString& path) override { navigatedPath = path; }
  void PanelExecute(const QString& path) override { executed = path; }

  sh::TIdListPtr id;
  FolderPtr folder;
  bool fileMode = false;
  QString navigatedId, navigatedPath, executed;
};

QStringList namesOf(TPanelItems& items) {
  QStringList out;
  for (int i = 0; i < items.Count(); ++i) out << items.Item(i)->GetDisplayName();
  return out;
}

class ShellItems : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    touch(d + "/Photo.JPG", 1500);
    touch(d + "/x.png", 1024);
    touch(d + "/x.jpeg", 0);
    touch(d + "/img10.jpg", 3000);
    touch(d + "/img2.jpg", 2000);
    touch(d + "/.secret.jpg");
    touch(d + "/Thumbs.db");
    QDir(d).mkdir("album");
    QDir(d).mkdir(".cache");
    ASSERT_EQ(symlink(QFile::encodeName(d + "/album").constData(), QFile::encodeName(d + "/to-album").constData()), 0);
    ASSERT_EQ(symlink(QFile::encodeName(d + "/x.png").constData(), QFile::encodeName(d + "/to-png").constData()), 0);
  }
  QStringList list(const QString& ext, bool folders = true, bool hidden = true, TSortTypeEx sort = TSortTypeEx::istName,
                   bool descend = false) {
    TDispTypes t;
    t.SetExt(ext);
    t.SetFolders(folders);
    t.SetHidden(hidden);
    items.Clear();
    items.Enumerate(t);
    items.Sort(sort, descend);
    return namesOf(items);
  }
  QTemporaryDir dir;
  FakeOwner owner{dir.path()};
  TPanelItems items{&owner};
};

}  // namespace

TEST(SizeAndDateTexts, Table) {
  struct Case {
    uint64_t size;
    const char* text;
  } cases[] = {{0, "1KB"}, {1023, "1KB"}, {1024, "2KB"}, {1500, "2KB"}, {1048576, "1025KB"},
               {uint64_t(1) << 32, "1KB"},  // 4 GB wraps
               {0xFFFFFFFFull, "4194304KB"}};
  for (const auto& c : cases) EXPECT_EQ(SizeTextOf(c.size), c.text) << c.size;
  qputenv("TZ", "UTC");
  tzset();
  EXPECT_EQ(DateTextOf(1700000000), "2023/11/14 22:13");
  EXPECT_EQ(DateTextOf(1700000039), "2023/11/14 22:13");
  EXPECT_EQ(DateTextOf(0), "1970/01/01 00:00");
}

TEST_F(ShellItems, FilterAndFlags) {
  const QString all = "*.*";
  EXPECT_EQ(list(all), QStringList({".cache", "album", ".secret.jpg", "img2.jpg", "img10.jpg", "Photo.JPG",
                                    "Thumbs.db", "to-album", "to-png", "x.jpeg", "x.png"}));
  // Folders always pass the mask; files and links only when they match.
  EXPECT_EQ(list("*.JPG;*.png"), QStringList({".cache", "album", ".secret.jpg", "img2.jpg", "img10.jpg", "Photo.JPG", "x.png"}));
  EXPECT_EQ(list("*.jpg; *.png"), QStringList({".cache", "album", ".secret.jpg", "img2.jpg", "img10.jpg", "Photo.JPG"}));
  EXPECT_EQ(list("thumbs.db"), QStringList({".cache", "album", "Thumbs.db"}));
  EXPECT_EQ(list("*.jpg", false, false), QStringList({"img2.jpg", "img10.jpg", "Photo.JPG"}));
  EXPECT_EQ(list(all, true, false), QStringList({"album", "img2.jpg", "img10.jpg", "Photo.JPG", "Thumbs.db",
                                                 "to-album", "to-png", "x.jpeg", "x.png"}));
}

TEST_F(ShellItems, DescendingIsTheReverse) {
  for (TSortTypeEx sort : {TSortTypeEx::istName, TSortTypeEx::istSize, TSortTypeEx::istType, TSortTypeEx::istDate,
                           TSortTypeEx::istAttr}) {
    QStringList up = list("*.*", true, true, sort, false);
    const QStringList down = list("*.*", true, true, sort, true);
    std::reverse(up.begin(), up.end());
    EXPECT_EQ(up, down) << int(sort);
  }
  EXPECT_EQ(list("*.jpg;*.png;*.jpeg", false, false, TSortTypeEx::istSize),
            QStringList({"x.jpeg", "x.png", "Photo.JPG", "img2.jpg", "img10.jpg"}));
  EXPECT_EQ(list("*.jpg;*.png;*.jpeg", false, false, TSortTypeEx::istType),
            QStringList({"x.jpeg", "img2.jpg", "img10.jpg", "Photo.JPG", "x.png"}));
}

// The name order from keys is the shell's comparison order, for tricky names and for a
// folder big enough to be sorted in two halves.
TEST_F(ShellItems, NameOrderIsTheComparisonOrder) {
  const QByteArray d = QFile::encodeName(dir.path());
  std::vector<std::string> files = {"a", "A", "a0", "a00", "a0b", "a1", "a01", "A1", "a1b", "a1B", "a10", "a09",
                                    "a:", "a 1", "a_1", "a1.2", "a1.10", "0", "00", "01", "10", "_", "{",
                                    "IMG_20230101_123456.jpg", "IMG_20230101_123457.jpg", "img_20230101_123456.jpg",
                                    "Screenshot from 2023-01-01 12-34-56.png", "Screenshot from 2023-01-01 12-34-57.png",
                                    "screenshot from 2023-01-01 12-34-56.png"};
  for (const char* end : {"a", "b"}) files.push_back(std::string(200, '7').append(end));
  files.push_back(std::string("x").append(120, '0').append("1"));
  const std::vector<std::string> folders = {"a2", "B", "b01", "b1"};
  uint32_t seed = 7;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
  const std::string alphabet = "aAbZ019._ -";
  std::set<std::string> made(files.begin(), files.end());
  while (made.size() < 20500) {
    std::string n = "p";
    for (size_t len = 4 + next() % 12; n.size() < len;) n += alphabet[next() % alphabet.size()];
    made.insert(n);
  }
  for (const std::string& n : made) close(open((d + "/" + n.c_str()).constData(), O_CREAT | O_WRONLY, 0644));
  for (const std::string& n : folders) mkdir((d + "/" + n.c_str()).constData(), 0755);
  TDispTypes all;
  items.Clear();
  items.Enumerate(all);
  ASSERT_GT(items.Count(), 20000);
  std::vector<std::pair<std::string, bool>> want;
  for (int i = 0; i < items.Count(); ++i)
    want.emplace_back(sh::IdRecordName(items.Item(i)->RelativeId), items.Item(i)->IsFolder);
  std::sort(want.begin(), want.end(), [](const auto& a, const auto& b) {
    return sh::CompareItemKeys(0, {a.first, a.second}, {b.first, b.second}) < 0;
  });
  for (const bool descend : {false, true}) {
    items.Sort(TSortTypeEx::istName, descend);
    std::vector<std::pair<std::string, bool>> got;
    for (int i = 0; i < items.Count(); ++i)
      got.emplace_back(sh::IdRecordName(items.Item(i)->RelativeId), items.Item(i)->IsFolder);
    if (descend) std::reverse(got.begin(), got.end());
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], want[i]) << i << (descend ? " descending" : "");
  }
}

TEST_F(ShellItems, EntryFields) {
  list("*.*");
  std::set<int> ids;
  for (int i = 0; i < items.Count(); ++i) {
    TShellItem* it = items.Item(i);
    ids.insert(it->Id);
    const QString name = it->GetDisplayName();
    EXPECT_EQ(it->GetParseName(), dir.path() + "/" + name);
    EXPECT_EQ(it->IsFolder, name == "album" || name == ".cache") << name.toStdString();
    EXPECT_EQ(it->Overlay, name.startsWith("to-") ? 1 : -1) << name.toStdString();
    if (name == "Photo.JPG") {
      EXPECT_EQ(it->GetSize(), 1500);
      EXPECT_EQ(it->GetSizeText(), "2KB");
      EXPECT_FALSE(it->GetDateText().isEmpty());
      EXPECT_EQ(it->GetImageType(), TImageType::iitNone);  // the fake's test is case-sensitive
    }
    if (name == "x.jpeg") {
      EXPECT_EQ(it->GetSizeText(), "1KB");
    }
    if (name == "album") {
      EXPECT_EQ(it->GetImageType(), TImageType::iitDir);
    }
  }
  EXPECT_EQ(int(ids.size()), items.Count());
  // Ids keep increasing across listings of the same list.
  const int before = *ids.rbegin();
  list("*.*");
  for (int i = 0; i < items.Count(); ++i) EXPECT_GT(items.Item(i)->Id, before);
  EXPECT_EQ(items.IndexOfId(before), -1);
  EXPECT_EQ(items.IndexOfId(items.Item(3)->Id), 3);
}

TEST_F(ShellItems, AddFilterRefusingEverything) {
  TDispTypes t;
  int asked = 0;
  items.Enumerate(t, [&](TPanelItem*, bool& accept) {
    ++asked;
    accept = false;
  });
  EXPECT_EQ(items.Count(), 0);
  EXPECT_EQ(asked, 11);
}

TEST_F(ShellItems, Open) {
  list("*.*");
  auto find = [&](const QString& n) {
    for (int i = 0; i < items.Count(); ++i)
      if (items.Item(i)->GetDisplayName() == n) return items.Item(i);
    return static_cast<TPanelItem*>(nullptr);
  };
  find("album")->Open();
  EXPECT_EQ(owner.navigatedId, dir.path() + "/album");
  find("to-album")->Open();  // a link to a folder goes to its target
  EXPECT_EQ(owner.navigatedPath, dir.path() + "/album");
  find("to-png")->Open();  // a link to a file is opened by the desktop
  EXPECT_EQ(owner.executed, dir.path() + "/to-png");
  find("x.png")->Open();
  EXPECT_EQ(owner.executed, dir.path() + "/x.png");
}

TEST_F(ShellItems, RenameNeverReplaces) {
  list("*.*");
  TShellItem* png = nullptr;
  for (int i = 0; i < items.Count(); ++i)
    if (items.Item(i)->GetDisplayName() == "x.png") png = items.Item(i);
  ASSERT_TRUE(png);
  EXPECT_FALSE(png->Rename("x.jpeg"));
  EXPECT_FALSE(png->Rename("a/b"));
  EXPECT_EQ(png->GetDisplayName(), "x.png");
  EXPECT_EQ(QFile(dir.path() + "/x.jpeg").size(), 0);
  EXPECT_TRUE(png->Rename("y.png"));
  EXPECT_EQ(png->GetDisplayName(), "y.png");
  EXPECT_EQ(png->GetParseName(), dir.path() + "/y.png");
  EXPECT_TRUE(QFile::exists(dir.path() + "/y.png"));
}

TEST_F(ShellItems, FileListMode) {
  owner.fileMode = true;
  EXPECT_TRUE(items.AddFile(dir.path() + "/img2.jpg"));
  EXPECT_TRUE(items.AddFile(dir.path() + "/album/../x.png"));
  EXPECT_FALSE(items.AddFile(dir.path() + "/missing.jpg"));
  EXPECT_FALSE(items.AddFile("relative.jpg"));
  TPanelItem* empty = items.AddFile("");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->RelativeId, nullptr);
  ASSERT_EQ(items.Count(), 3);
  TShellItem* png = items.Item(1);
  EXPECT_EQ(png->GetParseName(), dir.path() + "/x.png");
  EXPECT_EQ(png->GetSize(), 1024);
  sh::TIdListPtr abs(png->AbsoluteId());
  EXPECT_EQ(QFile::decodeName(sh::IdListToPath(abs.get())), dir.path() + "/x.png");
  items.Sort(TSortTypeEx::istName, false);  // byte order; the empty entry first
  EXPECT_EQ(namesOf(items), QStringList({"", "img2.jpg", "x.png"}));
  items.Sort(TSortTypeEx::istSize, true);
  EXPECT_EQ(namesOf(items), QStringList({"img2.jpg", "x.png", ""}));  // the exact reverse
}

TEST_F(ShellItems, NamesWithAnyBytes) {
  const ByteNameCleanup cleanup(dir.path());
  const QByteArray d = QFile::encodeName(dir.path());
  for (const QByteArray& n : {QByteArray("bad\xff.jpg"), QByteArray("line\nbreak.jpg"), QByteArray("  blanks  .jpg")}) {
    const int fd = open((d + "/" + n).constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
  }
  const QStringList names = list("*.jpg", false, false);
  EXPECT_EQ(names.size(), 6);
  for (int i = 0; i < items.Count(); ++i) {
    EXPECT_FALSE(items.Item(i)->GetSizeText().isEmpty()) << names[i].toStdString();
  }
}

TEST_F(ShellItems, NamesThatAreNotUtf8StayDistinct) {
  const ByteNameCleanup cleanup(dir.path());
  QStringList paths;
  for (const QByteArray& n : ByteNames()) {
    paths << BytePath(dir.path(), n);
    ASSERT_TRUE(WriteBytePath(paths.back(), n));
  }
  const QString fffd(QChar(QChar::ReplacementCharacter));
  const QStringList names = list("*.jpg", false, false);
  EXPECT_EQ(names.count("caf" + fffd + ".jpg"), 2);
  EXPECT_EQ(names.count(fffd + fffd + ".jpg"), 1);
  QStringList parsed;
  for (int i = 0; i < items.Count(); ++i) parsed << items.Item(i)->GetParseName();
  for (const QString& p : paths) {
    EXPECT_EQ(parsed.count(p), 1) << platform::PathBytes(p).toHex().constData();
    EXPECT_FALSE(p.contains(fffd));
  }

  // A file list takes the same paths, and its name order still tells the look-alikes apart.
  TPanelItems files{&owner};
  owner.fileMode = true;
  for (const QString& p : paths) ASSERT_TRUE(files.AddFile(p)) << platform::PathBytes(p).toHex().constData();
  auto order = [&](bool descend) {
    files.Sort(TSortTypeEx::istName, descend);
    QStringList out;
    for (int i = 0; i < files.Count(); ++i) out << files.Item(i)->GetParseName();
    return out;
  };
  QStringList up = order(false), down = order(true);
  std::reverse(down.begin(), down.end());
  EXPECT_EQ(up, down);

  // Renaming keeps the other bytes of the name.
  TShellItem* e9 = files.Item(files.Count() - 1);
  for (int i = 0; i < files.Count(); ++i)
    if (files.Item(i)->GetParseName() == paths[0]) e9 = files.Item(i);
  ASSERT_EQ(e9->GetParseName(), paths[0]);
  EXPECT_FALSE(e9->Rename(platform::PathFromBytes(QByteArray("caf\xe8.jpg"))));  // the look-alike exists
  ASSERT_TRUE(e9->Rename(platform::PathFromBytes(QByteArray("caf\xe9-2.jpg"))));
  EXPECT_EQ(platform::PathBytes(e9->GetParseName()), platform::PathBytes(dir.path()) + "/caf\xe9-2.jpg");
  EXPECT_EQ(e9->GetDisplayName(), "caf" + fffd + "-2.jpg");
  EXPECT_TRUE(BytePathExists(BytePath(dir.path(), "caf\xe9-2.jpg")));
  EXPECT_FALSE(BytePathExists(paths[0]));
}

// An entry held across an event loop is found again: by Id in the same listing (also after a
// rename in place), by path in a later one, and not at all once its file has gone.
TEST_F(ShellItems, EntryKeysFindTheEntryAgain) {
  list("*.jpg", false, false);
  ASSERT_EQ(namesOf(items), QStringList({"img2.jpg", "img10.jpg", "Photo.JPG"}));
  EXPECT_TRUE(items.KeyOf(-1).IsNull());
  EXPECT_TRUE(items.KeyOf(items.Count()).IsNull());
  const TEntryKey img10 = items.KeyOf(1), photo = items.KeyOf(2);
  EXPECT_EQ(img10.Path, dir.path() + "/img10.jpg");
  ASSERT_TRUE(items.Item(1)->Rename("a.jpg"));
  EXPECT_EQ(items.IndexOfKey(img10), 1);
  touch(dir.path() + "/img1.jpg");
  ASSERT_TRUE(QFile::remove(dir.path() + "/img2.jpg"));
  list("*.jpg", false, false);
  ASSERT_EQ(namesOf(items), QStringList({"a.jpg", "img1.jpg", "Photo.JPG"}));
  EXPECT_EQ(items.IndexOfKey(photo), 2);
  EXPECT_EQ(items.IndexOfKey(img10), -1);  // listed again under its new name only
  EXPECT_EQ(items.IndexOfKey({-1, dir.path() + "/img2.jpg"}), -1);
  EXPECT_EQ(items.IndexOfKey({}), -1);
}
