#pragma once
// Hints as the forms wrote them: "short|long", the short part for the tool tip, the long part
// for the status bar (a hint without "|" is both). The status texts go to one panel of the
// window's status bar, so a hint never hides the panels that show values.
#include <QString>
#include <functional>

class QAction;
class QLabel;
class QWidget;

namespace platform {

QString ShortHint(const QString& hint);
QString LongHint(const QString& hint);

// Tool tip := the short part, status tip := the long part.
void SetHint(QAction* action, const QString& hint);

// Every status tip that reaches `window` (menus, toolbar buttons, controls) is shown in
// `panel` instead of as the status bar's message; an empty one empties the panel.
void ShowHintsIn(QWidget* window, QLabel* panel);
// The same, handed to `show` (the long part; empty when the pointer leaves).
void ShowHintsIn(QWidget* window, std::function<void(const QString&)> show);

}  // namespace platform
