// Editing commands of the main window: the image editor and the batch conversions.
#include "app/widgets/cvmain.h"

namespace app {

void TCVMain::ConnectEditCommands() {}

}  // namespace app
