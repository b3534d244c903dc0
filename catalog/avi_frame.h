#pragma once
// One frame of a video file through FFmpeg (the only place that uses it).
#include <QString>

#include "graphics/bitmap.h"

namespace catalog {

// The frame at percent of the first video stream's length (0 or less: the first frame)
// as a 24-bit bitmap. False when the file has no decodable video.
bool ReadVideoFrame(const QString& path, int percent, graphics::TBitmap& out);

}  // namespace catalog
