// Viewing commands of the main window: real size, full screen and the slide show.
#include "app/widgets/cvmain.h"

namespace app {

void TCVMain::ConnectViewCommands() {}

}  // namespace app
