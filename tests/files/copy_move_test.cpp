#include "files/copy_move.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>

#include "platform/regular_file.h"
#include "tests/support/byte_names.h"

using namespace files;

namespace {
QByteArray ContentOf(const QString& path) { return platform::ReadRegularFile(path, 1 << 20).bytes; }
}  // namespace

// Three sources whose targets all exist; the answers given decide which are replaced.
TEST(CopyMove, EachTakenNameIsReplacedOnlyAfterAYes) {
  using A = TReplaceAnswer;
  struct Case {
    const char* what;
    std::vector<A> answers;
    const char* targetsAfter;  // per target: n = new content, o = old
    int asked;
    bool cancelled;
  } cases[] = {
      {"yes no yes", {A::raYes, A::raNo, A::raYes}, "non", 3, false},
      {"yes to all", {A::raYesToAll}, "nnn", 1, false},
      {"no to all", {A::raNo, A::raNoToAll}, "ooo", 2, false},
      {"cancel", {A::raYes, A::raCancel}, "noo", 2, true},
  };
  for (TFileRunKind kind : {TFileRunKind::frCopy, TFileRunKind::frMove}) {
    for (const Case& c : cases) {
      QTemporaryDir src, dst;
      QStringList sources;
      for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) {
        ASSERT_TRUE(WriteBytePath(src.path() + "/" + n, "new"));
        ASSERT_TRUE(WriteBytePath(dst.path() + "/" + n, "old"));
        sources << src.path() + "/" + n;
      }
      int asked = 0;
      TFileRunHooks hooks;
      hooks.AskReplace = [&](const QString&, const QString&) { return c.answers[size_t(asked++)]; };
      const TFileRunResult r = RunCopyMove(kind, sources, dst.path() + "/", hooks);
      EXPECT_EQ(asked, c.asked) << c.what;
      EXPECT_EQ(r.Cancelled, c.cancelled) << c.what;
      for (int i = 0; i < 3; ++i) {
        const bool replaced = c.targetsAfter[i] == 'n';
        EXPECT_EQ(ContentOf(TargetIn(dst.path(), sources[i])), replaced ? "new" : "old") << c.what << i;
        // A move removes only the sources it carried over; a copy keeps them all.
        EXPECT_EQ(BytePathExists(sources[i]), kind == TFileRunKind::frCopy || !replaced) << c.what << i;
      }
    }
  }
}

TEST(CopyMove, AFileIsNeverCopiedOrMovedOntoItself) {
  QTemporaryDir dir;
  const QString a = dir.path() + "/a.jpg";
  ASSERT_TRUE(WriteBytePath(a, "A"));
  int asked = 0;
  TFileRunHooks hooks;
  hooks.AskReplace = [&](const QString&, const QString&) {
    ++asked;
    return TReplaceAnswer::raYes;
  };
  for (TFileRunKind kind : {TFileRunKind::frCopy, TFileRunKind::frMove}) {
    const TFileRunResult r = RunCopyMove(kind, {a}, dir.path(), hooks);
    ASSERT_EQ(r.Failed.size(), 1u);
    EXPECT_EQ(r.Failed[0].Error, EINVAL);
  }
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(ContentOf(a), "A");
}

TEST(CopyMove, ProgressCanCancelMidRun) {
  QTemporaryDir src, dst;
  QStringList sources;
  for (const char* n : {"a.jpg", "b.jpg"}) {
    ASSERT_TRUE(WriteBytePath(src.path() + "/" + n, n));
    sources << src.path() + "/" + n;
  }
  TFileRunHooks hooks;
  hooks.Progress = [](int index, int64_t) { return index == 0; };
  const TFileRunResult r = RunCopyMove(TFileRunKind::frMove, sources, dst.path(), hooks);
  EXPECT_TRUE(r.Cancelled);
  ASSERT_EQ(r.Done.size(), 1u);
  EXPECT_TRUE(BytePathExists(sources[1]));
  EXPECT_EQ(QDir(dst.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.jpg"});
}
