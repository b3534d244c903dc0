// File commands of the main window: save folders, delete, copy, move, rename, favourites.
#include "app/widgets/cvmain.h"

namespace app {

void TCVMain::ConnectFileCommands() {}

}  // namespace app
