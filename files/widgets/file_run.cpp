#include "files/widgets/file_run.h"

#include <QElapsedTimer>
#include <QProgressDialog>
#include <memory>

#include "platform/failure_list.h"
#include "platform/fileop.h"
#include "platform/path_bytes.h"

namespace files {

namespace {
QString NameOf(const QString& path) { return platform::DisplayName(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1)); }

void ReportFailures(const TMessageBoxFn& box, const QString& head, const QStringList& lines) {
  if (lines.isEmpty()) return;
  box(QMessageBox::Critical, kMessageTitle, platform::FailureListText(head, lines), QMessageBox::Ok);
}
}  // namespace

TFileRunResult RunCopyMoveWithUi(QWidget* parent, TFileRunKind kind, const QStringList& sources,
                                 const QString& folder, const TFileRunUi& ui) {
  const bool copy = kind == TFileRunKind::frCopy;
  std::unique_ptr<QProgressDialog> progress;
  QElapsedTimer clock;
  clock.start();
  TFileRunHooks hooks;
  hooks.AskReplace = [&](const QString& from, const QString& to) {
    const auto b = ui.MessageBox(
        QMessageBox::Question, copy ? QStringLiteral("コピー") : QStringLiteral("移動"),
        QStringLiteral("「%1」は既に存在します。\n%2 で置き換えますか？").arg(platform::DisplayName(to), NameOf(from)),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll | QMessageBox::Cancel);
    switch (b) {
      case QMessageBox::Yes: return TReplaceAnswer::raYes;
      case QMessageBox::YesToAll: return TReplaceAnswer::raYesToAll;
      case QMessageBox::NoToAll: return TReplaceAnswer::raNoToAll;
      case QMessageBox::No: return TReplaceAnswer::raNo;
      default: return TReplaceAnswer::raCancel;
    }
  };
  hooks.Progress = [&](int index, int64_t) {
    if (!progress && clock.elapsed() >= ui.ProgressAfterMs) {
      progress = std::make_unique<QProgressDialog>(copy ? QStringLiteral("コピーしています...") : QStringLiteral("移動しています..."),
                                                   QStringLiteral("キャンセル"), 0, int(sources.size()), parent);
      progress->setObjectName(QStringLiteral("FileRunProgress"));
      progress->setWindowModality(Qt::WindowModal);
      progress->setMinimumDuration(0);
    }
    if (progress) {
      progress->setLabelText(NameOf(sources[index]));
      progress->setValue(index);  // a modal dialog lets pending events (its Cancel) run here
      if (progress->wasCanceled()) return false;
    }
    return true;
  };
  TFileRunResult r = RunCopyMove(kind, sources, folder, hooks);
  if (progress) progress->setValue(int(sources.size()));
  QStringList lines;
  for (const TFileRunFailure& f : r.Failed) lines << platform::FailureLine(f.From, platform::ErrorText(f.Error));
  ReportFailures(ui.MessageBox, copy ? QStringLiteral("コピーできなかったファイルがあります。") : QStringLiteral("移動できなかったファイルがあります。"), lines);
  return r;
}

bool ConfirmTrash(const TMessageBoxFn& box, const QStringList& paths) {
  const QString text = paths.size() == 1
                           ? QStringLiteral("「%1」をごみ箱に移動しますか？").arg(NameOf(paths.first()))
                           : QStringLiteral("これらの %1 個の項目をごみ箱に移動しますか？").arg(paths.size());
  return box(QMessageBox::Question, QStringLiteral("ファイルの削除"), text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

int TrashWithUi(const TMessageBoxFn& box, const QStringList& paths) {
  int gone = 0;
  QStringList lines;
  for (const QString& p : paths) {
    if (const int err = platform::MoveToTrash(p))
      lines << platform::FailureLine(p, platform::ErrorText(err));
    else
      ++gone;
  }
  ReportFailures(box, QStringLiteral("ごみ箱に移動できなかったファイルがあります。"), lines);
  return gone;
}

}  // namespace files
