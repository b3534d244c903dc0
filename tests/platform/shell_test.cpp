#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/support/byte_names.h"
#include "platform/idlist.h"
#include "platform/regular_file.h"
#include "platform/shell.h"

using namespace platform::shell;

namespace {

TIdListPtr path(const char* p) { return TIdListPtr(IdListFromPath(p)); }
std::string str(PCIDL l) { return IdListToPath(l).toStdString(); }

void touch(const QByteArray& p, const QByteArray& content = {}) {
  const int fd = open(p.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << p.constData();
  if (!content.isEmpty()) {
    ASSERT_EQ(write(fd, content.constData(), size_t(content.size())), content.size());
  }
  close(fd);
}

std::vector<std::string> names(TShellFolder& f, uint32_t flags) {
  std::vector<std::string> out;
  auto en = f.EnumObjects(flags);
  if (!en) return out;
  PIDL id = nullptr;
  while (en->Next(id)) {
    out.emplace_back(IdRecordName(id));
    IdListFree(id);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

TEST(IdList, Routines) {
  auto abc = path("/a/bb/ccc");
  EXPECT_EQ(IdListSize(abc.get()), size_t(3 + 4 + 5 + 2));
  EXPECT_EQ(IdListSize(nullptr), 0u);
  EXPECT_EQ(IdListCount(abc.get()), 3);
  EXPECT_EQ(str(abc.get()), "/a/bb/ccc");

  TIdListPtr clone(IdListClone(abc.get()));
  EXPECT_EQ(IdListSame(clone.get(), abc.get()), 0);
  TIdListPtr first(IdListCloneFirst(abc.get()));
  EXPECT_EQ(str(first.get()), "/a");
  TIdListPtr parent(IdListParent(abc.get()));
  EXPECT_EQ(str(parent.get()), "/a/bb");
  TIdListPtr last(IdListLast(abc.get()));
  EXPECT_EQ(IdRecordName(last.get()), "ccc");
  EXPECT_EQ(IdListCount(last.get()), 1);
  TIdListPtr combined(IdListCombine(parent.get(), last.get()));
  EXPECT_EQ(IdListSame(combined.get(), abc.get()), 0);
  EXPECT_EQ(IdListNext(IdListNext(IdListNext(abc.get()))), abc.get() + IdListSize(abc.get()) - 2);
  EXPECT_EQ(IdListNext(abc.get() + IdListSize(abc.get()) - 2), nullptr);

  PIDL freed = IdListClone(abc.get());
  IdListFree(freed);
  EXPECT_EQ(freed, nullptr);
}

TEST(IdList, DamagedCountEndsTheList) {
  // A record count below 2 cannot hold itself: the walk stops there instead of looping.
  const uint8_t damaged[] = {3, 0, 'a', 1, 0, 'b', 0, 0};
  EXPECT_EQ(IdListSize(damaged), size_t(3 + 2));
  EXPECT_EQ(IdListCount(damaged), 1);
  EXPECT_EQ(IdListNext(IdListNext(damaged)), nullptr);
}

TEST(IdList, DesktopIsTheEmptyList) {
  auto root = path("/");
  EXPECT_TRUE(IdListIsDesktop(root.get()));
  EXPECT_EQ(IdListSize(root.get()), 2u);
  TIdListPtr clone(IdListClone(root.get()));
  ASSERT_TRUE(clone);  // the desktop is a real place: its copy is not null
  EXPECT_TRUE(IdListIsDesktop(clone.get()));
  TIdListPtr parent(IdListParent(root.get()));
  EXPECT_TRUE(IdListIsDesktop(parent.get()));
  TIdListPtr up(IdListParent(path("/a").get()));
  EXPECT_TRUE(IdListIsDesktop(up.get()));
  EXPECT_FALSE(IdListIsDesktop(nullptr));
  EXPECT_EQ(IdListClone(nullptr), nullptr);
}

TEST(IdList, PathParsing) {
  struct Case {
    const char* in;
    const char* out;  // nullptr: refused
  } cases[] = {
      {"/", "/"},         {"//a///b/", "/a/b"}, {"/a/./b", "/a/b"}, {"/a/../b", "/b"},
      {"/../..", "/"},    {"relative", nullptr}, {"", nullptr},
  };
  for (const auto& c : cases) {
    TIdListPtr id(IdListFromPath(c.in));
    if (!c.out) {
      EXPECT_FALSE(id) << c.in;
    } else {
      ASSERT_TRUE(id) << c.in;
      EXPECT_EQ(str(id.get()), c.out) << c.in;
    }
  }
  for (const char* bad : {"", ".", "..", "a/b"}) EXPECT_EQ(IdListFromName(bad), nullptr) << bad;
  EXPECT_EQ(IdListFromName(std::string_view("a\0b", 3)), nullptr);
}

TEST(ShellNames, NaturalCaseInsensitiveOrder) {
  const std::vector<std::string> sorted = {"a1", "A2", "a10", "b", "img2.jpg", "IMG10.jpg", "x"};
  for (size_t i = 0; i + 1 < sorted.size(); ++i) {
    EXPECT_LT(CompareNamesNatural(sorted[i], sorted[i + 1]), 0) << sorted[i] << " " << sorted[i + 1];
    EXPECT_GT(CompareNamesNatural(sorted[i + 1], sorted[i]), 0);
  }
  // Names that only look alike still differ, so descending is the exact reverse.
  EXPECT_NE(CompareNamesNatural("a01", "a1"), 0);
  EXPECT_NE(CompareNamesNatural("A", "a"), 0);
  EXPECT_EQ(CompareNamesNatural("same", "same"), 0);
}

namespace {

// The order of two names by their keys, the raw bytes breaking a tie as the comparison does.
int compareByKeys(const std::string& a, const std::string& b) {
  std::vector<uint8_t> ka(a.size() * 3 + 8), kb(b.size() * 3 + 8);
  ka.resize(NaturalNameKey(a, ka.data(), ka.size()));
  kb.resize(NaturalNameKey(b, kb.data(), kb.size()));
  if (ka != kb) return ka < kb ? -1 : 1;
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

// Every pair of a table of names that are hard to order, and many made from digits, letters
// of both cases and the bytes just around '0'..'9', order the same by key as by comparison.
TEST(ShellNames, KeysOrderAsTheComparison) {
  std::vector<std::string> names = {
      "a", "A", "a0", "a00", "a000b", "a0b", "a1", "a01", "a001", "A1", "a1b", "a1B", "a10", "a9", "a09",
      "a/", "a:", "a.", "a.jpg", "a.JPG", "a 1", "a_1", "a~1", "a1.2", "a1.10", "a01.2", "0", "00", "000",
      "1", "01", "10", "9", "z", "Z", "_", "@", "[", "`", "{", "\x7f", "caf\xc3\xa9", "caf\xe9", "\xff",
      "IMG_0000001.jpg", "IMG_1.jpg", "IMG_20230101_123456.jpg", "IMG_20230101_123457.jpg",
      "Screenshot from 2023-01-01 12-34-56.png", "Screenshot from 2023-01-01 12-34-57.png",
      "screenshot from 2023-01-01 12-34-56.png"};
  // Digit runs around the lengths where their length takes a second byte.
  for (const size_t n : {253, 254, 255, 300, 508}) {
    std::string run(n, '1');
    names.push_back(run);
    names.push_back(run.append("a"));
    names.push_back(std::string("x0").append(n, '9'));
  }
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
  const std::string alphabet = "aAbB019/:.-0123456789";
  for (int i = 0; i < 400; ++i) {
    std::string n;
    for (size_t len = 1 + next() % 8; n.size() < len;) n += alphabet[next() % alphabet.size()];
    names.push_back(n);
  }
  for (const std::string& a : names)
    for (const std::string& b : names) {
      const int want = CompareNamesNatural(a, b);
      ASSERT_EQ(compareByKeys(a, b), want) << "\"" << a << "\" \"" << b << "\"";
    }
  // A key cut short is the start of the whole key, and no key byte is zero.
  for (const std::string& a : names) {
    std::vector<uint8_t> whole(a.size() * 3 + 8), part(5, 0xAA);
    whole.resize(NaturalNameKey(a, whole.data(), whole.size()));
    EXPECT_EQ(NaturalNameKey(a, part.data(), 4), whole.size());
    EXPECT_TRUE(std::equal(part.begin(), part.begin() + std::min<size_t>(4, whole.size()), whole.begin()));
    EXPECT_EQ(part[4], 0xAA);
    EXPECT_EQ(std::count(whole.begin(), whole.end(), 0), 0) << a;
  }
}

class ShellFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    root = QFile::encodeName(dir.path());
    touch(root + "/b.jpg", QByteArray(1500, 'x'));
    touch(root + "/a.png");
    touch(root + "/.hidden");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(".hdir"));
    ASSERT_EQ(symlink((root + "/sub").constData(), (root + "/link").constData()), 0);
    id.reset(IdListFromPath(root));
    folder = TShellFolder::Bind(id.get());
    ASSERT_TRUE(folder);
  }
  QTemporaryDir dir;
  QByteArray root;
  TIdListPtr id;
  std::shared_ptr<TShellFolder> folder;
};

TEST_F(ShellFolderTest, EnumerationFlags) {
  using V = std::vector<std::string>;
  const uint32_t all = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
  EXPECT_EQ(names(*folder, all), (V{".hdir", ".hidden", "a.png", "b.jpg", "link", "sub"}));
  EXPECT_EQ(names(*folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), (V{"a.png", "b.jpg", "link", "sub"}));
  EXPECT_EQ(names(*folder, SHCONTF_NONFOLDERS), (V{"a.png", "b.jpg", "link"}));
  EXPECT_EQ(names(*folder, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN), (V{".hdir", "sub"}));
  EXPECT_FALSE(TShellFolder::Bind(path("/no/such/folder/here").get()));
}

TEST_F(ShellFolderTest, AttributesNamesAndFindData) {
  const uint32_t mask = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_LINK | SFGAO_SHARE;
  TIdListPtr sub(IdListFromName("sub")), link(IdListFromName("link")), jpg(IdListFromName("b.jpg"));
  EXPECT_EQ(folder->GetAttributesOf(sub.get(), mask), SFGAO_FOLDER | SFGAO_FILESYSANCESTOR);
  EXPECT_EQ(folder->GetAttributesOf(link.get(), mask), SFGAO_LINK);
  EXPECT_EQ(folder->GetAttributesOf(jpg.get(), mask), 0u);
  TIdListPtr missing(IdListFromName("missing"));
  EXPECT_EQ(folder->GetAttributesOf(missing.get(), mask), 0u);

  EXPECT_EQ(folder->GetDisplayNameOf(jpg.get(), SHGDN_INFOLDER), "b.jpg");
  EXPECT_EQ(folder->GetDisplayNameOf(jpg.get(), SHGDN_FORPARSING), dir.path() + "/b.jpg");
  EXPECT_EQ(TShellFolder::Desktop()->GetDisplayNameOf(path("/").get(), SHGDN_INFOLDER), "/");

  TFindData fd;
  ASSERT_TRUE(folder->GetFindData(jpg.get(), fd));
  EXPECT_EQ(fd.size, 1500u);
  EXPECT_EQ(fd.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  ASSERT_TRUE(folder->GetFindData(sub.get(), fd));
  EXPECT_NE(fd.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_FALSE(folder->GetFindData(missing.get(), fd));

  EXPECT_EQ(ResolveLink(dir.path() + "/link"), dir.path() + "/sub");
  EXPECT_EQ(ResolveLink(dir.path() + "/a.png"), "");
  EXPECT_TRUE(IsDirectoryPath(dir.path() + "/link"));
}

TEST_F(ShellFolderTest, CompareColumnsPutFoldersFirst) {
  TIdListPtr sub(IdListFromName("sub")), a(IdListFromName("a.png")), b(IdListFromName("b.jpg"));
  for (int column = 0; column < 5; ++column) {
    EXPECT_LT(folder->CompareIDs(column, sub.get(), a.get()), 0) << column;
    EXPECT_EQ(folder->CompareIDs(column, a.get(), a.get()), 0) << column;
    EXPECT_EQ(folder->CompareIDs(column, a.get(), b.get()), -folder->CompareIDs(column, b.get(), a.get())) << column;
  }
  EXPECT_LT(folder->CompareIDs(0, a.get(), b.get()), 0);  // a.png < b.jpg by name
  EXPECT_LT(folder->CompareIDs(1, a.get(), b.get()), 0);  // 0 bytes < 1500 bytes
  EXPECT_GT(folder->CompareIDs(2, a.get(), b.get()), 0);  // .png > .jpg
}

TEST_F(ShellFolderTest, FoldersStayFirstAfterListingAndRenaming) {
  ASSERT_EQ(names(*folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS).size(), 4u);
  TIdListPtr sub(IdListFromName("sub")), a(IdListFromName("a.png"));
  TIdListPtr renamed(folder->SetNameOf(sub.get(), "zz"));
  ASSERT_TRUE(renamed);
  for (int column : {0, 2}) {
    EXPECT_LT(folder->CompareIDs(column, renamed.get(), a.get()), 0) << column;
    EXPECT_GT(folder->CompareIDs(column, a.get(), renamed.get()), 0) << column;
  }
  // A name created after the listing is looked up on disk.
  ASSERT_TRUE(QDir(dir.path()).mkdir("later"));
  TIdListPtr later(IdListFromName("later"));
  EXPECT_LT(folder->CompareIDs(0, later.get(), a.get()), 0);
}

TEST_F(ShellFolderTest, SetNameNeverReplaces) {
  TIdListPtr a(IdListFromName("a.png"));
  // Refused names: an existing file, separators, empty and dot names.
  for (const char* bad : {"b.jpg", "x/y", "", ".", ".."}) {
    EXPECT_EQ(folder->SetNameOf(a.get(), QString::fromUtf8(bad)), nullptr) << bad;
    EXPECT_TRUE(QFile::exists(dir.path() + "/a.png")) << bad;
  }
  QFile jpg(dir.path() + "/b.jpg");
  EXPECT_EQ(jpg.size(), 1500);  // the existing file was not replaced
  TIdListPtr renamed(folder->SetNameOf(a.get(), "c.png"));
  ASSERT_TRUE(renamed);
  EXPECT_EQ(IdRecordName(renamed.get()), "c.png");
  EXPECT_TRUE(QFile::exists(dir.path() + "/c.png"));
  EXPECT_FALSE(QFile::exists(dir.path() + "/a.png"));
}

TEST_F(ShellFolderTest, NamesWithAnyBytes) {
  const ByteNameCleanup cleanup(dir.path());
  const QByteArray odd[] = {QByteArray("bad\xff\xfe.jpg"), QByteArray("new\nline.jpg"), QByteArray(" lead and trail ")};
  for (const auto& n : odd) touch(root + "/" + n);
  std::set<std::string> listed;
  auto en = folder->EnumObjects(SHCONTF_NONFOLDERS);
  PIDL idl = nullptr;
  while (en->Next(idl)) {
    listed.insert(std::string(IdRecordName(idl)));
    // Names, attributes and find data work on the raw bytes.
    EXPECT_FALSE(folder->GetDisplayNameOf(idl, SHGDN_INFOLDER).isEmpty());
    TFindData fd;
    EXPECT_TRUE(folder->GetFindData(idl, fd)) << IdRecordName(idl);
    IdListFree(idl);
  }
  for (const auto& n : odd) EXPECT_TRUE(listed.count(n.toStdString())) << n.toStdString();
  TIdListPtr bad(IdListFromName(std::string_view(odd[0].constData(), size_t(odd[0].size()))));
  TIdListPtr renamed(folder->SetNameOf(bad.get(), "good.jpg"));
  EXPECT_TRUE(renamed);
  EXPECT_TRUE(QFile::exists(dir.path() + "/good.jpg"));
}

TEST_F(ShellFolderTest, NamesThatAreNotUtf8KeepTheirBytes) {
  const ByteNameCleanup cleanup(dir.path());
  const QString replacement(QChar(QChar::ReplacementCharacter));
  std::set<QString> parseNames;
  for (const QByteArray& n : ByteNames()) {
    touch(root + "/" + n, n);
    TIdListPtr item(IdListFromName(std::string_view(n.constData(), size_t(n.size()))));
    const QString parse = folder->GetDisplayNameOf(item.get(), SHGDN_FORPARSING);
    EXPECT_EQ(platform::PathBytes(parse), root + "/" + n);
    parseNames.insert(parse);
    EXPECT_TRUE(folder->GetDisplayNameOf(item.get(), SHGDN_INFOLDER).contains(replacement));
    EXPECT_EQ(platform::PathBytes(folder->GetDisplayNameOf(item.get(), SHGDN_FOREDITING)), n);
    // The parsing name leads back to the same item.
    TIdListPtr parsed(TShellFolder::Desktop()->ParseDisplayName(parse));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(IdListToPath(parsed.get()), root + "/" + n);
  }
  EXPECT_EQ(parseNames.size(), ByteNames().size());
  EXPECT_EQ(folder->GetDisplayNameOf(TIdListPtr(IdListFromName("caf\xe9.jpg")).get(), SHGDN_INFOLDER),
            "caf" + replacement + ".jpg");

  // Renaming to a name made from an editing name writes exactly those bytes, and back.
  TIdListPtr e9(IdListFromName("caf\xe9.jpg"));
  QString edited = folder->GetDisplayNameOf(e9.get(), SHGDN_FOREDITING);
  edited.replace(".jpg", ".old.jpg");
  TIdListPtr renamed(folder->SetNameOf(e9.get(), edited));
  ASSERT_TRUE(renamed);
  EXPECT_EQ(IdRecordName(renamed.get()), "caf\xe9.old.jpg");
  EXPECT_EQ(access((root + "/caf\xe9.old.jpg").constData(), F_OK), 0);
  EXPECT_NE(access((root + "/caf\xe9.jpg").constData(), F_OK), 0);
  EXPECT_EQ(access((root + "/caf\xe8.jpg").constData(), F_OK), 0);  // its look-alike is untouched
  // Onto the look-alike: refused, nothing replaced.
  EXPECT_FALSE(folder->SetNameOf(renamed.get(), platform::PathFromBytes(QByteArray("caf\xe8.jpg"))));
  TIdListPtr back(folder->SetNameOf(renamed.get(), platform::PathFromBytes(QByteArray("caf\xe9.jpg"))));
  ASSERT_TRUE(back);
  EXPECT_EQ(platform::ReadRegularFile(BytePath(dir.path(), "caf\xe9.jpg"), 100).bytes, "caf\xe9.jpg");
  EXPECT_EQ(platform::ReadRegularFile(BytePath(dir.path(), "caf\xe8.jpg"), 100).bytes, "caf\xe8.jpg");

  EXPECT_EQ(ResolveLink(dir.path() + "/link"), dir.path() + "/sub");
  ASSERT_EQ(symlink("caf\xe9.jpg", (root + "/to-cafe").constData()), 0);
  EXPECT_EQ(platform::PathBytes(ResolveLink(dir.path() + "/to-cafe")), root + "/caf\xe9.jpg");
  ASSERT_EQ(mkdir((root + "/dir\xff").constData(), 0755), 0);
  EXPECT_TRUE(IsDirectoryPath(BytePath(dir.path(), "dir\xff")));
}

TEST_F(ShellFolderTest, ParseDisplayName) {
  auto desktop = TShellFolder::Desktop();
  uint32_t attrs = 0;
  TIdListPtr sub(desktop->ParseDisplayName(dir.path() + "/sub/../sub", &attrs));
  ASSERT_TRUE(sub);
  EXPECT_EQ(QFile::decodeName(IdListToPath(sub.get())), dir.path() + "/sub");
  EXPECT_TRUE(attrs & SFGAO_FOLDER);
  EXPECT_FALSE(desktop->ParseDisplayName(dir.path() + "/missing"));
  EXPECT_FALSE(desktop->ParseDisplayName("relative/path"));
  auto bound = desktop->BindToObject(sub.get());
  ASSERT_TRUE(bound);
  EXPECT_EQ(bound->PathBytes(), root + "/sub");
}
