#include "edit/widgets/batch_convert.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>

#include "edit/widgets/progress_form.h"
#include "platform/failure_list.h"
#include "platform/path_bytes.h"
#include "platform/settings.h"

namespace edit {

namespace {
const QString kCaption = QStringLiteral("QIVO2");

// Message boxes break lines at "\n"; the texts keep their own "\r".
QString Shown(QString text) { return text.replace(QLatin1Char('\r'), QLatin1Char('\n')); }
}  // namespace

TBatchConvert::TBatchConvert(QWidget* owner) : owner_(owner) {
  InformationBox = [owner](const QString& text) {
    QMessageBox::information(owner, kCaption, Shown(text), QMessageBox::Ok);
  };
  ErrorBox = [owner](const QString& text) { QMessageBox::critical(owner, kCaption, text, QMessageBox::Ok); };
  ConfirmBox = [owner](const QString& text) {
    return QMessageBox::question(owner, kCaption, Shown(text),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  };
  OverwriteBox = [owner](const QString& text) {
    return QMessageBox::question(owner, kCaption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
}

std::optional<TConvertRunResult> TBatchConvert::Run(const QStringList& sources, const QString& saveFolder,
                                                    TConvertFormat format) {
  if (saveFolder.isEmpty()) {
    if (InformationBox) InformationBox(QStringLiteral("保存用のフォルダが設定されていません。"));
    return std::nullopt;
  }
  if (platform::KindOfPath(saveFolder) != platform::PathKind::Folder) {
    if (InformationBox) InformationBox(QStringLiteral("指定されたフォルダは存在しません。確認して下さい。"));
    return std::nullopt;
  }
  const TConvertSettings s = ReadConvertSettings(settings::TIniFile());
  const int answer = ConfirmBox ? ConfirmBox(ConvertConfirmationText(format, s)) : QMessageBox::No;
  if (answer == QMessageBox::Cancel) {
    if (OpenSettings) OpenSettings();
    return std::nullopt;
  }
  if (answer != QMessageBox::Yes) return std::nullopt;

  TConvertRunResult run;
  {
    // One notice for the whole run, modal so that nothing else in the program runs meanwhile.
    QPointer<TProgressForm> notice = new TProgressForm(owner_, QStringLiteral("Wait! Now Converting..."));
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setWindowModality(Qt::ApplicationModal);
    if (NoticeSlot) *NoticeSlot = notice;
    struct TCloser {
      QPointer<TProgressForm>& form;
      QWidget** slot;
      ~TCloser() {
        if (slot) *slot = nullptr;
        if (form) form->close();
      }
    } closer{notice, NoticeSlot};

    TConvertHooks hooks;
    hooks.AskOverwrite = [this](const QString& name) {
      return OverwriteBox && OverwriteBox(platform::DisplayName(name) + QStringLiteral("は既に存在します。上書きしますか？"));
    };
    hooks.Progress = [&notice](int n, int total) {
      if (notice) notice->ShowCount(n, total);
    };
    hooks.StopRequested = [&notice] { return notice && notice->StopRequested(); };
    hooks.Idle = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
    run = RunConversion(sources, QDir(saveFolder).absolutePath(), format, s, Loaders, hooks, Jobs);
  }  // the notice closes before the final message
  // A refused overwrite ends the run without a word; otherwise what was not done is reported:
  // the sentence about icons and cursors only for them, the other failures by name and reason.
  const bool refused = run.Stopped && !run.StoppedByUser;
  if (!refused) {
    bool skipped = false;
    QStringList failed;
    for (const TConvertOutcome& out : run.Outcomes) {
      if (out.Status == csSkipped) skipped = true;
      if (out.Status == csFailed) failed << platform::FailureLine(out.Source, out.Reason);
    }
    if (skipped && InformationBox)
      InformationBox(QStringLiteral("コンバートに対応していないファイル (.ico/.ani/.cur/ etc...) は処理されていません。"));
    if (!failed.isEmpty() && ErrorBox)
      ErrorBox(platform::FailureListText(QStringLiteral("変換できなかったファイルがあります。"), failed));
  }
  return run;
}

}  // namespace edit
