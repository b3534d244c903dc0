#pragma once
// The View menu's registered programs: the three items' state from [OtherSoft] Path1..3, and
// a picture handed to one of them. The picture path is one argument whatever blanks it holds
// (a command line built by joining would split it).
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace extras {

struct TOtherSoftItem {
  bool visible = false;
  bool enabled = false;
  QString caption;
};

// A registered path shows its file name; an empty one hides its item. With none registered,
// the first item shows "未登録", disabled.
std::array<TOtherSoftItem, 3> OtherSoftItems(const std::array<QString, 3>& paths);

enum class TStartResult { Started, Missing, NotPassable };

// Starts a program without waiting for it; tests replace it.
using TProgramStarter = std::function<void(const QString& program, const QStringList& args)>;
TProgramStarter DetachedStarter();

// Missing: no file of the program's name (a folder counts as none). NotPassable: the picture's name holds bytes that are
// not text, which no program's argument list can carry unchanged.
TStartResult StartOtherSoft(const QString& program, const QString& picture, const TProgramStarter& start);

}  // namespace extras
