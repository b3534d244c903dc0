#include "view/preview_geometry.h"

#include <algorithm>
#include <cmath>

namespace view {

namespace {
struct TZoomStep {
  double factor;
  const char* item;
  const char* suffix;
};
constexpr TZoomStep kSteps[kZoomSteps] = {
    {0.25, "25%", "×0.25"}, {0.5, "50%", "×0.5"}, {0.75, "75%", "×0.75"}, {1.0, "100%", "×1"},
    {1.5, "150%", "×1.5"},  {2.0, "200%", "×2"},  {3.0, "300%", "×3"},
};
const TZoomStep& Step(int step) { return kSteps[std::clamp(step, 0, kZoomSteps - 1)]; }
}  // namespace

double ZoomFactor(int step) { return Step(step).factor; }
QString ZoomItemCaption(int step) { return QString::fromUtf8(Step(step).item); }
QString ZoomCaptionSuffix(int step) { return QString::fromUtf8(Step(step).suffix); }

QString PreviewCaption(const QString& fileName, int width, int height) {
  return QStringLiteral("%1 (%2×%3)").arg(fileName).arg(width).arg(height);
}

QSize PreviewClientSize(QSize picture, QRect workArea, int titleAllowance) {
  return {std::min(picture.width(), workArea.width()),
          std::min(picture.height(), workArea.height() - titleAllowance)};
}

QSize PreviewFittedSize(QSize picture, QRect workArea, int captionHeight) {
  if (picture.width() <= workArea.width() && picture.height() <= workArea.height()) return picture;
  if (picture.isEmpty()) return {0, 0};
  const float r = float(picture.width()) / float(picture.height());
  int w, h;
  if (r <= 1) {
    h = workArea.height() - (captionHeight + 6);
    w = int(std::trunc(h * r));
  } else {
    w = workArea.width();
    h = int(std::trunc(w / r)) - captionHeight - 11;
  }
  return {std::max(w, 1), std::max(h, 1)};
}

QSize ZoomedSize(QSize base, double factor) {
  return {std::max(1, int(std::trunc(base.width() * factor))), std::max(1, int(std::trunc(base.height() * factor)))};
}

TQuarterTurns TurnOfCounters(int left, int right) {
  switch (left - right) {
    case 1:
    case -3:
      return TQuarterTurns::Left;
    case 2:
    case -2:
      return TQuarterTurns::Half;
    case 3:
    case -1:
      return TQuarterTurns::Right;
    default:
      return TQuarterTurns::None;
  }
}

int NextTurnCount(int count) { return count >= 3 ? 0 : count + 1; }

int CenterOffset(int client, int picture) { return picture < client ? (client - picture) / 2 : 0; }

QSize DevicePixels(QSize logical, double ratio) {
  return {int(std::lround(logical.width() * ratio)), int(std::lround(logical.height() * ratio))};
}

QSize LogicalExtent(QSize pixels, double ratio) {
  // The allowance keeps a rounding error of the division from adding a whole pixel.
  auto side = [ratio](int n) { return int(std::ceil(n / ratio - 1e-9)); };
  return ratio > 0 ? QSize(side(pixels.width()), side(pixels.height())) : pixels;
}

}  // namespace view
