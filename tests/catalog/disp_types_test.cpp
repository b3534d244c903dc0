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
      {"a;b", "/p/a;b", true},  // a name holding ";" can span two entries
      {"*.a;b", "/p/x.a;b", true},
      {"*.jpg;*.png", "/p/x.jpg;*.gif", false},
      {"*.png;*.jpg", "/p/x.png;.jpg", true},
      {"*.jpg", "/p/.JPG", true},
      {"*.jpg;;*.png", "/p/x.png", true},
      {"*.jpg", "/p/x.jpg.", false},
      {"*.caf\u00e9", "/p/x.CAF\u00c9", true},  // letters beyond ASCII are lowered too
      {"*.jpg", "/p/caf\u00e9.jpg", true},
  };
  for (const auto& c : cases) {
    TDispTypes t;
    t.SetExt(QString::fromUtf8(c.ext));
    const QString path = QString::fromUtf8(c.path);
    EXPECT_EQ(t.Match(path), c.match) << c.ext << " " << c.path;
    // The listing asks by the name's bytes alone.
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1).toUtf8();
    EXPECT_EQ(t.MatchName(std::string_view(name.constData(), size_t(name.size()))), c.match) << c.ext << " " << c.path;
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
