#pragma once
// The batch conversion commands of the main window, after their catalogue guard: the save
// folder's checks, the confirmation with the run's settings (Cancel opens the settings),
// then the run with the per-file overwrite question and the "Wait! Now Converting..."
// notice counting the files, whose Stop button ends the run after the current file. At the
// end, icons and cursors skipped get their one sentence, and files that failed are listed
// with their reasons, as copy and move list theirs.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "edit/conversion.h"

class QWidget;

namespace edit {

class TBatchConvert {
 public:
  explicit TBatchConvert(QWidget* owner);

  // Message boxes (tests replace them). Confirm returns QMessageBox::Yes, No or Cancel.
  std::function<void(const QString& text)> InformationBox;
  // The files that failed, each with its reason (error icon).
  std::function<void(const QString& text)> ErrorBox;
  std::function<int(const QString& text)> ConfirmBox;
  std::function<bool(const QString& text)> OverwriteBox;
  // The conversion settings window (the Cancel answer).
  std::function<void()> OpenSettings;
  TLoaderFactory Loaders;
  int Jobs = 1;
  // The owner's field pointing to the open notice.
  QWidget** NoticeSlot = nullptr;

  // Nothing when the run did not start (a guard, No or Cancel).
  std::optional<TConvertRunResult> Run(const QStringList& sources, const QString& saveFolder, TConvertFormat format);

 private:
  QWidget* owner_;
};

}  // namespace edit
