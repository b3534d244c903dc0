#pragma once
// What assistive technology sees of the catalogue: a list whose items are the entries, named by
// their display names, with selected and focused states that follow the selection and a
// default action that opens the entry as a double click does.
class QObject;
class QAccessibleInterface;
class QString;

namespace catalog {

// Registers the interface with Qt's accessibility (once per process; the program and tests
// call it before showing a catalogue).
void InstallImgPanelAccessibility();

}  // namespace catalog
