#pragma once
// Sizes and steps of the real-size window, free of any widget so they are tested alone.
// The work area is the screen less the desktop's panels (QScreen::availableGeometry); the
// title allowance is the height of a window caption + 6.
#include <QRect>
#include <QSize>
#include <QString>

namespace view {

// The seven zoom steps of the window's popup menu, 25 % to 300 %.
inline constexpr int kZoomSteps = 7;
inline constexpr int kZoom100 = 3;
double ZoomFactor(int step);
QString ZoomItemCaption(int step);   // "25%" … "300%"
QString ZoomCaptionSuffix(int step);  // "×0.25" … "×3"

// Caption base: "photo.jpg (640×480)".
QString PreviewCaption(const QString& fileName, int width, int height);

// Client size for a picture shown at `picture` size: as wide as the picture but at most the
// work area, as tall but at most the work area less the title allowance.
QSize PreviewClientSize(QSize picture, QRect workArea, int titleAllowance);

// Size of the picture in fitted mode: the natural size when it fits the work area; else an
// upright or square picture takes the work-area height less the title allowance, a wide one
// the work-area width and trunc(width / r) − caption height − 11 rows.
QSize PreviewFittedSize(QSize picture, QRect workArea, int captionHeight);

// Size a zoom makes of `base` (trunc of each side × factor, never below 1 × 1).
QSize ZoomedSize(QSize base, double factor);

enum class TQuarterTurns { None, Left, Half, Right };
// The turn two counters stand for: left − right = 1 or −3 is one left quarter turn, ±2 a
// half turn, 3 or −1 one right quarter turn.
TQuarterTurns TurnOfCounters(int left, int right);
// A counter after one more press: 0 after 3, else one more.
int NextTurnCount(int count);

// Offset that centres `picture` in a client of `client` extent (0 when it does not fit).
int CenterOffset(int client, int picture);

// A picture is drawn one pixel per device pixel: at a device pixel ratio of 2 a logical
// size holds twice the pixels each way, and a picture takes half its pixel size on screen,
// rounded up so an odd last column is not cut off.
QSize DevicePixels(QSize logical, double ratio);
QSize LogicalExtent(QSize pixels, double ratio);

}  // namespace view
