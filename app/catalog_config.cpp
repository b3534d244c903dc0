#include "app/catalog_config.h"

#include <QThread>
#include <algorithm>

#include "app/color_value.h"
#include "platform/settings_keys.h"

namespace app {

namespace keys = settings::keys;

TCatalogConfig ReadCatalogConfig(const settings::TIniFile& ini) {
  TCatalogConfig c;
  int w = ini.Read(keys::CatalogAWidth), h = ini.Read(keys::CatalogAHeight);
  // A damaged file must not ask for empty or huge cells.
  if (w < 16 || w > 1024) w = keys::CatalogAWidth.def;
  if (h < 16 || h > 1024) h = keys::CatalogAHeight.def;
  c.Box = QSize(w, h);
  c.Colour = ColorFromValue(ini.Read(keys::CatalogColor));
  c.AutoRotate = ini.Read(keys::ViewAutoRotate) != 0;
  const int threads = ini.Read(keys::CatalogThreads);
  c.Threads = threads >= 1 ? std::min(threads, 64) : DefaultThumbThreads();
  c.LookAhead = ini.ReadBool1(keys::CatalogLookAhead);
  // Too small a cap would only make the visible page fight over it.
  c.ThumbMemoryMB = std::clamp(ini.Read(keys::CatalogThumbMemory), 8, 65536);
  return c;
}

int DefaultThumbThreads() { return std::clamp(QThread::idealThreadCount(), 1, 4); }

void ConfigureImgUtil(catalog::TImgUtil& util, const TCatalogConfig& config) {
  util.AutoThumb = true;
  util.GetType = catalog::TGetType::igtPreview;
  util.Performance = graphics::jpBestSpeed;
  util.AutoRotate = config.AutoRotate;
  if (config.Colour.isValid()) util.BKColor = config.Colour;
}

}  // namespace app
