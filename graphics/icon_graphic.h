#pragma once
// Windows icon files (.ico) as a graphic, so they join the registry's mask like the other
// built-in formats. Decoding goes through Qt's own ICO reader; the largest image of the
// file is taken and drawn on white.
#include "graphics/graphic.h"
#include "graphics/picture_formats.h"

namespace graphics {

class TIconGraphic : public TBitmapGraphic {
 public:
  void LoadFromStream(QIODevice& stream) override;
};

const TGraphicClass& IconGraphicClass();

}  // namespace graphics
