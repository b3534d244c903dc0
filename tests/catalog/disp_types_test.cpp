#include <gtest/gtest.h>

#include "catalog/disp_types.h"

using catalog::TDispTypes;

TEST(DispTypes, MaskNormalisation) {
  struct Case {
    const char* ext;
    const char* mask;
  } cases[] = {
      {"*.JPG;*.png", ";*.jpg;*.png;"},
      {";*.jpg;", ";*.jpg;"},
      {"*.jpg; *.png", ";*.jpg; *.png;"},
      {"", ";*.*;"},
      {"*.*", ";*.*;"},
  };
  for (const auto& c : cases) {
    TDispTypes t;
    t.SetExt("x");  // start from another value so every case is a change
    t.SetExt(c.ext);
    EXPECT_EQ(t.Mask(), c.mask) << c.ext;
  }
}

TEST(DispTypes, Match) {
  struct Case {
    const char* ext;
    const char* path;
    bool match;
  } cases[] = {
      {"*.JPG;*.png", "/p/Photo.JPG", true},
      {"*.JPG;*.png", "/p/x.png", true},
      {"*.JPG;*.png", "/p/x.jpeg", false},
      {"*.jpg; *.png", "/p/x.png", false},  // the blank belongs to the entry
      {"*.jpg; *.png", "/p/x.jpg", true},
      {"thumbs.db;*.jpg", "/p/Thumbs.DB", true},  // whole-name entries, any letter case
      {"thumbs.db;*.jpg", "/p/thumbs.dbx", false},
      {"*.jp?", "/p/x.jpg", false},  // no wildcards but "*" + extension
      {"*.jp?", "/p/x.jp?", true},
      {"*", "/p/noext", true},  // a name without a dot probes ";*;"
      {"*.jpg", "/p/noext", false},
      {"*.jpg", "/p/a:b\\c.jpg", true},  // only "/" separates
      {"", "/p/anything", true},
  };
  for (const auto& c : cases) {
    TDispTypes t;
    t.SetExt(c.ext);
    EXPECT_EQ(t.Match(c.path), c.match) << c.ext << " " << c.path;
  }
}

TEST(DispTypes, ChangeRaisedOnlyForNewValues) {
  TDispTypes t;
  int changes = 0;
  t.OnChange = [&] { ++changes; };
  t.SetFolders(true);
  t.SetHidden(true);
  t.SetExt("*.*");
  EXPECT_EQ(changes, 0);
  t.SetFolders(false);
  t.SetNonFolders(false);
  t.SetHidden(false);
  t.SetExt("*.jpg");
  EXPECT_EQ(changes, 4);
  EXPECT_TRUE(t.FilterActive());
}
