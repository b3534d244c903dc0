#pragma once
// Windows metafiles (EMF and WMF) as pictures. EMF goes through libemf2svg and WMF through
// libwmf's SVG device; Qt SVG then draws the result on a background colour. Files are
// checked for a metafile header and a sane size first, since the libraries trust their
// input; anything they cannot turn into a picture is an EInvalidGraphic.
#include <QByteArray>
#include <QColor>
#include <QSize>

#include "graphics/graphic.h"
#include "graphics/picture_formats.h"

namespace graphics {

// Largest metafile we hand to the libraries.
inline constexpr qint64 kMaxMetafileBytes = qint64(64) << 20;
// Longest side of a metafile drawn at its own size.
inline constexpr int kMaxMetafileSide = 4096;

enum class TMetafileKind { None, Emf, Wmf };

// Which metafile the bytes start like (None for anything else).
TMetafileKind DetectMetafile(const QByteArray& data);

// Draws the metafile on background. An empty size means the metafile's own size, its
// longer side capped at kMaxMetafileSide. Throws EInvalidGraphic.
TBitmap RenderMetafile(const QByteArray& data, QSize size, const QColor& background);

class TMetafileGraphic : public TBitmapGraphic {
 public:
  // Draws at the metafile's own size on white.
  void LoadFromStream(QIODevice& stream) override;
};

const TGraphicClass& MetafileGraphicClass();

}  // namespace graphics
