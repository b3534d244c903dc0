#pragma once
// Copy and move of the selected files to the save folder, one file after another through
// platform/fileop. A target name that is taken is replaced only after a yes for that file (or
// a "yes to all" before it); a file whose target is the file itself is never touched.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace files {

enum class TFileRunKind { frCopy, frMove };
enum class TReplaceAnswer { raYes, raNo, raYesToAll, raNoToAll, raCancel };

struct TFileRunHooks {
  // Asked for each source whose target exists, unless an earlier answer was "to all".
  std::function<TReplaceAnswer(const QString& source, const QString& target)> AskReplace;
  // After each chunk: the file's position, its bytes so far; false cancels the run.
  std::function<bool(int index, int64_t bytes)> Progress;
};

struct TFileRunDone {
  QString From, To;
};
struct TFileRunFailure {
  QString From, To;
  int Error = 0;  // platform/fileop.h values
};
struct TFileRunResult {
  std::vector<TFileRunDone> Done;
  std::vector<TFileRunFailure> Failed;
  int Skipped = 0;  // answered no
  bool Cancelled = false;
};

// Target of a source in a folder: folder + the source's file name.
QString TargetIn(const QString& folder, const QString& source);

TFileRunResult RunCopyMove(TFileRunKind kind, const QStringList& sources, const QString& folder,
                           const TFileRunHooks& hooks = {});

}  // namespace files
