#pragma once
// The program's own drag cursor "MYCURSOR": a closed hand, shown while a picture is dragged.
#include <QCursor>

namespace view {

QCursor MyCursor();

}  // namespace view
