#pragma once
// Copy and move to the save folder with the desktop's manners: a question for each taken
// name (Yes, No, Yes to all, No to all, Cancel), a progress dialog with Cancel when the run
// takes longer than a moment, and one message listing the files that could not be done.
#include <QString>
#include <QStringList>

#include "files/copy_move.h"
#include "files/widgets/file_dialogs.h"

class QWidget;

namespace files {

struct TFileRunUi {
  TMessageBoxFn MessageBox;
  // Progress dialog after this many milliseconds.
  int ProgressAfterMs = 500;
};

TFileRunResult RunCopyMoveWithUi(QWidget* parent, TFileRunKind kind, const QStringList& sources,
                                 const QString& folder, const TFileRunUi& ui);

// The delete confirmation; true when the user agrees to move the files to the Trash.
bool ConfirmTrash(const TMessageBoxFn& box, const QStringList& paths);
// Moves each path to the Trash; the ones that could not go are listed in one message.
// Returns how many went.
int TrashWithUi(const TMessageBoxFn& box, const QStringList& paths);

}  // namespace files
