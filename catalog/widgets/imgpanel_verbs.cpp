// Shell verbs, in-place renaming, context menu and drag of the catalogue: do-nothing
// defaults until that work fills them in.
#include <QMenu>

#include "catalog/widgets/imgpanel.h"

namespace catalog {

bool TImgPanel::InvokeVerb(TVerb) { return false; }

bool TImgPanel::EditCaption(int) { return false; }

void TImgPanel::EndEdit() {}

void TImgPanel::ShowContextMenu(QPoint globalPos) {
  if (popupMenu_.PopupMenu) popupMenu_.PopupMenu->popup(globalPos);
}

void TImgPanel::BeginDrag(Qt::MouseButton) {}

void TImgPanel::PasteFiles() {}

void TImgPanel::ArmRenameClick(QPoint clientPoint) {
  renameClickArmed_ = true;
  renameClickPoint_ = clientPoint;
}

}  // namespace catalog
