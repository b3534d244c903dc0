#include "app/nav.h"

#include <gtest/gtest.h>

namespace {

using app::TFolderNav;

// Simulates the tree: each choice of a new folder records the one left behind.
struct Tree {
  TFolderNav nav;
  QString selected;
  void Choose(const QString& f) {
    if (f == selected) return;
    nav.NewChoice(selected);
    selected = f;
  }
  bool Back(int n = -1) {
    auto t = nav.Back(n, selected);
    if (t) selected = *t;
    return t.has_value();
  }
  bool Forward(int n = -1) {
    auto t = nav.Forward(n, selected);
    if (t) selected = *t;
    return t.has_value();
  }
};

TEST(FolderNav, BackListKeepsTheLastNineAfterTenChanges) {
  Tree t;
  for (int i = 0; i < 11; ++i) t.Choose(QStringLiteral("/f%1").arg(i));
  ASSERT_EQ(t.nav.BackList().size(), 9);
  EXPECT_EQ(t.nav.BackList().first(), "/f1");
  EXPECT_EQ(t.nav.BackList().last(), "/f9");
}

TEST(FolderNav, BackTwiceThenNewChoiceEmptiesForward) {
  Tree t;
  for (const char* f : {"/a", "/b", "/c", "/d"}) t.Choose(f);
  ASSERT_TRUE(t.Back());
  ASSERT_TRUE(t.Back());
  EXPECT_EQ(t.selected, "/b");
  EXPECT_EQ(t.nav.ForwardList(), (QStringList{"/d", "/c"}));
  EXPECT_EQ(t.nav.BackList(), QStringList{"/a"});
  t.Choose("/e");
  EXPECT_TRUE(t.nav.ForwardList().isEmpty());
  EXPECT_EQ(t.nav.BackList(), (QStringList{"/a", "/b"}));
}

TEST(FolderNav, StepsToAPositionAndMirrorsForward) {
  struct Case {
    int n;
    const char* selected;
    QStringList back, forward;
  } cases[] = {
      {-1, "/c", {"/a", "/b"}, {"/d"}},
      {0, "/a", {}, {"/d", "/c", "/b"}},
      {1, "/b", {"/a"}, {"/d", "/c"}},
  };
  for (const auto& c : cases) {
    Tree t;
    for (const char* f : {"/a", "/b", "/c", "/d"}) t.Choose(f);
    ASSERT_TRUE(t.Back(c.n));
    EXPECT_EQ(t.selected, c.selected) << c.n;
    EXPECT_EQ(t.nav.BackList(), c.back) << c.n;
    EXPECT_EQ(t.nav.ForwardList(), c.forward) << c.n;
    while (t.Forward()) {
    }
    EXPECT_EQ(t.selected, "/d") << c.n;
    EXPECT_TRUE(t.nav.ForwardList().isEmpty());
  }
}

TEST(FolderNav, RefusesStepsPastTheLists) {
  Tree t;
  EXPECT_FALSE(t.Back());
  EXPECT_FALSE(t.Forward());
  t.Choose("/a");
  t.Choose("/b");
  EXPECT_FALSE(t.Back(1));
  EXPECT_FALSE(t.Back(5));
  EXPECT_EQ(t.selected, "/b");
  EXPECT_EQ(t.nav.BackList(), QStringList{"/a"});
  EXPECT_TRUE(t.nav.ForwardList().isEmpty());
}

TEST(FolderNav, ADeletedFolderLeavesBothLists) {
  Tree t;
  for (const char* f : {"/a", "/x", "/x/y", "/b", "/x", "/c"}) t.Choose(f);
  t.Back();
  t.nav.RemoveFolder("/x");
  EXPECT_EQ(t.nav.BackList(), (QStringList{"/a", "/b"}));
  EXPECT_EQ(t.nav.ForwardList(), QStringList{"/c"});
  t.nav.RemoveFolder("/");
  EXPECT_TRUE(t.nav.BackList().isEmpty());
  EXPECT_TRUE(t.nav.ForwardList().isEmpty());
}

}  // namespace
