#include "files/copy_move.h"

#include <cerrno>

#include "platform/fileop.h"
#include "platform/path_bytes.h"

namespace files {

QString TargetIn(const QString& folder, const QString& source) {
  QString f = folder;
  if (!f.endsWith(QLatin1Char('/'))) f += QLatin1Char('/');
  return f + source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
}

TFileRunResult RunCopyMove(TFileRunKind kind, const QStringList& sources, const QString& folder,
                           const TFileRunHooks& hooks) {
  TFileRunResult result;
  enum { askEach, yesAll, noAll } mode = askEach;
  for (int i = 0; i < sources.size(); ++i) {
    const QString& from = sources[i];
    const QString to = TargetIn(folder, from);
    platform::TCopyOptions options;
    if (platform::SameFile(from, to)) {
      result.Failed.push_back({from, to, EINVAL});
      continue;
    }
    if (platform::PathTaken(to)) {
      TReplaceAnswer a = mode == yesAll  ? TReplaceAnswer::raYes
                         : mode == noAll ? TReplaceAnswer::raNo
                         : hooks.AskReplace ? hooks.AskReplace(from, to)
                                            : TReplaceAnswer::raNo;
      if (a == TReplaceAnswer::raCancel) {
        result.Cancelled = true;
        break;
      }
      if (a == TReplaceAnswer::raYesToAll) mode = yesAll;
      if (a == TReplaceAnswer::raNoToAll) mode = noAll;
      if (a == TReplaceAnswer::raNo || a == TReplaceAnswer::raNoToAll) {
        ++result.Skipped;
        continue;
      }
      options.Replace = platform::TReplace::Allowed;
    }
    if (hooks.Progress) {
      if (!hooks.Progress(i, 0)) {
        result.Cancelled = true;
        break;
      }
      options.Progress = [&hooks, i](int64_t bytes) { return hooks.Progress(i, bytes); };
    }
    const int err = kind == TFileRunKind::frCopy ? platform::CopyFileChecked(from, to, options)
                                                 : platform::MoveFileChecked(from, to, options);
    if (err == ECANCELED) {
      result.Cancelled = true;
      break;
    }
    if (err == 0)
      result.Done.push_back({from, to});
    else
      result.Failed.push_back({from, to, err});
  }
  return result;
}

}  // namespace files
