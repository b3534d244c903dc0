#pragma once
// The catalogue's thumbnail settings from the settings file, shared by the main window and
// qivo2-thumbs so that both make the same thumbnails (box, decoding mode, background).
#include <QColor>
#include <QSize>

#include "catalog/img_util.h"
#include "platform/settings.h"

namespace app {

struct TCatalogConfig {
  QSize Box;      // [Catalog] AWidth x AHeight, held to 16..1024 each
  QColor Colour;  // [Catalog] Color; invalid when none is set
  bool AutoRotate = true;  // [View] AutoRotate
  int Threads = 1;  // [Catalog] Threads; without it the number of cores, up to 4
  bool LookAhead = false;  // [Catalog] LookAhead
  int ThumbMemoryMB = 64;  // [Catalog] ThumbMemory, held to 8..65536
};

// The default number of thumbnail threads: the cores, at most 4.
int DefaultThumbThreads();

TCatalogConfig ReadCatalogConfig(const settings::TIniFile& ini);

// A thumbnail utility: cached, preview-scaled, fast JPEG decoding, the catalogue's colour
// as the background of icons, metafiles and text.
void ConfigureImgUtil(catalog::TImgUtil& util, const TCatalogConfig& config);

}  // namespace app
