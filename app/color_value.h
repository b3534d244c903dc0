#pragma once
// Colour values as the settings file stores them: 0x00BBGGRR for a plain colour,
// 0x80000000 | index for a system colour (0x8000000F = button face), -1 for none.
#include <QColor>

namespace app {

// The colour a value stands for; system colours come from the application's palette.
// -1 and unknown system indexes give an invalid QColor / the button face respectively.
QColor ColorFromValue(int value);
// The value of a plain colour (alpha dropped).
int ColorToValue(const QColor& color);
// Whether the value names a system colour.
inline bool IsSystemColorValue(int value) { return value != -1 && (unsigned(value) & 0xFF000000u) == 0x80000000u; }

}  // namespace app
